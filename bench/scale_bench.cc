// How the database's cost grows with the size of the inventory.
//
// For a SAN host and for a two-node cluster of about 10k, 100k and 1M resources
// (bench/InventoryGenerator.h), one pass runs the life of a scan and of its
// consumer and times each step:
//
//   build      the batches through the add methods (reader plus merge-or-add),
//              and for the cluster the service groups; generating the text is
//              not timed
//   resolve    resolveDatabase
//   serialize  the whole database to an unlinked temporary file
//   load       a fresh database read back from that file
//   check      checkIntegrity on the loaded database
//
// then the provider's road over the loaded database (load above is its first
// step), as a "host" report for the SAN host and a "cluster" report for the
// cluster:
//
//   generate   OMX_Report::GenerateCIMReports
//   report     GetReport, the instance list handed over
//   marshall   marshallInstanceList of the whole list at indent 0, in slices of
//              kSliceInstances into one buffer emptied between them (a million
//              resources make about 4 GB of CIM-XML; the buffer's 32-bit size
//              stops growing at 2 GB, so the list is written as a stream is)
//   free       the buffer, the instance list and the converter
//
// Beside marshall, its peer over the same list: libxml2's xmlTextWriter
// writing the same elements into a memory buffer that grows by doubling
// (bench/XmlWriterPeer.h), in the same slices. The heap the report holds is
// read from mallinfo2() (bytes in use) before generate and after report (the
// list and the converter), and once more after the list is freed, which
// leaves the converter's share; both per instance.
//
// and last
//
//   destroy    deleting both databases
//
// Steps are timed in processor time; each benchmark reports, per step, the
// microseconds per resource of its best pass ("<step>_us") and the growth of the
// resident set during the step at its peak ("<step>_MB"), plus the peak resident
// set of the whole pass, and the report's instances and bytes of CIM-XML per
// resource. After the runs a table gives the same figures side by side with
// the ratio of the largest size to the smallest, which should stay near 1
// (linear growth); a second ratio compares the largest size with the middle
// one.
//
//   scale_bench                                        everything (the 1M runs take minutes)
//   scale_bench --benchmark_filter='host/(10000|100000)/'   the smaller host runs
//   SCALE_BENCH_PASSES=1 valgrind --tool=callgrind scale_bench --benchmark_filter=host/10000/
//
// Beside the load and the build, each pass times their peers over the same
// inventory (RunPeers, after everything else): the bare reading of the database file, in reads of 1
// KiB (the record stream's default) and of 64 KiB, and the database's records written as JSON
// (bench/JsonPeers.h) parsed into a DOM by RapidJSON (copying strings, and in situ) and by
// nlohmann::json, parsing only (the text is in memory; freeing the DOM is not timed). A second
// table sets them side by side with the load and the build.
//
// Temporary files go to $TMPDIR, else /var/tmp or /tmp.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdio.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/InventoryGenerator.h"
#include "bench/InventoryLoader.h"
#include "bench/JsonPeers.h"
#include "bench/XmlWriterPeer.h"
#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/persist/SrmTempFile.h"
#include "inventory/report/OMX_Report.h"
#include "tessel/Tessel.h"
#include "wbemkit/cim.h"

