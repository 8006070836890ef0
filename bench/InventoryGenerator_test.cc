#include "bench/InventoryGenerator.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/InventoryLoader.h"
#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/testing/ReportTesting.h"

namespace {

const SrmResourceType kKinds[] = {
    SRM_RES_COMPUTER,   SRM_RES_DISK,          SRM_RES_VOLUME,      SRM_RES_FILESYSTEM,
    SRM_RES_MOUNTPOINT, SRM_RES_VIRTUALSERVER, SRM_RES_VOLUMEGROUP, SRM_RES_VOLUMEMANAGER,
    SRM_RES_DISKCHUNK,  SRM_RES_SHARE,         SRM_RES_ID};

class InventoryGeneratorTest : public ::testing::Test {
  protected:
    // The inventory loaded batch by batch through the add methods; every batch
    // must succeed.
    std::unique_ptr<SrmResourceDatabase> Load(const InventoryGenerator &gen) {
        std::unique_ptr<SrmResourceDatabase> db(new SrmResourceDatabase());
        EXPECT_EQ(gen.shape().nodes > 1 ? 1 : 0, gen.addClusterHeader(db.get()));
        gen.forEachBatch([&](SrmResourceType kind, const std::string &text) {
            EXPECT_EQ(kSrmBatchOk, loadInventoryBatch(db.get(), kind, text)) << "kind " << kind;
        });
        gen.addServiceGroups(db.get());
        return db;
    }
    static InventoryShape Shape(long disks, int nodes, int batchRecords = 7) {
        InventoryShape shape;
        shape.disks = disks;
        shape.nodes = nodes;
        shape.batchRecords = batchRecords;
        return shape;
    }
    template <typename T>
    static T *Find(SrmResourceDatabase &db, SrmResourceType t, const std::string &id) {
        return static_cast<T *>(db.findResource(t, id));
    }
};

// A reference the database cannot resolve makes a reader create a placeholder
// or drop a member, so exact counts per kind show that every record named what
// the generator meant; small odd sizes hit the edges of parents and groups, and
// short batches split containers from their member records.
TEST_F(InventoryGeneratorTest, LoadedDatabaseHoldsExactlyThePlannedResourcesPerKind) {
    for (int nodes : {1, 3}) {
        for (long disks : {1L, 2L, 3L, 9L, 10L, 17L, 40L}) {
            InventoryGenerator gen(Shape(disks, nodes));
            std::unique_ptr<SrmResourceDatabase> db = Load(gen);
            SCOPED_TRACE("disks " + std::to_string(disks) + ", nodes " + std::to_string(nodes));
            for (SrmResourceType kind : kKinds) {
                EXPECT_EQ(gen.counts().of(kind), db->getResourceList()->getTypeCount(kind))
                    << "kind " << kind;
            }
            EXPECT_EQ(gen.counts().resources(), db->getResourceCount());
            EXPECT_EQ(gen.counts().serviceGroups, static_cast<long>(db->getServiceGroups().size()));
            EXPECT_EQ(nodes, db->getComputerList()->getTypeCount(SRM_RES_COMPUTER));
        }
    }
}

TEST_F(InventoryGeneratorTest, VolumesAreBuiltFromTheirChunksAndSubVolumes) {
    InventoryGenerator gen(Shape(20, 1));
    std::unique_ptr<SrmResourceDatabase> db = Load(gen);
    for (long i = 0; i < 20; ++i) {
        auto *v = Find<SrmVolume>(*db, SRM_RES_VOLUME, InventoryGenerator::volumeId(i));
        ASSERT_NE(nullptr, v);
        SrmResourceIdMap *chunks = v->getDiskChunkList()->getSrmResourceIdMap(SRM_RES_DISKCHUNK);
        ASSERT_NE(nullptr, chunks);
        ASSERT_EQ(2u, chunks->size()) << v->Id;
        EXPECT_EQ(1u, chunks->count(InventoryGenerator::chunkId(i, 0)));
        EXPECT_EQ(1u, chunks->count(InventoryGenerator::chunkId((i + 1) % 20, 1)));
        // Chunks name their disk by its global id, which the resolution follows.
        auto *c = static_cast<SrmDiskChunk *>(chunks->begin()->second);
        EXPECT_NE(nullptr, db->findResource(SRM_RES_DISK, c->Disk));
        EXPECT_EQ(i % 8 <= 1 ? SRM_HIER_SUBVOLUME : SRM_HIER_STANDALONE, v->HierType) << v->Id;
    }
    for (long k = 0; k < 3; ++k) {
        auto *p = Find<SrmVolume>(*db, SRM_RES_VOLUME, InventoryGenerator::parentVolumeId(k));
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(SRM_HIER_HAS_SUBVOLUMES, p->HierType);
        EXPECT_EQ(2, p->getSubVolumeList()->getTypeCount(SRM_RES_VOLUME));
        EXPECT_NE(nullptr, p->getSubVolumeList()->findResource(
                               SRM_RES_VOLUME, InventoryGenerator::volumeId(8 * k + 1)));
    }
}

TEST_F(InventoryGeneratorTest, SecondPathToADiskMergesIntoTheFirst) {
    InventoryGenerator gen(Shape(20, 1));
    std::unique_ptr<SrmResourceDatabase> db = Load(gen);
    auto *merged = Find<SrmDisk>(*db, SRM_RES_DISK, InventoryGenerator::diskId(13));
    ASSERT_NE(nullptr, merged);
    EXPECT_EQ(2, merged->Status);
    EXPECT_EQ("online, second path", merged->StatusDesc);
    EXPECT_EQ(InventoryGenerator::diskLocalId(13), merged->Name);
    auto *single = Find<SrmDisk>(*db, SRM_RES_DISK, InventoryGenerator::diskId(12));
    ASSERT_NE(nullptr, single);
    EXPECT_EQ(1, single->Status);
}

// Half of a group's disks are named by local id, which the database maps to
// the global one; the groups join the node they name.
TEST_F(InventoryGeneratorTest, VolumeGroupsHoldTheirDisksAndTopVolumesOnTheirNode) {
    InventoryGenerator gen(Shape(40, 2));
    std::unique_ptr<SrmResourceDatabase> db = Load(gen);
    auto *g0 = Find<SrmVolumeGroup>(*db, SRM_RES_VOLUMEGROUP, InventoryGenerator::volumeGroupId(0));
    auto *g2 = Find<SrmVolumeGroup>(*db, SRM_RES_VOLUMEGROUP, InventoryGenerator::volumeGroupId(2));
    ASSERT_NE(nullptr, g0);
    ASSERT_NE(nullptr, g2);
    EXPECT_EQ(16, g0->getDiskList()->getTypeCount(SRM_RES_DISK));
    EXPECT_NE(nullptr,
              g0->getDiskList()->findResource(SRM_RES_DISK, InventoryGenerator::diskId(1)));
    // Disks 0..15: leaves 2..7 and 10..15 plus parents 0 and 1.
    EXPECT_EQ(14, g0->getVolumeList()->getTypeCount(SRM_RES_VOLUME));
    EXPECT_EQ(8, g2->getDiskList()->getTypeCount(SRM_RES_DISK));
    auto *node0 = Find<SrmComputer>(*db, SRM_RES_COMPUTER, gen.nodeId(0));
    ASSERT_NE(nullptr, node0);
    EXPECT_EQ(2, node0->getResourceList()->getTypeCount(SRM_RES_VOLUMEGROUP));
}

TEST_F(InventoryGeneratorTest, ClusterGroupsChainFourAtATime) {
    InventoryGenerator gen(Shape(100, 2));
    std::unique_ptr<SrmResourceDatabase> db = Load(gen);
    ASSERT_EQ(7u, db->getServiceGroups().size());
    SrmServiceGroup *sg5 = db->findServiceGroup(InventoryGenerator::serviceGroupName(5));
    ASSERT_NE(nullptr, sg5);
    SrmResourceList *members = sg5->getResourceList();
    EXPECT_EQ(1, members->getTypeCount(SRM_RES_VOLUMEGROUP));
    EXPECT_EQ(1, members->getTypeCount(SRM_RES_VIRTUALSERVER));
    EXPECT_EQ(1, members->getTypeCount(SRM_RES_COMPUTER));
    EXPECT_EQ(db->findServiceGroup(InventoryGenerator::serviceGroupName(6)),
              sg5->getNextServiceGroup());
    EXPECT_EQ(nullptr,
              db->findServiceGroup(InventoryGenerator::serviceGroupName(3))->getNextServiceGroup());
}

TEST_F(InventoryGeneratorTest, ShapeForLandsWithinOnePercentOfTheTarget) {
    for (bool cluster : {false, true}) {
        for (long target : {10000L, 100000L, 1000000L}) {
            InventoryShape shape = InventoryGenerator::shapeFor(target, cluster);
            long got = InventoryGenerator(shape).counts().resources();
            EXPECT_NEAR(static_cast<double>(target), static_cast<double>(got), target * 0.01);
            EXPECT_EQ(cluster ? 2 : 1, shape.nodes);
        }
    }
    EXPECT_EQ(1, InventoryGenerator::shapeFor(0, false).disks);
}

// The benchmark times real reports: the resolved inventory, written and loaded
// as the provider gets it, converts whole, every share linked to its file
// system and no lookup missing, as a host and as a cluster of its product.
TEST_F(InventoryGeneratorTest, LoadedInventoryConvertsIntoAWholeReport) {
    for (int nodes : {1, 2}) {
        InventoryGenerator gen(Shape(40, nodes));
        std::unique_ptr<SrmResourceDatabase> built = Load(gen);
        built->resolveDatabase();
        EXPECT_EQ(0, built->getErrorList()->getErrorCount());
        ulvar::testing::ScopedFd file(ulvar::testing::FileWith(""));
        ASSERT_EQ(1, built->serialize(file.get(), 0));
        ASSERT_EQ(0, lseek(file.get(), 0, SEEK_SET));
        SrmResourceDatabase loaded;
        ASSERT_EQ(1, loaded.deserialize(file.get(), nullptr));

        OMX_Report report;
        report.setJobId("generated-inventory");
        ASSERT_EQ(1, report.GenerateCIMReports(&loaded, nodes > 1 ? "cluster" : "host"));
        ulvar::testing::ListHolder list(report.GetReport());
        int shares = 0;
        int sharedElements = 0;
        for (nmspc_cim::CCIMInstance *inst : ulvar::testing::Instances(list.list)) {
            shares += std::string(inst->mClassName) == "Kalora_RM_FileShare";
            sharedElements += std::string(inst->mClassName) == "CIM_SharedElement";
        }
        EXPECT_EQ(gen.counts().shares, shares);
        EXPECT_EQ(gen.counts().shares, sharedElements);
        // Only lookups of sub-volumes miss: a cluster's service groups take in
        // every volume on their disks, the legs of a parent included, and a
        // leg has no instance of its own.
        for (const std::string &result : ulvar::testing::TakeResults("generated-inventory")) {
            const std::string prefix = "W_CIMINSTANCE_NOT_FOUND (";
            ASSERT_EQ(0u, result.find(prefix)) << result;
            std::string id =
                result.substr(prefix.size(), result.find(' ', prefix.size()) - prefix.size());
            auto *v = static_cast<SrmVolume *>(loaded.findResource(SRM_RES_VOLUME, id));
            ASSERT_NE(nullptr, v) << result;
            EXPECT_EQ(SRM_HIER_SUBVOLUME, v->HierType) << result;
        }
    }
}

}  // namespace
