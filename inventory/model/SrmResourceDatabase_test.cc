#include "inventory/model/SrmResourceDatabase.h"

#include <gtest/gtest.h>

#include <string>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/testing/CountingResource.h"

namespace {

using ulvar::testing::CountingResource;
using ulvar::testing::CountingResourceLog;
using ulvar::testing::refCountOf;

// A computer that counts its destruction in the same log as the test kind.
class CountedComputer : public SrmComputer {
  public:
    CountedComputer(CountingResourceLog *log, std::string id)
        : SrmComputer(std::move(id)), log(log) {}
    ~CountedComputer() override { ++log->destroyed; }

  private:
    CountingResourceLog *log;
};

class SrmResourceDatabaseTest : public ::testing::Test {
  protected:
    // A resource whose only reference is handed to the database.
    CountingResource *addNew(SrmResourceType t, const std::string &id,
                             const std::string &lid = std::string()) {
        auto *r = new CountingResource(&log, t, id, lid);
        EXPECT_EQ(1, db.addResource(r));
        r->Release();
        return r;
    }

    SrmComputer *addComputer(const std::string &id, int isThisComputer) {
        auto *c = new CountedComputer(&log, id);
        EXPECT_EQ(1, db.addComputer(c, isThisComputer));
        c->Release();
        return c;
    }

    void expectLastError(int code, const std::string &message, SrmResource *resource) {
        int gotCode = -1;
        std::string gotMessage;
        SrmResource *gotResource = nullptr;
        db.getLastErrorInfo(&gotCode, gotMessage, &gotResource);
        EXPECT_EQ(code, gotCode);
        EXPECT_EQ(message, gotMessage);
        EXPECT_EQ(resource, gotResource);
    }

