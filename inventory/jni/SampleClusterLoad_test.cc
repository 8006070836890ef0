// The sample cluster under examples/cluster, loaded the way a CIM provider
// loads a database file, written back, and converted as a cluster report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "inventory/cimxml/cimxml.h"
#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/testing/CimXml.h"
#include "inventory/testing/SampleHost.h"
#include "tessel/Tessel.h"

namespace {

const char kClusterFile[] = ULVAR_EXAMPLES_DIR "/cluster/cluster.srdb";

class SampleClusterLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        int fd = open(kClusterFile, O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0) << kClusterFile;
        loaded = db.deserialize(fd, nullptr);
        close(fd);
        std::string message;
        db.getLastErrorInfo(nullptr, message, nullptr);
        ASSERT_EQ(1, loaded) << message;
    }

    int Count(SrmResourceType t) { return db.getResourceList()->getTypeCount(t); }
    static int Count(SrmResourceList *list, SrmResourceType t) {
        return list == nullptr ? -1 : list->getTypeCount(t);
    }

    SrmResourceDatabase db;
    int loaded = 0;
};

TEST_F(SampleClusterLoadTest, EveryResourceOfBothNodesIsLoaded) {
    EXPECT_EQ(19, db.getResourceCount());
    EXPECT_EQ(2, Count(SRM_RES_DISK));
    EXPECT_EQ(2, Count(SRM_RES_DISKCHUNK));
    EXPECT_EQ(1, Count(SRM_RES_VOLUMEMANAGER));
    EXPECT_EQ(2, Count(SRM_RES_VOLUME));
    EXPECT_EQ(2, Count(SRM_RES_FILESYSTEM));
    EXPECT_EQ(2, Count(SRM_RES_MOUNTPOINT));
    EXPECT_EQ(2, Count(SRM_RES_SHARE));
    EXPECT_EQ(2, Count(SRM_RES_VIRTUALSERVER));
    EXPECT_EQ(1, Count(SRM_RES_VOLUMEGROUP));
    EXPECT_EQ(1, Count(SRM_RES_ID));
    EXPECT_EQ(2, Count(SRM_RES_COMPUTER));
    EXPECT_EQ(0, db.getErrorList()->getErrorCount());

    // Each node holds all sixteen shared resources and both groups.
    for (const char *node : {"node-a", "node-b"}) {
        auto *c = static_cast<SrmComputer *>(db.findResource(SRM_RES_COMPUTER, node));
        ASSERT_NE(nullptr, c) << node;
        SrmResourceList *held = c->getResourceList();
        EXPECT_EQ(2, Count(held, SRM_RES_DISK)) << node;
        EXPECT_EQ(2, Count(held, SRM_RES_VIRTUALSERVER)) << node;
        EXPECT_EQ(1, Count(held, SRM_RES_VOLUMEGROUP)) << node;
        EXPECT_EQ(2u, c->getServiceGroupMap().size()) << node;
    }
}

TEST_F(SampleClusterLoadTest, LoadedNodesAreTheClusterNodesAndTheirDisksStayReported) {
    // Loaded computers join the computer list as batch-added ones do.
    EXPECT_EQ(2, Count(db.getComputerList(), SRM_RES_COMPUTER));
    EXPECT_EQ("192.0.2.11", db.getLowestLLTNodeIp());
    // Both shared disks carry signatures and names: resolution keeps them.
    db.resolveDatabase();
    EXPECT_EQ(0, db.getErrorList()->getErrorCount());
    EXPECT_EQ(1, db.findResource(SRM_RES_DISK, "disk-lun-0001")->shouldReport());
}

