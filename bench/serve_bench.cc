// The WBEM endpoint under load: a synthetic SAN host of N resources
// (bench/InventoryGenerator.h) converted into its report and indexed as `ulvar
// serve` does, served on a loopback port in this process, and asked by 1, 8
// and 64 clients at once, each on a connection of its own that it keeps:
//
//   gi  GetInstance of a random disk
//   ei  EnumerateInstances of the volume groups (one in 16 disks)
//   ei* EnumerateInstances of every disk, one client (a large, chunked answer)
//
// Prints requests per second, the median and 99th percentile latency, and
// the memory of the index per instance (its own bytes, and the heap it kept).
// Figures for notes, never for assertions:
//
//   serve_bench [SECONDS] [RESOURCES...]      default: 3 10000 1000000
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/InventoryGenerator.h"
#include "bench/InventoryLoader.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/report/OMX_Report.h"
#include "server/ClassTable.h"
#include "server/HttpEndpoint.h"
#include "server/ReportIndex.h"
#include "server/testing/HttpClient.h"
#include "tessel/Tessel.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace ulvar_server;
using namespace ulvar_server::testing;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The report of a synthetic host of about `resources` resources, indexed.
std::shared_ptr<const ReportIndex> syntheticReport(long resources) {
    InventoryGenerator generator(InventoryGenerator::shapeFor(resources, false));
    auto *db = new SrmResourceDatabase();
    generator.forEachBatch([db](SrmResourceType kind, const std::string &text) {
        loadInventoryBatch(db, kind, text);
    });
    db->resolveDatabase();
    nmspc_cim::CCIMList *list = nullptr;
    {
        OMX_Report report;
        report.setJobId("serve-bench");
        if (report.GenerateCIMReports(db, "host") != 0) {
            list = report.GetReport();
        }
    }
    Tessel::deleteInstance(Tessel::getInstance("serve-bench"));
    delete db;
    if (list == nullptr) {
        return nullptr;
    }
    std::string why;
    const std::size_t heapBefore = mallinfo2().uordblks;
    auto start = Clock::now();
    const std::clock_t cpu = std::clock();
    std::shared_ptr<const ReportIndex> index = ReportIndex::build({list}, &why);
    const double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    if (!index) {
        fprintf(stderr, "serve_bench: %s\n", why.c_str());
        return nullptr;
    }
    const double kept = static_cast<double>(mallinfo2().uordblks - heapBefore);
    printf(
        "%ld resources: %zu instances indexed in %.2f s (%.2f s of CPU); index %.1f bytes "
        "per instance (heap kept %.1f)\n",
        resources, index->size(), secondsSince(start), cpuSeconds,
        static_cast<double>(index->bytes()) / index->size(), kept / index->size());
    return index;
}

// The body of a GetInstance of `disk` (an instance of the index).
std::string getInstance(const ReportIndex &index, uint32_t disk) {
    std::string keys;
    for (nmspc_cim::CCIMList *node = index.instance(disk)->mProperties; node != nullptr;
         node = node->mNext) {
        auto *p = static_cast<nmspc_cim::CCIMProperty *>(node->mDataObject);
        if (p->mKeyProperty) {
            keys += std::string("<KEYBINDING NAME=\"") + p->mName + "\"><KEYVALUE>" + p->mValue +
                    "</KEYVALUE></KEYBINDING>";
        }
    }
    return cimPost("GetInstance", cimCall("GetInstance",
                                          "<IPARAMVALUE NAME=\"InstanceName\"><INSTANCENAME "
                                          "CLASSNAME=\"Kalora_RM_DiskDrive\">" +
                                              keys + "</INSTANCENAME></IPARAMVALUE>"));
}

std::string enumerate(const char *className) {
    return cimPost("EnumerateInstances",
                   cimCall("EnumerateInstances", std::string("<IPARAMVALUE NAME=\"ClassName\">"
                                                             "<CLASSNAME NAME=\"") +
                                                     className + "\"/></IPARAMVALUE>"));
}

struct Load {
    long requests = 0;
    long failed = 0;
    double bytes = 0;
    std::vector<double> latencies;  // ms
};

