#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"

namespace {

class SrmIntegrityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto *c = new SrmComputer("node1");
        db.addComputer(c, 1);
        c->Release();
    }
    // A new resource of kind T held by the database (and only by it).
    template <typename T>
    T *Add(const std::string &id) {
        T *r = new T(id);
        db.addResource(r);
        r->Release();
        return r;
    }
    // A new resource of kind T held by nothing but `hold`, which takes its
    // reference.
    template <typename T, typename Hold>
    T *Outside(const std::string &id, Hold hold) {
        T *r = new T(id);
        hold(r);
        r->Release();
        return r;
    }
    SrmServiceGroup *Group(const std::string &name) {
        auto *g = new SrmServiceGroup(name);
        db.addServiceGroup(g);
        g->Release();
        return g;
    }
    std::vector<std::string> Errors() {
        std::vector<std::string> texts;
        if (const SrmErrorIdList *list = db.getErrorList()->getSrmErrorIdMap("node1")) {
            for (const SrmError *e : *list) {
                texts.push_back(e->ErrorDesc);
                EXPECT_EQ(22, e->Ecode);
                EXPECT_EQ(2, e->Sev);
            }
        }
        return texts;
    }
    std::string LastError(SrmResource **r = nullptr) {
        int code = 0;
        std::string message;
        db.getLastErrorInfo(&code, message, r);
        EXPECT_TRUE(message.empty() || code == 22) << code;
        return message;
    }

    SrmResourceDatabase db;
};

TEST_F(SrmIntegrityTest, DatabaseWithoutStorageOrGroupsPassesUnchanged) {
    EXPECT_EQ(1, db.checkIntegrity());
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ("", LastError());
}

TEST_F(SrmIntegrityTest, VolumeGroupMembersTheDatabaseLacksLeaveTheReport) {
    SrmVolumeGroup *g = Add<SrmVolumeGroup>("dg");
    SrmDisk *held = Add<SrmDisk>("d1");
    g->addDisk(held);
    SrmDisk *missing = Outside<SrmDisk>("d0", [g](SrmDisk *d) { g->addDisk(d); });
    SrmVolume *own = Add<SrmVolume>("v1");
    // Same Id as the database's volume, but another object: found by Id, still
    // not the database's volume.
    SrmVolume *twin = Outside<SrmVolume>("v1", [g](SrmVolume *v) { g->addVolume(v); });
    SrmVolume *gone = Outside<SrmVolume>("v2", [g](SrmVolume *v) { g->addVolume(v); });

    EXPECT_EQ(1, db.checkIntegrity());

    EXPECT_EQ(std::vector<std::string>({"Volume Group Disk not found: d0",
                                        "Volume Group Volume not found: v1",
                                        "Volume Group Volume not found: v2"}),
              Errors());
    SrmResource *concerned = nullptr;
    EXPECT_EQ("Volume Group Volume not found: v2", LastError(&concerned));
    EXPECT_EQ(gone, concerned);
    EXPECT_EQ(0, missing->shouldReport());
    EXPECT_EQ(0, twin->shouldReport());
    EXPECT_EQ(0, gone->shouldReport());
    EXPECT_EQ(1, held->shouldReport());
    EXPECT_EQ(1, own->shouldReport());
    EXPECT_EQ(1, g->shouldReport());
}

TEST_F(SrmIntegrityTest, TwoVolumeGroupsListingOneMissingDiskRecordItTwice) {
    SrmDisk *missing = Outside<SrmDisk>("d0", [this](SrmDisk *d) {
        Add<SrmVolumeGroup>("dg1")->addDisk(d);
        Add<SrmVolumeGroup>("dg2")->addDisk(d);
    });

    EXPECT_EQ(1, db.checkIntegrity());

    EXPECT_EQ(std::vector<std::string>(2, "Volume Group Disk not found: d0"), Errors());
    EXPECT_EQ(0, missing->shouldReport());
}

