// Whole conversions of a host and a cluster database, checked against the
// report they must give; conversions that fail at each step; and volume
// hierarchies deeper than any stack.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/report/RM_CIM_Report.h"
#include "inventory/testing/CountingResource.h"
#include "inventory/testing/FailingAllocation.h"
#include "inventory/testing/ReportTesting.h"
#include "util/testing/TesselTestSupport.h"

namespace {

using tessel::testing::LogTail;
using ulvar::testing::Dump;
using ulvar::testing::ListHolder;
using ulvar::testing::TakeResults;

constexpr const char *kJob = "generator-job";
// The length of a log format past 20 characters: its message is not padded.
constexpr size_t kLongFormat = 21;

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

template <typename T>
T *Find(SrmResourceDatabase &db, SrmResourceType t, const std::string &id) {
    T *found = dynamic_cast<T *>(db.findResource(t, id));
    EXPECT_NE(nullptr, found) << id;
    return found;
}

// The sample databases, with what their records cannot say set by hand.
std::unique_ptr<SrmResourceDatabase> HostDatabase() {
    auto db = ulvar::testing::LoadDatabase(ReadFile(ULVAR_REPORT_TESTDATA "/host.srdb"));
    if (db) {
        Find<SrmDisk>(*db, SRM_RES_DISK, "disk-gone")->setReport(false);
        Find<SrmFileSystem>(*db, SRM_RES_FILESYSTEM, "fs-1")->ReservedSpaceKB = -1;
        Find<SrmVolume>(*db, SRM_RES_VOLUME, "odd")->VolumeManager = "7";
    }
    return db;
}

std::unique_ptr<SrmResourceDatabase> ClusterDatabase() {
    auto db = ulvar::testing::LoadDatabase(ReadFile(ULVAR_REPORT_TESTDATA "/cluster.srdb"));
    if (db) {
        Find<SrmVirtualServer>(*db, SRM_RES_VIRTUALSERVER, "vs-off")->setVirtualReport(false);
    }
    return db;
}

class ReportGeneratorTest : public tessel::testing::TesselLogTest {
  protected:
    void SetUp() override {
        tessel::testing::TesselLogTest::SetUp();
        tessel::testing::ResetRegistry();
    }
    void TearDown() override {
        tessel::testing::ResetRegistry();
        tessel::testing::TesselLogTest::TearDown();
    }

