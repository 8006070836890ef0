// Throughput of the record reader over a generated 50 MB database file.
//
// The file is written once with the record writer to $TMPDIR (or /tmp) as
// record_reader_bench.dat and reused by later runs. Compare the reported bytes per second with
// `cat FILE > /dev/null` on the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/SrmRecordWriter.h"

namespace {

constexpr off_t kFileBytes = 50L * 1024 * 1024;

std::string BenchFile() {
    const char *dir = std::getenv("TMPDIR");
    std::string path = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
    path += "/record_reader_bench.dat";
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && st.st_size >= kFileBytes) {
        return path;
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return std::string();
    }
    std::string buffer;
    off_t written = 0;
    for (long n = 0; written < kFileBytes; ++n) {
        // Disk records of ordinary size, with a long description now and then.
        SrmRecordWriter w(buffer);
        w.addWord(SRM_KEY_Type, SRM_KEY_Disk);
        w.addText(SRM_KEY_Id,
                  "/dev/rdsk/c" + std::to_string(n % 8) + "t" + std::to_string(n) + "d0");
        w.addText(SRM_KEY_PubId, "600A0B800011" + std::to_string(n * 7919));
        w.addInt(SRM_KEY_Status, 0);
        w.addInt(SRM_KEY_State, 1);
        w.addText(SRM_KEY_StatusDesc, n % 50 == 0 ? std::string(600, 'd') : "OK, online");
        w.addText(SRM_KEY_Name, "c" + std::to_string(n % 8) + "t" + std::to_string(n) + "d0");
        w.addText(SRM_KEY_Model, "ST3146807LC");
        w.addText(SRM_KEY_Make, "SEAGATE");
        w.addText(SRM_KEY_Revision, "0007");
        w.addText(SRM_KEY_SerialNum, "3HY6" + std::to_string(n));
        w.addLong(SRM_KEY_Sign, -1);
        w.addLong(SRM_KEY_CapacityKB, 143374744);
        w.addLong(SRM_KEY_FreeSpaceKB, 0);
        w.addInt(SRM_KEY_AddrBus, 1);
        w.addInt(SRM_KEY_AddrTarget, static_cast<int>(n % 16));
        w.addInt(SRM_KEY_AddrLUN, 0);
        w.addInt(SRM_KEY_RPM, 10000);
        if (w.write(fd) != 1) {
            close(fd);
            return std::string();
        }
        written += static_cast<off_t>(buffer.size());
    }
    close(fd);
    return path;
}

void BM_ReadParsedRecords(benchmark::State &state) {
    std::string path = BenchFile();
    int fd = path.empty() ? -1 : open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        state.SkipWithError("cannot create the benchmark file");
        return;
    }
    int64_t bytes = 0;
    for (auto _ : state) {
        CSRMTupleFDStream stream;
        stream.SetBufferSize(static_cast<int>(state.range(0)));
        stream.SetFileDescriptor(fd);
        stream.ResetToStart();
        CSRMReportTupleStreamReader reader;
        reader.SetTupleStream(&stream);
        long records = 0;
        for (;;) {
            CSRMReportTuple *t = nullptr;
            int status = reader.GetNextTuple(&t);
            delete t;
            if (status != TUPLE_STATUS_OK) {
                break;
            }
            ++records;
        }
        benchmark::DoNotOptimize(records);
        bytes += lseek(fd, 0, SEEK_CUR);
    }
    close(fd);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadParsedRecords)->Arg(1024)->Arg(65536)->Unit(benchmark::kMillisecond);

void BM_ReadRawRecords(benchmark::State &state) {
    std::string path = BenchFile();
    int fd = path.empty() ? -1 : open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        state.SkipWithError("cannot create the benchmark file");
        return;
    }
    int64_t bytes = 0;
    for (auto _ : state) {
        CSRMTupleFDStream stream;
        stream.SetFileDescriptor(fd);
        stream.ResetToStart();
        CSRMReportTupleStreamReader reader;
        reader.SetTupleStream(&stream);
        std::string raw;
        long records = 0;
        while (reader.GetNextTuple(raw) == TUPLE_STATUS_OK) {
            ++records;
        }
        benchmark::DoNotOptimize(records);
        bytes += lseek(fd, 0, SEEK_CUR);
    }
    close(fd);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadRawRecords)->Unit(benchmark::kMillisecond);

}  // namespace