TEST_F(SrmIntegrityTest, UnreportedOrDisklessVolumeGroupsAreNotExamined) {
    SrmVolumeGroup *unreported = Add<SrmVolumeGroup>("dg1");
    unreported->setReport(false);
    Outside<SrmDisk>("d0", [unreported](SrmDisk *d) { unreported->addDisk(d); });
    SrmVolumeGroup *diskless = Add<SrmVolumeGroup>("dg2");
    Outside<SrmVolume>("v0", [diskless](SrmVolume *v) { diskless->addVolume(v); });

    EXPECT_EQ(1, db.checkIntegrity());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(SrmIntegrityTest, ChunkOnMissingDiskLeavesTheReportAndItsVolumeStays) {
    Add<SrmDisk>("d1");
    SrmVolume *v = Add<SrmVolume>("v1");
    auto chunkOn = [v](const std::string &id, const std::string &disk) {
        auto *c = new SrmDiskChunk(id);
        c->Disk = disk;
        v->addDiskChunk(c);
        c->Release();
        return c;
    };
    SrmDiskChunk *good = chunkOn("c1", "d1");
    SrmDiskChunk *bad = chunkOn("c2", "d9");
    SrmVolume *unreported = Add<SrmVolume>("v2");
    unreported->setReport(false);
    auto *ignored = new SrmDiskChunk("c3");
    unreported->addDiskChunk(ignored);
    ignored->Release();

    EXPECT_EQ(1, db.checkIntegrity());

    EXPECT_EQ(std::vector<std::string>({"Disk Chunk Disk not found: c2"}), Errors());
    EXPECT_EQ(0, bad->shouldReport());
    EXPECT_EQ(1, good->shouldReport());
    EXPECT_EQ(1, v->shouldReport());
    EXPECT_EQ(1, ignored->shouldReport());
}

TEST_F(SrmIntegrityTest, FileSystemsAndMountPointsOnMissingVolumesAreNamedByThatVolume) {
    Add<SrmVolume>("v1");
    SrmFileSystem *onHeld = Add<SrmFileSystem>("fs1");
    onHeld->Volume = "v1";
    SrmFileSystem *orphan = Add<SrmFileSystem>("fs2");
    orphan->Volume = "/dev/vx/dsk/gone";
    SrmMountPoint *mount = Add<SrmMountPoint>("mp1");
    mount->VolumeId = "v7";
    SrmMountPoint *unreported = Add<SrmMountPoint>("mp2");
    unreported->setReport(false);
    SrmShare *share = Add<SrmShare>("sh1");
    share->VolumeId = "v7";

    EXPECT_EQ(1, db.checkIntegrity());

    EXPECT_EQ(std::vector<std::string>({"Missing or unsupported fs: /dev/vx/dsk/gone",
                                        "MountPoint missing or invalid: v7"}),
              Errors());
    EXPECT_EQ(1, onHeld->shouldReport());
    EXPECT_EQ(0, orphan->shouldReport());
    EXPECT_EQ(0, mount->shouldReport());
    EXPECT_EQ(1, share->shouldReport());  // shares are not checked
}

TEST_F(SrmIntegrityTest, FirstFailingServiceGroupEndsTheCheckAfterTheExclusions) {
    SrmFileSystem *orphan = Add<SrmFileSystem>("fs1");
    orphan->Volume = "v9";
    SrmServiceGroup *a = Group("a");
    a->addResource(Add<SrmDisk>("d1"));
    SrmServiceGroup *b = Group("b");
    SrmDisk *stranger = Outside<SrmDisk>("d2", [b](SrmDisk *d) { b->addResource(d); });
    SrmServiceGroup *c = Group("c");
    Outside<SrmDisk>("d3", [c](SrmDisk *d) { c->addResource(d); });

    EXPECT_EQ(1, a->checkIntegrity());
    EXPECT_EQ(0, db.checkIntegrity());

    EXPECT_EQ(std::vector<std::string>(
                  {"Missing or unsupported fs: v9", "Service group resource not found: d2"}),
              Errors());
    SrmResource *concerned = nullptr;
    EXPECT_EQ("Service group resource not found", LastError(&concerned));
    EXPECT_EQ(stranger, concerned);
    EXPECT_EQ(1, stranger->shouldReport());  // failing members stay in the report
    EXPECT_EQ(0, orphan->shouldReport());
}

TEST_F(SrmIntegrityTest, MemberFiledUnderAnotherKindFailsItsGroup) {
    SrmServiceGroup *g = Group("g");
    SrmVolume *v = Add<SrmVolume>("v1");
    g->addResource(v);
    v->type = SRM_RES_FILESYSTEM;

    EXPECT_EQ(0, g->checkIntegrity());

    EXPECT_EQ(std::vector<std::string>({"Invalid resource in invalid type-list"}), Errors());
    EXPECT_EQ("Invalid resource in invalid type-list", LastError());
}

TEST_F(SrmIntegrityTest, UnreportedMembersAreNotExamined) {
    SrmServiceGroup *g = Group("g");
    SrmDisk *stranger = Outside<SrmDisk>("d2", [g](SrmDisk *d) { g->addResource(d); });
    stranger->setReport(false);

    EXPECT_EQ(1, g->checkIntegrity());
    EXPECT_EQ(1, db.checkIntegrity());
}

TEST_F(SrmIntegrityTest, GroupWithoutDatabaseFails) {
    SrmServiceGroup g("loose");
    EXPECT_EQ(0, g.checkIntegrity());
}

}  // namespace