    // The report and the job's results as one text, compared with the file
    // testdata/<name>.report (rewritten instead when ULVAR_UPDATE_GOLDEN is set).
    void ExpectReport(SrmResourceDatabase *db, const char *type, const std::string &name) {
        ASSERT_NE(nullptr, db);
        OMX_Report report;
        report.setJobId(kJob);
        ASSERT_EQ(1, report.GenerateCIMReports(db, type));
        ListHolder list(report.GetReport());
        std::string actual = Dump(list.list) + "results:\n";
        for (const std::string &result : TakeResults(kJob)) {
            actual += "  " + result + "\n";
        }
        std::string path = std::string(ULVAR_REPORT_TESTDATA "/") + name + ".report";
        if (getenv("ULVAR_UPDATE_GOLDEN") != nullptr) {
            std::ofstream(path, std::ios::binary) << actual;
        }
        EXPECT_EQ(ReadFile(path), actual);
    }
};

TEST_F(ReportGeneratorTest, HostReport) {
    ExpectReport(HostDatabase().get(), "host", "host");
}

TEST_F(ReportGeneratorTest, ClusterReport) {
    ExpectReport(ClusterDatabase().get(), "cluster", "cluster");
}

// Under the leak checker: a second conversion into the same report files
// every name again; what the maps do not keep (all but the newer computer
// systems, every association) is freed, and only the shares, which go to the
// list at once, come twice.
TEST_F(ReportGeneratorTest, ConvertingTwiceFreesWhatIsNotKept) {
    auto db = HostDatabase();
    ASSERT_NE(nullptr, db);
    OMX_Report once;
    ASSERT_EQ(1, once.GenerateCIMReports(db.get(), "host"));
    ListHolder single(once.GetReport());

    OMX_Report twice;
    ASSERT_EQ(1, twice.GenerateCIMReports(db.get(), "host"));
    ASSERT_EQ(1, twice.GenerateCIMReports(db.get(), "host"));
    ListHolder doubled(twice.GetReport());
    const size_t kShares = 2;
    EXPECT_EQ(ulvar::testing::Instances(single.list).size() + kShares,
              ulvar::testing::Instances(doubled.list).size());
    TakeResults("");
}

// Conversions that the data makes fail: the generator's own line, the step's
// line, and the results that tell why and where.
TEST_F(ReportGeneratorTest, DataThatFailsAStepIsNamed) {
    ulvar::testing::CountingResourceLog counted;
    const std::string notFound = " / OMXID of the ciminstance trying to find.)";
    const struct {
        const char *type;
        const char *clusterName;
        std::function<void(SrmResourceDatabase &)> spoil;
        std::string why;  // a line of the generator, after "<function>: "
        std::string result;
        const char *failedLine;
        const char *failurePoint;
    } kCases[] = {
        {"host", nullptr,
         [](SrmResourceDatabase &db) {
             db.getThisComputer();  // the database keeps the name it found
             Find<SrmComputer>(db, SRM_RES_COMPUTER, "host-a")->HostName = "renamed";
         },
         LogTail("Get_System_Instances", "ALERT",
                 "The rdb's computer is 'host-a.example'. None of the Computers in the rdb match "
                 "this name. This condition means that the rdb is in a erroneous state.",
                 kLongFormat),
         "F_INVALID_COMPUTER_NAME (host-a.example / RDB's Computer Name)",
         "Get_System_Instances FAILED", "Get_System_Instances"},
        {"cluster", "harbor-cluster", [](SrmResourceDatabase &) {},
         LogTail("Get_Cluster_Instances", "ALERT",
                 "ERROR!!! Unsupported cluster - harbor-cluster. Failing scan", kLongFormat),
         "F_UNSUPPORTED_CLUSTER (harbor-cluster / Cluster Type)", "Get_Cluster_Instances FAILED",
         "Get_Cluster_Instances"},
        {"host", nullptr,
         [](SrmResourceDatabase &db) {
             db.findResource(SRM_RES_DISKCHUNK, "sdb2")->setReport(false);
         },
         "", "W_CIMINSTANCE_NOT_FOUND (sdb2" + notFound, "Get_Volumes_Instances FAILED",
         "Get_Volumes_Instances"},
        {"host", nullptr,
         [](SrmResourceDatabase &db) {
             Find<SrmVolumeGroup>(db, SRM_RES_VOLUMEGROUP, "vg")->VolumeManager.clear();
         },
         LogTail("Get_DiskGroup_Instances", "ALERT", "Volume belongs to unknown Volumes Manager."),
         "", "Get_DiskGroup_Instances FAILED", "Get_DiskGroup_Instances"},
        {"host", nullptr,
         [](SrmResourceDatabase &db) {
             Find<SrmFileSystem>(db, SRM_RES_FILESYSTEM, "fs-2")->Volume = "gone";
         },
         "", "W_CIMINSTANCE_NOT_FOUND (gone" + notFound, "Get_FileSystem_Instances",
         "Get_FileSystem_Instances"},
        {"cluster", nullptr,
         [&counted](SrmResourceDatabase &db) {
             auto *stranger =
                 new ulvar::testing::CountingResource(&counted, SRM_RES_VIRTUALSERVER, "vs-x");
             db.findServiceGroup("sg-db")->addResource(stranger);
             stranger->Release();
         },
         "", "", "Get_ServiceGroup_Instances FAILED", "Get_ServiceGroup_Instances"},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.failedLine);
        std::string records = ReadFile(ULVAR_REPORT_TESTDATA "/" + std::string(c.type) + ".srdb");
        if (c.clusterName != nullptr) {
            records.replace(records.find("VornCluster"), 11, c.clusterName);
        }
        auto db = ulvar::testing::LoadDatabase(records);
        ASSERT_NE(nullptr, db);
        c.spoil(*db);
        std::string marker = log.UniqueMarker("case");
        prv_log(6, "test", "case", "%s", marker.c_str());
        OMX_Report report;
        report.setJobId(kJob);
        EXPECT_EQ(0, report.GenerateCIMReports(db.get(), c.type));

        std::vector<std::string> tails =
            TailsOf({"GenerateCIMReports", "Get_System_Instances", "Get_Cluster_Instances",
                     "Get_DiskGroup_Instances", "case"});
        tails.erase(tails.begin(),
                    std::find_if(tails.begin(), tails.end(), [&](const std::string &t) {
                        return t.find(marker) != std::string::npos;
                    }));
        ASSERT_FALSE(tails.empty());
        EXPECT_EQ(LogTail("GenerateCIMReports", "ALERT", c.failedLine), tails.back());
        if (!c.why.empty()) {
            EXPECT_THAT(tails, ::testing::Contains(c.why));
        }
        std::vector<std::string> results = TakeResults(kJob);
        EXPECT_THAT(results, ::testing::Contains("F_REPORT_CONV_FAILURE (" +
                                                 std::string(c.failurePoint) + " / FailurePoint)"));
        if (!c.result.empty()) {
            EXPECT_THAT(results, ::testing::Contains(c.result));
        }
    }
}