    CountingResourceLog log;
    SrmResourceDatabase db;
};

TEST_F(SrmResourceDatabaseTest, NewDatabaseIsEmptyWithAFullSizeBuffer) {
    EXPECT_EQ(0, db.isCluster());
    EXPECT_EQ(0, db.getResourceCount());
    ASSERT_NE(nullptr, db.getBuffer());
    EXPECT_EQ(2049, db.getBufferLength());
    EXPECT_EQ(nullptr, db.getStreamFD());
    EXPECT_EQ(nullptr, db.getTupleStream());
    expectLastError(0, "", nullptr);
}

TEST_F(SrmResourceDatabaseTest, AddedResourceIsBoundAndFound) {
    auto *d = addNew(SRM_RES_DISK, "d1");
    EXPECT_EQ(&db, d->db);
    EXPECT_EQ(d, db.findResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(1, db.getResourceCount());
}

TEST_F(SrmResourceDatabaseTest, NullResourceIsAnInvalidArgument) {
    EXPECT_EQ(0, db.addResource(nullptr));
    expectLastError(22, "Add resource failed", nullptr);
}

TEST_F(SrmResourceDatabaseTest, RefusedResourceIsReportedWithItsReference) {
    auto *noId = new CountingResource(&log, SRM_RES_DISK, "");
    EXPECT_EQ(0, db.addResource(noId));
    expectLastError(12, "Add resource failed", noId);
    EXPECT_EQ(2, refCountOf(noId));
    noId->Release();
    db.setErrorInfo(5, "later", nullptr);
    EXPECT_EQ(1, log.destroyed);
}

TEST_F(SrmResourceDatabaseTest, ErrorSlotGivesBackItsReferenceOnTheNextError) {
    auto *a = new CountingResource(&log, SRM_RES_DISK, "a");
    db.setErrorInfo(22, "first", a);
    EXPECT_EQ(2, refCountOf(a));
    db.setErrorInfo(5, "second", nullptr);
    EXPECT_EQ(1, refCountOf(a));
    expectLastError(5, "second", nullptr);
    a->Release();
    EXPECT_EQ(1, log.destroyed);
}

TEST_F(SrmResourceDatabaseTest, ErrorSlotSurvivesTheResourceItAlreadyHolds) {
    auto *a = new CountingResource(&log, SRM_RES_DISK, "a");
    db.setErrorInfo(22, "first", a);
    a->Release();  // the slot's reference is now the only one
    db.setErrorInfo(9, "again", a);
    EXPECT_EQ(0, log.destroyed);
    expectLastError(9, "again", a);
    EXPECT_EQ(1, refCountOf(a));
}

TEST_F(SrmResourceDatabaseTest, LastErrorCopiesOnlyWhatWasAskedFor) {
    db.setErrorInfo(12, "no memory", nullptr);
    std::string message;
    db.getLastErrorInfo(nullptr, message, nullptr);
    EXPECT_EQ("no memory", message);
}

TEST_F(SrmResourceDatabaseTest, SuccessLeavesTheLastErrorAlone) {
    db.setErrorInfo(12, "earlier", nullptr);
    addNew(SRM_RES_DISK, "d1");
    expectLastError(12, "earlier", nullptr);
}

TEST_F(SrmResourceDatabaseTest, DestructorReleasesResourcesAndTheErrorResource) {
    auto *owned = new SrmResourceDatabase;
    auto *a = new CountingResource(&log, SRM_RES_DISK, "a");
    auto *b = new CountingResource(&log, SRM_RES_VOLUME, "b");
    owned->addResource(a);
    owned->setErrorInfo(22, "kept", b);
    a->Release();
    b->Release();
    EXPECT_EQ(0, log.destroyed);
    delete owned;
    EXPECT_EQ(2, log.destroyed);
}

TEST_F(SrmResourceDatabaseTest, GlobalIdKeepsTheFirstMappingOfALocalId) {
    EXPECT_EQ(0, db.addGlobalId(SRM_RES_DISK, "same", "same"));
    EXPECT_EQ(0, db.addGlobalId(SRM_RES_DISK, "", "g"));
    EXPECT_EQ(0, db.addGlobalId(SRM_RES_DISK, "l", ""));
    EXPECT_EQ(1, db.addGlobalId(SRM_RES_DISK, "l", "g1"));
    EXPECT_EQ(0, db.addGlobalId(SRM_RES_DISK, "l", "g2"));
    std::string global;
    EXPECT_EQ(1, db.getGlobalId(SRM_RES_DISK, "l", global));
    EXPECT_EQ("g1", global);
    EXPECT_EQ(0, db.getGlobalId(SRM_RES_VOLUME, "l", global));
}

TEST_F(SrmResourceDatabaseTest, OnlyStorageKindsHaveGlobalIds) {
    for (SrmResourceType t : {SRM_RES_DISK, SRM_RES_VOLUME, SRM_RES_FILESYSTEM, SRM_RES_VOLUMEGROUP,
                              SRM_RES_MOUNTPOINT, SRM_RES_SHARE}) {
        EXPECT_EQ(1, db.addGlobalId(t, "l", "g")) << t;
    }
    for (SrmResourceType t : {SRM_RES_COMPUTER, SRM_RES_VIRTUALSERVER, SRM_RES_VOLUMEMANAGER,
                              SRM_RES_DISKCHUNK, SRM_RES_ID}) {
        EXPECT_EQ(0, db.addGlobalId(t, "l", "g")) << t;
    }
}

TEST_F(SrmResourceDatabaseTest, NewcomerIsFoundThroughTheLocalIdOfAnEarlierResource) {
    auto *earlier = addNew(SRM_RES_DISK, "wwn-1", "c0t0d0");
    CountingResource newcomer(&log, SRM_RES_DISK, "serial-7", "c0t0d0");
    EXPECT_EQ(earlier, db.findGlobalResource(SRM_RES_DISK, &newcomer));
    EXPECT_EQ(earlier, db.findGlobalResource(SRM_RES_DISK, std::string("c0t0d0")));
    EXPECT_EQ(earlier, db.findGlobalResource(SRM_RES_DISK, std::string("wwn-1")));
    CountingResource stranger(&log, SRM_RES_DISK, "serial-8", "c1t0d0");
    EXPECT_EQ(nullptr, db.findGlobalResource(SRM_RES_DISK, &stranger));
    EXPECT_EQ(nullptr, db.findGlobalResource(SRM_RES_DISK, static_cast<SrmResource *>(nullptr)));
}

TEST_F(SrmResourceDatabaseTest, NewcomerWithTheSameIdMatchesAResourceWithoutLocalId) {
    auto *held = addNew(SRM_RES_VOLUME, "v1");
    auto *newcomer = new CountingResource(&log, SRM_RES_VOLUME, "v1", "dev/v1");
    EXPECT_EQ(held, db.findGlobalResource(SRM_RES_VOLUME, newcomer));
    newcomer->Release();
}

TEST_F(SrmResourceDatabaseTest, OnlyComputersAreAddedAsComputers) {
    auto *notComputer = new SrmComputer("d1");
    notComputer->type = SRM_RES_DISK;
    EXPECT_EQ(0, db.addComputer(notComputer, 1));
    expectLastError(22, "Add Computer failed", notComputer);
    EXPECT_EQ(0, db.addComputer(nullptr, 1));
    EXPECT_EQ(0, db.getResourceCount());
    notComputer->Release();
}

TEST_F(SrmResourceDatabaseTest, OnlyComputerIsThisComputerEvenWhenNotChosen) {
    auto *c = addComputer("host-a", 0);
    EXPECT_EQ(c, db.getThisComputer());
    EXPECT_EQ(1, db.getComputerList()->getResourceCount());
    EXPECT_EQ(1, db.getResourceCount());
}

TEST_F(SrmResourceDatabaseTest, NoComputerChosenAmongTwoIsAnError) {
    addComputer("host-a", 0);
    addComputer("host-b", 0);
    EXPECT_EQ(nullptr, db.getThisComputer());
    expectLastError(22, "Not current computer found.", nullptr);
}

TEST_F(SrmResourceDatabaseTest, ChosenComputerWinsAmongMany) {
    addComputer("host-a", 0);
    auto *b = addComputer("host-b", 1);
    addComputer("host-c", 0);
    EXPECT_EQ(b, db.getThisComputer());
    auto *notComputer = new SrmComputer("d1");
    notComputer->type = SRM_RES_DISK;
    db.setThisComputer(notComputer);
    db.setThisComputer(nullptr);
    EXPECT_EQ(b, db.getThisComputer());
    notComputer->Release();
}

TEST_F(SrmResourceDatabaseTest, HostNameIsCachedOnceFromThisComputer) {
    SrmComputer *c = addComputer("host-a", 0);
    EXPECT_EQ("", db.getHostName());
    c->HostName = "alpha";
    EXPECT_EQ(c, db.getThisComputer());
    EXPECT_EQ("alpha", db.getHostName());
    c->HostName = "beta";
    db.setThisComputer(c);
    EXPECT_EQ(c, db.getThisComputer());
    EXPECT_EQ("alpha", db.getHostName());
}

TEST_F(SrmResourceDatabaseTest, ResourceForAComputerGoesToItsOwnList) {
    SrmComputer *c = addComputer("host-a", 0);
    auto *share = addNew(SRM_RES_SHARE, "s1");
    EXPECT_EQ(1, db.addComputerResource("host-a", share));
    EXPECT_EQ(share, c->getResourceList()->findResource(SRM_RES_SHARE, "s1"));
    EXPECT_EQ(1, db.removeResource(SRM_RES_SHARE, "s1"));
    EXPECT_EQ(0, c->getResourceList()->getResourceCount());
    EXPECT_EQ(1, log.destroyed);
}

TEST_F(SrmResourceDatabaseTest, ResourceForAnUnknownComputerIsRefused) {
    auto *disk = new CountingResource(&log, SRM_RES_DISK, "d1");
    EXPECT_EQ(0, db.addComputerResource("nowhere", disk));
    expectLastError(22, "Invalid Resource Object", disk);
    disk->Release();
}

TEST_F(SrmResourceDatabaseTest, RemovedResourceIsReleased) {
    addNew(SRM_RES_DISK, "d1");
    addNew(SRM_RES_SHARE, "s1");
    EXPECT_EQ(0, db.removeResource(SRM_RES_DISK, "d2"));
    EXPECT_EQ(1, db.removeResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(1, db.removeResource(SRM_RES_SHARE, "s1"));
    EXPECT_EQ(2, log.destroyed);
    EXPECT_EQ(0, db.getResourceCount());
}

TEST_F(SrmResourceDatabaseTest, RemovingAResourceWithoutLocalIdKeepsUnplacedMountPoints) {
    addNew(SRM_RES_VOLUMEGROUP, "vg1");
    addNew(SRM_RES_MOUNTPOINT, "/export");
    addNew(SRM_RES_MOUNTPOINT, "/home");
    addNew(SRM_RES_DISK, "d1");
    EXPECT_EQ(1, db.removeResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(3, db.getResourceCount());
    EXPECT_EQ(1, log.destroyed);
}

TEST_F(SrmResourceDatabaseTest, RemovedThisComputerIsNoLongerNamed) {
    addComputer("host-a", 1);
    EXPECT_EQ(1, db.removeResource(SRM_RES_COMPUTER, "host-a"));
    EXPECT_EQ(1, log.destroyed);
    EXPECT_EQ(0, db.getComputerList()->getResourceCount());
    EXPECT_EQ(nullptr, db.getThisComputer());
    expectLastError(22, "Not current computer found.", nullptr);
}

TEST_F(SrmResourceDatabaseTest, ReplacedThisComputerIsNoLongerNamed) {
    addComputer("host-a", 1);
    // A second object under the same Id replaces (and destroys) the first.
    SrmComputer *newcomer = addComputer("host-a", 0);
    EXPECT_EQ(1, log.destroyed);
    EXPECT_EQ(newcomer, db.getThisComputer());  // the single computer, not the freed one
}

TEST_F(SrmResourceDatabaseTest, MergedDatabaseSharesResourcesAndComputers) {
    SrmResourceDatabase other;
    auto *disk = new CountingResource(&log, SRM_RES_DISK, "d1");
    auto *host = new CountedComputer(&log, "host-a");
    other.addResource(disk);
    other.addComputer(host, 0);
    disk->Release();
    host->Release();
    addNew(SRM_RES_DISK, "d0");

    EXPECT_EQ(0, db.mergeResourceDatabase(nullptr));
    EXPECT_EQ(1, db.mergeResourceDatabase(&other));
    EXPECT_EQ(3, db.getResourceCount());
    EXPECT_EQ(disk, db.findResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(&db, disk->db);
    EXPECT_EQ(2, refCountOf(disk));
    EXPECT_EQ(host, db.getThisComputer());
}

TEST_F(SrmResourceDatabaseTest, StateBitsSpareTheReportBitsOfThisComputer) {
    auto *c = addComputer("host-a", 1);
    auto *d = addNew(SRM_RES_DISK, "d1");
    db.unsetAllResourceState(SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT | SRM_STATE_MERGED);
    EXPECT_EQ(0u, d->state);
    EXPECT_EQ(0u, c->state);
    db.setAllResourceState(SRM_STATE_FROM_SER_RDB);
    EXPECT_EQ(SRM_STATE_FROM_SER_RDB, d->state);
    EXPECT_EQ(SRM_STATE_FROM_SER_RDB | SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT, c->state);
}

}  // namespace