// `clients` threads, each asking `requests` (round robin) on its own
// connection for `seconds` at most (and 100000 requests at most).
Load drive(unsigned port, const std::vector<std::string> &requests, int clients, double seconds) {
    std::vector<Load> loads(clients);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            Load &load = loads[c];
            int fd = connectLoopback(port);
            auto start = Clock::now();
            for (long i = c; fd >= 0 && i < c + 100000 && secondsSince(start) < seconds; ++i) {
                auto begun = Clock::now();
                const std::string &request = requests[i % requests.size()];
                HttpReply reply;
                if (sendAll(fd, request)) {
                    reply = readReply(fd);
                }
                load.latencies.push_back(secondsSince(begun) * 1000);
                ++load.requests;
                load.bytes += reply.body.size();
                if (reply.status != 200) {
                    ++load.failed;
                    close(fd);
                    fd = connectLoopback(port);
                }
            }
            if (fd >= 0) {
                close(fd);
            }
        });
    }
    for (std::thread &t : threads) {
        t.join();
    }
    Load all;
    for (Load &load : loads) {
        all.requests += load.requests;
        all.failed += load.failed;
        all.bytes += load.bytes;
        all.latencies.insert(all.latencies.end(), load.latencies.begin(), load.latencies.end());
    }
    std::sort(all.latencies.begin(), all.latencies.end());
    return all;
}

void report(const char *what, int clients, const Load &load, double seconds) {
    auto at = [&load](double q) {
        return load.latencies.empty()
                   ? 0.0
                   : load.latencies[static_cast<std::size_t>(q * (load.latencies.size() - 1))];
    };
    printf("  %-4s %3d clients: %8ld requests %10.0f/s  p50 %8.3f ms  p99 %8.3f ms  %8.1f MB/s%s\n",
           what, clients, load.requests, load.requests / seconds, at(0.5), at(0.99),
           load.bytes / seconds / 1e6, load.failed > 0 ? "  (some failed)" : "");
}

}  // namespace

int main(int argc, char **argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 3;
    std::vector<long> sizes;
    for (int i = 2; i < argc; ++i) {
        sizes.push_back(atol(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {10000, 1000000};
    }
    const unsigned threads = std::max(2u, std::thread::hardware_concurrency());
    printf("serve_bench: %u server threads, %u cores, %.0f s per figure\n", threads,
           std::thread::hardware_concurrency(), seconds);
    for (long resources : sizes) {
        std::shared_ptr<const ReportIndex> index = syntheticReport(resources);
        if (!index) {
            return 1;
        }
        const std::vector<uint32_t> &disks =
            index->ofClass(ClassTable::schema().find("Kalora_RM_DiskDrive"));
        std::mt19937 random(4711);
        std::vector<std::string> gets;
        for (int i = 0; i < 1000 && !disks.empty(); ++i) {
            gets.push_back(getInstance(*index, disks[random() % disks.size()]));
        }
        HttpEndpoint endpoint;
        EndpointSettings settings;
        std::string why;
        if (!parseListenAddress("127.0.0.1:0", settings.address, why)) {
            return 1;
        }
        settings.threads = threads;
        endpoint.serve(index);
        if (!endpoint.start(settings, why)) {
            fprintf(stderr, "serve_bench: %s\n", why.c_str());
            return 1;
        }
        for (int clients : {1, 8, 64}) {
            auto start = Clock::now();
            Load load = drive(endpoint.port(), gets, clients, seconds);
            report("gi", clients, load, secondsSince(start));
        }
        const std::vector<std::string> groups = {enumerate("Kalora_RM_VMDiskGroup")};
        for (int clients : {1, 8, 64}) {
            auto start = Clock::now();
            Load load = drive(endpoint.port(), groups, clients, seconds);
            report("ei", clients, load, secondsSince(start));
        }
        auto start = Clock::now();
        Load all = drive(endpoint.port(), {enumerate("Kalora_RM_DiskDrive")}, 1, seconds);
        report("ei*", 1, all, secondsSince(start));
        endpoint.stop();
    }
    return 0;
}