namespace {

enum Step {
    kBuild,
    kResolve,
    kSerialize,
    kLoad,
    kCheck,
    kGenerate,
    kReport,
    kMarshall,
    kFree,
    kDestroy,
    kSteps
};
const char *const kStepNames[kSteps] = {"build",    "resolve", "serialize", "load", "check",
                                        "generate", "report",  "marshall",  "free", "destroy"};

// Instances written per call of marshallInstanceList.
constexpr long kSliceInstances = 4096;
// The job whose Tessel object takes the conversion's status results.
constexpr const char *kJob = "scale_bench";

// Steps are timed in processor time (user and system) of this single-threaded
// process: the machine may be shared, and waiting for a processor is no cost of
// the database. Writes and reads of the file are system time and count.
double cpuSeconds() {
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

// Resident set figures of this process in kB, from /proc. The peak can be
// reset (Linux 4.0 and later), so each step's own peak is seen; where it cannot,
// the peak only grows and a step's figure is an upper bound.
class Memory {
  public:
    static long residentKb() {
        long pages = 0;
        long resident = 0;
        FILE *f = fopen("/proc/self/statm", "r");
        if (f != nullptr) {
            if (fscanf(f, "%ld %ld", &pages, &resident) != 2) {
                resident = 0;
            }
            fclose(f);
        }
        return resident * (sysconf(_SC_PAGESIZE) / 1024);
    }
    static void resetPeak() {
        FILE *f = fopen("/proc/self/clear_refs", "w");
        if (f != nullptr) {
            fputs("5", f);
            fclose(f);
        }
    }
    static long peakKb() {
        long kb = -1;
        FILE *f = fopen("/proc/self/status", "r");
        if (f != nullptr) {
            char line[256];
            while (fgets(line, sizeof line, f) != nullptr) {
                if (strncmp(line, "VmHWM:", 6) == 0) {
                    kb = atol(line + 6);
                    break;
                }
            }
            fclose(f);
        }
        if (kb < 0) {
            struct rusage usage;
            getrusage(RUSAGE_SELF, &usage);
            kb = usage.ru_maxrss;
        }
        return kb;
    }
};

enum PeerStep {
    kRead1k,
    kRead64k,
    kRapidJson,
    kRapidJsonInSitu,
    kNlohmann,
    kXmlTextWriter,
    kPeerSteps
};
const char *const kPeerNames[kPeerSteps] = {"read_1k",          "read_64k", "rapidjson",
                                            "rapidjson_insitu", "nlohmann", "libxml2_writer"};

// Bytes of the heap in use (all arenas and mmapped blocks).
double heapInUse() {
    struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

struct Pass {
    double seconds[kSteps] = {};
    double peerSeconds[kPeerSteps] = {};
    long peakGrowthKb[kSteps] = {};
    long peakKb = 0;
    long resources = 0;
    long instances = 0;
    double xmlBytes = 0;
    double peerXmlBytes = 0;
    double reportHeap = 0;  // in use after report, over before generate
    double listHeap = 0;    // the same with the converter gone
    std::string failure;
};

// Times one step and records its peak growth.
class StepTimer {
  public:
    StepTimer(Pass &pass, Step step) : pass(pass), step(step) {
        Memory::resetPeak();
        startKb = Memory::residentKb();
        start = cpuSeconds();
    }
    ~StepTimer() {
        pass.seconds[step] += cpuSeconds() - start;
        long peak = Memory::peakKb();
        long growth = peak - startKb;
        if (growth > pass.peakGrowthKb[step]) {
            pass.peakGrowthKb[step] = growth;
        }
        if (peak > pass.peakKb) {
            pass.peakKb = peak;
        }
    }
    StepTimer(const StepTimer &) = delete;
    StepTimer &operator=(const StepTimer &) = delete;

  private:
    Pass &pass;
    Step step;
    long startKb;
    double start;
};

// Writes `list` with marshallInstanceList at indent 0, kSliceInstances at a
// time, into `buffer` emptied between slices; the bytes written, or -1 when
// the writer failed. Each slice is cut from the list for the call and joined
// again after it.
double marshallInSlices(sbuf *buffer, nmspc_cim::CCIMList *list) {
    double bytes = 0;
    for (nmspc_cim::CCIMList *first = list; first != nullptr;) {
        nmspc_cim::CCIMList *last = first;
        for (long n = 1; n < kSliceInstances && last->mNext != nullptr; ++n) {
            last = last->mNext;
        }
        nmspc_cim::CCIMList *rest = last->mNext;
        last->mNext = nullptr;
        int written = marshallInstanceList(buffer, first, 0);
        last->mNext = rest;
        if (written != 0) {
            return -1;
        }
        bytes += sbufGetSize(buffer);
        sbufClear(buffer);
        first = rest;
    }
    return bytes;
}

long instancesIn(const nmspc_cim::CCIMList *list) {
    long n = 0;
    for (; list != nullptr; list = list->mNext) {
        n += list->mDataObject != nullptr ? 1 : 0;
    }
    return n;
}

// The provider's road after the load: convert, take the list, write it, free
// everything. The conversion must succeed: a benchmark of a failed report
// would time the road to its first failure.
void RunProviderRoad(Pass &pass, SrmResourceDatabase *loaded, bool cluster) {
    std::unique_ptr<OMX_Report> report;
    int generated;
    double heapBefore = heapInUse();
    {
        StepTimer t(pass, kGenerate);
        report.reset(new OMX_Report());
        report->setJobId(kJob);
        generated = report->GenerateCIMReports(loaded, cluster ? "cluster" : "host");
    }
    nmspc_cim::CCIMList *list;
    {
        StepTimer t(pass, kReport);
        list = report->GetReport();
    }
    pass.reportHeap = heapInUse() - heapBefore;
    if ((generated != 1 || list == nullptr) && pass.failure.empty()) {
        pass.failure = "the report was not generated";
    }
    pass.instances = instancesIn(list);
    sbuf *buffer;
    {
        StepTimer t(pass, kMarshall);
        buffer = sbufCreate(8192);
        pass.xmlBytes = marshallInSlices(buffer, list);
    }
    if (pass.xmlBytes < 0 && pass.failure.empty()) {
        pass.failure = "marshallInstanceList failed";
    }
    double start = cpuSeconds();
    pass.peerXmlBytes = writeWithXmlTextWriter(list, kSliceInstances);
    pass.peerSeconds[kXmlTextWriter] = cpuSeconds() - start;
    if (pass.peerXmlBytes < 0 && pass.failure.empty()) {
        pass.failure = "peers: xmlTextWriter failed";
    }
    {
        StepTimer t(pass, kFree);
        sbufDestroy(buffer);
        nmspc_cim::cim_freeInstanceList(list);
    }
    // What the converter still holds is the report's heap that is not the list's.
    pass.listHeap = pass.reportHeap - (heapInUse() - heapBefore);
    {
        StepTimer t(pass, kFree);
        report.reset();
    }
    Tessel::deleteInstance(Tessel::getInstance(kJob));
}

// ---- Peers of the load and of the build ----

// Reads `fd` from its start to its end in reads of `chunk` bytes into one
// buffer, as the record stream reads; appends to `text` when not null. The
// bytes read, or -1 on a read error.
long ReadWhole(int fd, std::size_t chunk, std::string *text) {
    std::vector<char> buffer(chunk);
    long total = 0;
    for (off_t offset = 0;;) {
        ssize_t n = pread(fd, buffer.data(), chunk, offset);
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            return total;
        }
        if (text != nullptr) {
            text->append(buffer.data(), static_cast<std::size_t>(n));
        }
        offset += n;
        total += n;
    }
}

// Times the peers over the database file `fd` (left where it was) into `pass`.
// Each parser must find the file's every record: the header and `records`
// top-level records at least.
void RunPeers(int fd, Pass &pass) {
    double start = cpuSeconds();
    long bytes = ReadWhole(fd, 1024, nullptr);
    pass.peerSeconds[kRead1k] = cpuSeconds() - start;
    start = cpuSeconds();
    ReadWhole(fd, 64 * 1024, nullptr);
    pass.peerSeconds[kRead64k] = cpuSeconds() - start;

    std::string text;
    if (bytes < 0 || ReadWhole(fd, 64 * 1024, &text) != bytes) {
        pass.failure = "peers: the database file cannot be read";
        return;
    }
    std::string json = recordTextAsJson(text);
    text = std::string();
    long minimum = pass.resources + 1;
    {
        RapidJsonPeer rapid;
        start = cpuSeconds();
        long parsed = rapid.parse(json);
        pass.peerSeconds[kRapidJson] = cpuSeconds() - start;
        if (parsed < minimum) {
            pass.failure = "peers: RapidJSON parsed " + std::to_string(parsed) + " records";
            return;
        }
        rapid.destroy();
        std::string inPlace = json;
        start = cpuSeconds();
        parsed = rapid.parseInSitu(inPlace);
        pass.peerSeconds[kRapidJsonInSitu] = cpuSeconds() - start;
        rapid.destroy();
        if (parsed < minimum) {
            pass.failure = "peers: RapidJSON in situ parsed " + std::to_string(parsed) + " records";
            return;
        }
    }
    NlohmannPeer nlohmann;
    start = cpuSeconds();
    long parsed = nlohmann.parse(json);
    pass.peerSeconds[kNlohmann] = cpuSeconds() - start;
    if (parsed < minimum) {
        pass.failure = "peers: nlohmann::json parsed " + std::to_string(parsed) + " records";
    }
}

Pass RunPass(const InventoryGenerator &gen) {
    Pass pass;
    // Start from what the allocator has given back, so that growth is the pass's own.
    malloc_trim(0);
    std::unique_ptr<SrmResourceDatabase> built(new SrmResourceDatabase());
    if (gen.shape().nodes > 1 && gen.addClusterHeader(built.get()) != 1) {
        pass.failure = "no cluster header";
        return pass;
    }
    {
        // The build step's time is the add methods' alone, its memory also the
        // batch text (one batch at a time).
        Memory::resetPeak();
        long startKb = Memory::residentKb();
        double seconds = 0;
        gen.forEachBatch([&](SrmResourceType kind, const std::string &text) {
            double start = cpuSeconds();
            std::string status = loadInventoryBatch(built.get(), kind, text);
            seconds += cpuSeconds() - start;
            if (status != kSrmBatchOk && pass.failure.empty()) {
                pass.failure = "batch of kind " + std::to_string(kind) + ": " + status;
            }
        });
        double start = cpuSeconds();
        gen.addServiceGroups(built.get());
        seconds += cpuSeconds() - start;
        pass.seconds[kBuild] = seconds;
        pass.peakKb = Memory::peakKb();
        pass.peakGrowthKb[kBuild] = pass.peakKb - startKb;
    }
    pass.resources = built->getResourceCount();
    if (pass.resources != gen.counts().resources() && pass.failure.empty()) {
        pass.failure = "built " + std::to_string(pass.resources) + " resources, expected " +
                       std::to_string(gen.counts().resources());
    }
    {
        StepTimer t(pass, kResolve);
        built->resolveDatabase();
    }
    std::unique_ptr<FILE, int (*)(FILE *)> file(mktmpfile(nullptr), &fclose);
    if (!file) {
        pass.failure = "no temporary file";
        return pass;
    }
    int fd = fileno(file.get());
    int written;
    {
        StepTimer t(pass, kSerialize);
        written = built->serialize(fd, 0);
    }
    if (written != 1 && pass.failure.empty()) {
        pass.failure = "serialize failed";
    }
    lseek(fd, 0, SEEK_SET);
    std::unique_ptr<SrmResourceDatabase> loaded(new SrmResourceDatabase());
    int read;
    {
        StepTimer t(pass, kLoad);
        read = loaded->deserialize(fd, nullptr);
    }
    if (read != 1 && pass.failure.empty()) {
        std::string message;
        loaded->getLastErrorInfo(nullptr, message, nullptr);
        pass.failure = "load failed: " + message;
    }
    {
        StepTimer t(pass, kCheck);
        loaded->checkIntegrity();
    }
    if (loaded->getResourceCount() != pass.resources && pass.failure.empty()) {
        pass.failure = "loaded " + std::to_string(loaded->getResourceCount()) + " resources";
    }
    RunProviderRoad(pass, loaded.get(), gen.shape().nodes > 1);
    {
        StepTimer t(pass, kDestroy);
        loaded.reset();
        built.reset();
    }
    // Last, with the databases gone and their memory given back: the peers'
    // documents must neither lend the steps above memory nor take theirs.
    if (pass.failure.empty()) {
        malloc_trim(0);
        RunPeers(fd, pass);
    }
    return pass;
}

// The best of the passes of one benchmark, for the closing table: the least
// disturbed pass is the closest to the database's own cost.
struct Figures {
    long resources = 0;
    double usPerResource[kSteps] = {};
    double peakGrowthMb[kSteps] = {};
    double peakMb = 0;
    double instancesPerResource = 0;
    double xmlBytesPerResource = 0;
    double peerXmlBytesPerResource = 0;
    double reportHeapPerInstance = 0;
    double listHeapPerInstance = 0;
    double peerUs[kPeerSteps] = {};
};
std::map<std::string, std::map<long, Figures>> g_figures;  // variant -> target -> figures

void BM_Scale(benchmark::State &state, bool cluster, long target) {
    InventoryGenerator gen(InventoryGenerator::shapeFor(target, cluster));
    Figures f;
    long passes = 0;
    for (auto _ : state) {
        Pass pass = RunPass(gen);
        if (!pass.failure.empty()) {
            state.SkipWithError(pass.failure.c_str());
            return;
        }
        double total = 0;
        for (int s = 0; s < kSteps; ++s) {
            total += pass.seconds[s];
            double us = pass.seconds[s] * 1e6 / pass.resources;
            if (passes == 0 || us < f.usPerResource[s]) {
                f.usPerResource[s] = us;
            }
            f.peakGrowthMb[s] = std::max(f.peakGrowthMb[s], pass.peakGrowthKb[s] / 1024.0);
        }
        for (int s = 0; s < kPeerSteps; ++s) {
            double us = pass.peerSeconds[s] * 1e6 / pass.resources;
            if (passes == 0 || us < f.peerUs[s]) {
                f.peerUs[s] = us;
            }
        }
        f.peakMb = std::max(f.peakMb, pass.peakKb / 1024.0);
        f.resources = pass.resources;
        f.instancesPerResource = static_cast<double>(pass.instances) / pass.resources;
        f.xmlBytesPerResource = pass.xmlBytes / pass.resources;
        f.peerXmlBytesPerResource = pass.peerXmlBytes / pass.resources;
        if (pass.instances > 0) {
            f.reportHeapPerInstance = pass.reportHeap / pass.instances;
            f.listHeapPerInstance = pass.listHeap / pass.instances;
        }
        state.SetIterationTime(total);
        ++passes;
    }
    for (int s = 0; s < kSteps; ++s) {
        state.counters[std::string(kStepNames[s]) + "_us"] = f.usPerResource[s];
        state.counters[std::string(kStepNames[s]) + "_MB"] = f.peakGrowthMb[s];
    }
    for (int s = 0; s < kPeerSteps; ++s) {
        state.counters[std::string(kPeerNames[s]) + "_us"] = f.peerUs[s];
    }
    state.counters["resources"] = static_cast<double>(f.resources);
    state.counters["peak_MB"] = f.peakMb;
    state.counters["instances_per_resource"] = f.instancesPerResource;
    state.counters["xml_bytes_per_resource"] = f.xmlBytesPerResource;
    state.counters["report_heap_B_per_instance"] = f.reportHeapPerInstance;
    state.counters["list_heap_B_per_instance"] = f.listHeapPerInstance;
    g_figures[cluster ? "cluster" : "host"][target] = f;
}

void PrintTable() {
    for (const auto &variant : g_figures) {
        const std::map<long, Figures> &sizes = variant.second;
        if (sizes.empty()) {
            continue;
        }
        const Figures &small = sizes.begin()->second;
        const Figures &large = sizes.rbegin()->second;
        // The size below the largest (the largest itself when there is one size).
        const Figures &middle = std::next(sizes.rbegin(), sizes.size() > 1 ? 1 : 0)->second;
        auto ratio = [](double to, double from) { return from > 0 ? to / from : 0.0; };
        printf("\n%s: microseconds per resource (peak growth in MB)\n%-10s", variant.first.c_str(),
               "step");
        for (const auto &size : sizes) {
            printf(" %20ld", size.second.resources);
        }
        printf(" %8s %8s\n", "ratio", "last");
        for (int s = 0; s < kSteps; ++s) {
            printf("%-10s", kStepNames[s]);
            for (const auto &size : sizes) {
                printf(" %10.3f (%7.1f)", size.second.usPerResource[s],
                       size.second.peakGrowthMb[s]);
            }
            printf(" %8.2f %8.2f\n", ratio(large.usPerResource[s], small.usPerResource[s]),
                   ratio(large.usPerResource[s], middle.usPerResource[s]));
        }
        printf("%-10s", "peak RSS");
        for (const auto &size : sizes) {
            printf(" %17.1f MB", size.second.peakMb);
        }
        printf("\n%-10s", "instances");
        for (const auto &size : sizes) {
            printf(" %20.3f", size.second.instancesPerResource);
        }
        printf("   per resource\n%-10s", "CIM-XML");
        for (const auto &size : sizes) {
            printf(" %20.1f", size.second.xmlBytesPerResource);
        }
        printf("   bytes per resource\n%-10s", "heap");
        for (const auto &size : sizes) {
            printf(" %9.0f /%9.0f", size.second.reportHeapPerInstance,
                   size.second.listHeapPerInstance);
        }
        printf("   bytes per instance: report / list alone\n");
    }
}

// The CIM-XML writer beside xmlTextWriter over the same list: microseconds
// per resource, megabytes (10^6 bytes) written per second of each, and the
// writer's speed over the peer's.
void PrintWriterTable() {
    for (const auto &variant : g_figures) {
        if (variant.second.empty()) {
            continue;
        }
        printf("\n%s: CIM-XML writer beside libxml2's xmlTextWriter\n%-16s", variant.first.c_str(),
               "");
        for (const auto &size : variant.second) {
            printf(" %10ld", size.second.resources);
        }
        printf("\n");
        auto row = [&](const char *name, auto value) {
            printf("%-16s", name);
            for (const auto &size : variant.second) {
                printf(" %10.2f", value(size.second));
            }
            printf("\n");
        };
        auto mbs = [](double bytes, double us) { return us > 0 ? bytes / us : 0.0; };
        row("marshall_us", [](const Figures &f) { return f.usPerResource[kMarshall]; });
        row("xmlwriter_us", [](const Figures &f) { return f.peerUs[kXmlTextWriter]; });
        row("marshall_MB/s", [&](const Figures &f) {
            return mbs(f.xmlBytesPerResource, f.usPerResource[kMarshall]);
        });
        row("xmlwriter_MB/s", [&](const Figures &f) {
            return mbs(f.peerXmlBytesPerResource, f.peerUs[kXmlTextWriter]);
        });
        row("speed/peer", [](const Figures &f) {
            return f.usPerResource[kMarshall] > 0
                       ? f.peerUs[kXmlTextWriter] / f.usPerResource[kMarshall]
                       : 0.0;
        });
    }
}

// The load and the build beside their peers of the same passes: microseconds
// per resource, the ratios the loader is held to, and the loaded database's
// memory per resource (the load's peak growth).
void PrintPeerTable() {
    for (const auto &variant : g_figures) {
        if (variant.second.empty()) {
            continue;
        }
        printf("\n%s: load and build beside their peers, microseconds per resource\n%-16s",
               variant.first.c_str(), "");
        for (const auto &size : variant.second) {
            printf(" %10ld", size.second.resources);
        }
        printf("\n");
        auto row = [&](const char *name, auto value, const char *format) {
            printf("%-16s", name);
            for (const auto &size : variant.second) {
                printf(format, value(size.second));
            }
            printf("\n");
        };
        for (int s = 0; s < kXmlTextWriter; ++s) {  // the writer's peer has its own table
            row(
                kPeerNames[s], [s](const Figures &f) { return f.peerUs[s]; }, " %10.3f");
        }
        row(
            "load", [](const Figures &f) { return f.usPerResource[kLoad]; }, " %10.3f");
        row(
            "build", [](const Figures &f) { return f.usPerResource[kBuild]; }, " %10.3f");
        auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
        row(
            "load/rapidjson",
            [&](const Figures &f) { return ratio(f.usPerResource[kLoad], f.peerUs[kRapidJson]); },
            " %10.2f");
        row(
            "load/rj_insitu",
            [&](const Figures &f) {
                return ratio(f.usPerResource[kLoad], f.peerUs[kRapidJsonInSitu]);
            },
            " %10.2f");
        row(
            "build/nlohmann",
            [&](const Figures &f) { return ratio(f.usPerResource[kBuild], f.peerUs[kNlohmann]); },
            " %10.2f");
        row(
            "load B/resource",
            [](const Figures &f) {
                return f.resources > 0 ? f.peakGrowthMb[kLoad] * 1048576.0 / f.resources : 0.0;
            },
            " %10.0f");
    }
}

}  // namespace

int main(int argc, char **argv) {
    // Fewer passes as the size grows: each pass is timed as a whole.
    const struct {
        long target;
        int passes;
    } kSizes[] = {{10000, 20}, {100000, 5}, {1000000, 2}};
    // SCALE_BENCH_PASSES overrides the number of passes (one pass is enough
    // under valgrind --tool=callgrind).
    const char *passes = getenv("SCALE_BENCH_PASSES");
    for (bool cluster : {false, true}) {
        for (const auto &size : kSizes) {
            std::string name = std::string("scale/") + (cluster ? "cluster/" : "host/") +
                               std::to_string(size.target);
            benchmark::RegisterBenchmark(name.c_str(), BM_Scale, cluster, size.target)
                ->Iterations(passes != nullptr && atoi(passes) > 0 ? atoi(passes) : size.passes)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintTable();
    PrintPeerTable();
    PrintWriterTable();
    return 0;
}