TEST_F(SampleClusterLoadTest, ServiceGroupsHoldTheirMembersAndTheChildLink) {
    ASSERT_EQ(2u, db.getServiceGroups().size());
    SrmServiceGroup *dbGroup = db.findServiceGroup("sg-db");
    SrmServiceGroup *web = db.findServiceGroup("sg-web");
    ASSERT_NE(nullptr, dbGroup);
    ASSERT_NE(nullptr, web);
    EXPECT_EQ(dbGroup, web->getNextServiceGroup());
    EXPECT_EQ(nullptr, dbGroup->getNextServiceGroup());

    SrmResourceList *members = dbGroup->getResourceList();
    EXPECT_EQ(1, Count(members, SRM_RES_DISK));
    EXPECT_EQ(1, Count(members, SRM_RES_VOLUME));
    EXPECT_EQ(2, Count(members, SRM_RES_COMPUTER));
    EXPECT_EQ(1, Count(members, SRM_RES_VIRTUALSERVER));
    EXPECT_NE(nullptr, members->findResource(SRM_RES_SHARE, "share-db-dumps"));
    members = web->getResourceList();
    EXPECT_EQ(1, Count(members, SRM_RES_VOLUMEGROUP));
    EXPECT_NE(nullptr, members->findResource(SRM_RES_VIRTUALSERVER, "vs-web"));
}

TEST_F(SampleClusterLoadTest, VirtualServersNodesAndTheAliasKeepTheirValues) {
    auto *vs = static_cast<SrmVirtualServer *>(db.findResource(SRM_RES_VIRTUALSERVER, "vs-db"));
    ASSERT_NE(nullptr, vs);
    EXPECT_EQ("harbor-db.example.net", vs->HostName);
    EXPECT_EQ("192.0.2.41,192.0.2.42", vs->IPAddr);
    auto *node = static_cast<SrmComputer *>(db.findResource(SRM_RES_COMPUTER, "node-b"));
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(1, node->LLTId);
    EXPECT_EQ("192.0.2.12", node->IPAddr);
    auto *alias = static_cast<SrmId *>(db.findResource(SRM_RES_ID, "harbor"));
    ASSERT_NE(nullptr, alias);
    EXPECT_EQ("harbor-cluster", alias->PrimaryId);
    EXPECT_EQ("ClusterAlias", alias->IdType);
}

// Written back, the file is the same except for what the loader is known to
// drop: a virtual server's "ServiceGroup", because groups are read after it.
TEST_F(SampleClusterLoadTest, WritingTheLoadedClusterGivesTheFileBack) {
    std::ifstream in(kClusterFile, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    std::string expected = std::regex_replace(
        all.str(), std::regex("(\"Type=VirtualServer\",[^\n]*)\"ServiceGroup=[^\"]*\","), "$1");

    FILE *file = tmpfile();
    ASSERT_NE(nullptr, file);
    int written = db.serialize(fileno(file), 0);
    std::string out;
    char chunk[4096];
    ssize_t n;
    lseek(fileno(file), 0, SEEK_SET);
    while ((n = read(fileno(file), chunk, sizeof chunk)) > 0) {
        out.append(chunk, static_cast<size_t>(n));
    }
    fclose(file);
    EXPECT_EQ(1, written);
    EXPECT_EQ(expected, out);
}

// The provider road: the loaded cluster converted as a cluster report and
// written as a whole ExecQuery response is the checked-in document, reviewed
// by hand against the file.
TEST_F(SampleClusterLoadTest, ClusterReportIsTheCheckedInDocument) {
    OMX_Report report;
    report.setJobId("sample-cluster-report");
    ASSERT_EQ(1, report.GenerateCIMReports(&db, "cluster"));
    ulvar::testing::InstanceList list(report.GetReport());
    ulvar::testing::Buffer buffer(sbufCreate(8192));
    ASSERT_EQ(0, marshallExecQueryResults(buffer.get(), list.get(), "1"));
    const std::string expected =
        ulvar::testing::withThisHost(ulvar::testing::ExampleText("cluster/cluster.report.xml"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected, ulvar::testing::text(buffer.get()));
    Tessel::deleteInstance(Tessel::getInstance("sample-cluster-report"));
}

TEST(SampleClusterReportTest, CheckedInDocumentIsValidCimXml) {
    SKIP_WITHOUT_DTD();
    const std::string document = ulvar::testing::ExampleText("cluster/cluster.report.xml");
    ASSERT_FALSE(document.empty());
    EXPECT_EQ("", ulvar::testing::dtdProblems(document));
}

}  // namespace
