// The collector over the recorded hosts under testdata/: a server (two SATA
// disks with GPT partitions, an NVMe disk, an MD RAID1 over two partitions, an
// LVM volume group on it, ext4, xfs, vfat, swap, NFS exports, loop and zram
// devices) and a plain VM (one virtio disk without partitions, a CD-ROM). The
// batches are compared byte for byte with the reviewed files beside each root,
// then sent through the add road, resolved, checked and converted as a host
// report.
//
// ULVAR_COLLECTOR_UPDATE=1 rewrites the expected files instead of comparing
// (review the difference before committing it).
#include "collector/HostScan.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "collector/testing/BatchRoad.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/report/OMX_Report.h"
#include "wbemkit/cim.h"

namespace collector {

namespace {

namespace fs = std::filesystem;
using testing::BatchRoad;

const std::string kTestData = COLLECTOR_TESTDATA;

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

struct Scan {
    bool ok = false;
    HostBatches batches;
    std::string warnings;  // one line each
};

Scan ScanRoot(const std::string &root) {
    Scan s;
    s.ok = scanHost(
        HostScanOptions{root}, [&](const std::string &w) { s.warnings += w + "\n"; }, s.batches);
    return s;
}

// Full records of a batch (member records carry only "Type" and "Id").
int FullRecords(const std::string &batch) {
    int n = 0;
    std::istringstream lines(batch);
    for (std::string line; std::getline(lines, line);) {
        n += line.find("\",\"", line.find("\",\"") + 1) != std::string::npos ? 1 : 0;
    }
    return n;
}

// Every resource of the database that is out of the report, or that is an
// empty placeholder made for a member record nothing described, one per line.
std::string Unreported(SrmResourceDatabase *db) {
    std::string out;
    SrmResourceList *all = db->getResourceList();
    for (int t = SRM_RES_COMPUTER; t <= SRM_RES_ID; ++t) {
        SrmResourceIdMap *kind = all->getSrmResourceIdMap(static_cast<SrmResourceType>(t));
        for (const auto &entry : kind != nullptr ? *kind : SrmResourceIdMap()) {
            SrmResource *r = entry.second;
            bool placeholder = (t == SRM_RES_VOLUME && static_cast<SrmVolume *>(r)->Name.empty()) ||
                               (t == SRM_RES_DISK && static_cast<SrmDisk *>(r)->Name.empty());
            if (!r->shouldReport() || placeholder) {
                out += std::to_string(t) + " " + r->Id + (placeholder ? " (placeholder)\n" : "\n");
            }
        }
    }
    return out;
}

class RecordedHostTest : public ::testing::TestWithParam<const char *> {
  protected:
    std::string Dir() const { return kTestData + "/" + GetParam(); }
};

TEST_P(RecordedHostTest, BatchesAreTheReviewedFiles) {
    Scan s = ScanRoot(Dir() + "/root");
    ASSERT_TRUE(s.ok) << s.warnings;
    std::string expected = Dir() + "/expected/";
    if (getenv("ULVAR_COLLECTOR_UPDATE") != nullptr) {
        fs::create_directories(expected);
        ASSERT_TRUE(writeHostBatches(s.batches, expected, nullptr));
        std::ofstream(expected + "warnings.txt", std::ios::binary) << s.warnings;
        GTEST_SKIP() << "expected files rewritten";
    }
    for (int k = 0; k < kHostBatchKindCount; ++k) {
        const char *file = hostBatch(static_cast<HostBatchKind>(k)).file;
        EXPECT_EQ(ReadFile(expected + file), s.batches.text[k]) << file;
    }
    EXPECT_EQ(ReadFile(expected + "warnings.txt"), s.warnings);
}

// What the report conversion needs of the batches: every batch accepted, every
// record its own resource, no error record (a disk without a signature or a
// name would file one, and any error stops the report), and nothing taken out
// of the report by resolution or the integrity check (a chunk on an unknown
// disk, a file system or mount point without its volume would be).
TEST_P(RecordedHostTest, BatchesLoadResolveAndPassTheIntegrityCheck) {
    Scan s = ScanRoot(Dir() + "/root");
    ASSERT_TRUE(s.ok) << s.warnings;
    BatchRoad road;
    EXPECT_EQ("", road.addAll(s.batches));
    EXPECT_EQ(0, road.outstanding());

    SrmResourceDatabase *db = road.db();
    for (int k = 0; k < kHostBatchKindCount; ++k) {
        const SrmBatch &batch = hostBatch(static_cast<HostBatchKind>(k));
        EXPECT_EQ(FullRecords(s.batches.text[k]), db->getResourceList()->getTypeCount(batch.kind))
            << batch.file;
    }
    ASSERT_NE(nullptr, db->getThisComputer());

    road.resolve();
    EXPECT_EQ(1, db->checkIntegrity());
    EXPECT_EQ(0, db->getErrorList()->getErrorCount());
    EXPECT_EQ("", Unreported(db));

    // The host report converts whole, with a drive for every disk.
    OMX_Report report;
    ASSERT_EQ(1, report.GenerateCIMReports(db, "host"));
    nmspc_cim::CCIMList *list = report.GetReport();
    int drives = 0;
    for (nmspc_cim::CCIMList *node = list; node != nullptr; node = node->mNext) {
        auto *instance = static_cast<nmspc_cim::CCIMInstance *>(node->mDataObject);
        drives += instance != nullptr && std::string(instance->mClassName) == "Kalora_RM_DiskDrive";
    }
    nmspc_cim::cim_freeInstanceList(list);
    EXPECT_EQ(FullRecords(s.batches[HostBatchKind::Disk]), drives);
}

INSTANTIATE_TEST_SUITE_P(Collector, RecordedHostTest, ::testing::Values("server", "vm"));

// A copy of the recorded server, damaged the ways a live host can be odd.
class DamagedHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("collector-damaged-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::copy(kTestData + "/server/root", dir,
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    void TearDown() override { fs::remove_all(dir); }

    void Write(const std::string &path, const std::string &text) {
        fs::path p = dir / path;
        fs::remove(p);
        std::ofstream(p, std::ios::binary) << text;
    }

    fs::path dir;
};

TEST_F(DamagedHostTest, BadEntriesAreLeftOutWithAWarningAndTheRestLoads) {
    const std::string sdb =
        "sys/devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sdb";
    Write(sdb + "/size", "lots\n");  // garbage: sdb and its partitions go
    Write("sys/devices/pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0/nvme0n1/nvme0n1p1/start",
          "-5\n");
    fs::create_symlink("../devices/pci0000:00/gone/block/sdz", dir / "sys/block/sdz");
    std::string mountinfo = ReadFile((dir / "proc/self/mountinfo").string());
    Write("proc/self/mountinfo", "garbage\n" + mountinfo);
    Write("etc/exports.d/bad.exports", "relative/path *(ro)\n");

    Scan s = ScanRoot(dir.string());
    ASSERT_TRUE(s.ok) << s.warnings;
    for (const char *expected :
         {"sdb: no readable size; device left out", "nvme0n1p1: partition of nvme0n1",
          "sdz: device vanished", "mountinfo:1: line cannot be parsed",
          "bad.exports:1: export path \"relative/path\" is not absolute",
          "/dev/md0: member sdb2 is no disk"}) {
        EXPECT_NE(std::string::npos, s.warnings.find(expected)) << expected << "\n" << s.warnings;
    }
    EXPECT_EQ(std::string::npos, s.batches[HostBatchKind::Disk].find("Name=sdb"));
    EXPECT_EQ(std::string::npos, s.batches[HostBatchKind::FileSystem].find("/boot/efi"));

    BatchRoad road;
    EXPECT_EQ("", road.addAll(s.batches));
    road.resolve();
    EXPECT_EQ(1, road.db()->checkIntegrity());
    EXPECT_EQ(0, road.db()->getErrorList()->getErrorCount());
    EXPECT_EQ("", Unreported(road.db()));
}

TEST(HostScanTest, MissingRootIsAFailureWithAWarning) {
    Scan s = ScanRoot(kTestData + "/no-such-host");
    EXPECT_FALSE(s.ok);
    EXPECT_NE(std::string::npos, s.warnings.find("no such folder"));
}

}  // namespace

}  // namespace collector