// Every builder of a whole conversion fails in turn (as when memory runs out):
// each failure is named, and under the leak checker every instance made
// before it is freed, whether the failed report is handed over or not.
TEST_F(ReportGeneratorTest, ConversionFailingAtAnyBuilderFreesWhatItMade) {
    const std::set<std::string> kCommon = {
        "Get_Alias_Instances",   "Get_Disk_Instances",      "Get_DiskPartition_Instances",
        "Get_Volumes_Instances", "Get_DiskGroup_Instances", "Get_FileSystem_Instances",
        "Get_Shares_Instances"};
    const struct {
        const char *type;
        std::unique_ptr<SrmResourceDatabase> (*load)();
        std::set<std::string> onlyHere;
    } kDatabases[] = {
        {"host", HostDatabase, {"Get_System_Instances"}},
        {"cluster",
         ClusterDatabase,
         {"Get_Cluster_Instances", "Get_VirtualServer_Instances", "CreateClusterNodeReport",
          "Get_ServiceGroup_Instances"}},
    };
    const std::string prefix = "F_REPORT_CONV_FAILURE (";
    for (const auto &d : kDatabases) {
        std::set<std::string> named;
        for (int nth = 1; nth < 1000; ++nth) {
            auto db = d.load();
            ASSERT_NE(nullptr, db);
            OMX_Report report;
            report.setJobId(kJob);
            int done;
            {
                ulvar::testing::ScopedAllocationFailure failure(sizeof(RM_CIM_Report), nth);
                done = report.GenerateCIMReports(db.get(), d.type);
            }
            for (const std::string &result : TakeResults(kJob)) {
                if (result.compare(0, prefix.size(), prefix) == 0) {
                    named.insert(result.substr(prefix.size(), result.find(" / ") - prefix.size()));
                }
            }
            if (done != 0) {
                break;
            }
            if (nth % 2 == 0) {
                ListHolder handed(report.GetReport());
            }
        }
        std::set<std::string> expected = kCommon;
        expected.insert(d.onlyHere.begin(), d.onlyHere.end());
        EXPECT_EQ(expected, named) << d.type;
    }
}

// Deep enough that one stack frame per level would not survive; smaller under
// the address sanitizer, whose frames are many times dearer.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kDepth = 20000;
#else
constexpr int kDepth = 300000;
#endif

TEST(ReportVolumeDepthTest, ChunksOfAnyDepthAreCollectedWithoutRecursion) {
    auto idAt = [](const char *prefix, int level) {
        char id[24];
        snprintf(id, sizeof id, "%s%07d", prefix, level);
        return std::string(id);
    };
    // Linked parents first, each volume with a chunk of its own.
    auto *top = new SrmVolume(idAt("v", 0));
    SrmVolume *bottom = top;
    for (int level = 0; level < kDepth; ++level) {
        if (level > 0) {
            auto *v = new SrmVolume(idAt("v", level));
            bottom->addSubVolume(v);
            v->Release();
            bottom = v;
        }
        auto *chunk = new SrmDiskChunk(idAt("c", level));
        bottom->addDiskChunk(chunk);
        chunk->Release();
    }
    OMX_Report report;
    EXPECT_EQ(1, report.CollectDiskChunks(top));
    EXPECT_EQ(static_cast<size_t>(kDepth), report.getChunkIds().size());

    // A list made to loop by hand ends the walk as well.
    bottom->getSubVolumeList()->addResource(top);
    EXPECT_EQ(1, report.CollectDiskChunks(bottom));
    EXPECT_EQ(static_cast<size_t>(kDepth), report.getChunkIds().size());
    bottom->getSubVolumeList()->removeResource(SRM_RES_VOLUME, top->Id);
    top->Release();
}

}  // namespace
