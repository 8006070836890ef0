// Removing a resource from a database must leave a database that can still be
// written and read back: no computer or volume may go on naming what is gone.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/testing/ScratchFiles.h"
#include "inventory/testing/StorageRecords.h"

namespace {

using ulvar::testing::BytesOf;

// `db` written as a database file; `result` receives the write's result.
std::string fileOf(SrmResourceDatabase *db, int *result) {
    return BytesOf([&](int fd) { return db->serialize(fd, 0); }, result);
}

// `bytes` loaded into `db`: the load's result.
int load(SrmResourceDatabase *db, const std::string &bytes) {
    ulvar::testing::ScopedFd file(ulvar::testing::FileWith(bytes));
    return db->deserialize(file.get(), nullptr);
}

std::string lastErrorOf(SrmResourceDatabase *db) {
    std::string message;
    db->getLastErrorInfo(nullptr, message, nullptr);
    return message;
}

class SrmResourceRemovalTest : public ::testing::Test {
  protected:
    // Made, added to `db` and left to it.
    template <typename T>
    T *Add(T *r) {
        SrmScopedRef<T> held(r);
        EXPECT_EQ(1, db->addResource(r));
        return r;
    }
    SrmComputer *AddComputer(const std::string &id) {
        SrmScopedRef<SrmComputer> c(new SrmComputer(id));
        EXPECT_EQ(1, db->addComputer(c.get(), 1));
        return c.get();
    }
    // Starts over with empty databases.
    void Reset() {
        loaded.reset(new SrmResourceDatabase());
        db.reset(new SrmResourceDatabase());
    }
    SrmVolume *AddVolume(const std::string &id) { return Add(new SrmVolume(id)); }

    // Writes `db` as a database file and loads it into `loaded`: both succeed
    // and every resource comes back.
    void ExpectRoundTrip() {
        int written = 0;
        std::string bytes = fileOf(db.get(), &written);
        EXPECT_EQ(1, written) << lastErrorOf(db.get()) << "\n" << bytes;
        EXPECT_EQ(1, load(loaded.get(), bytes)) << lastErrorOf(loaded.get()) << "\n" << bytes;
        EXPECT_EQ(db->getResourceCount(), loaded->getResourceCount()) << bytes;
    }

    std::unique_ptr<SrmResourceDatabase> db{new SrmResourceDatabase()};
    std::unique_ptr<SrmResourceDatabase> loaded{new SrmResourceDatabase()};
};

// Whatever its kind, and whether or not the database has volume groups (whose
// absence ends the rest of the unlinking early), a removed resource leaves the
// computers that listed it.
TEST_F(SrmResourceRemovalTest, RemovedResourceLeavesTheComputersThatListedIt) {
    const SrmResourceType kinds[] = {SRM_RES_DISK,       SRM_RES_DISKCHUNK,  SRM_RES_VOLUME,
                                     SRM_RES_FILESYSTEM, SRM_RES_MOUNTPOINT, SRM_RES_SHARE};
    for (bool withGroup : {false, true}) {
        for (SrmResourceType t : kinds) {
            SCOPED_TRACE(std::to_string(t) + (withGroup ? " with a volume group" : ""));
            Reset();
            SrmComputer *host = AddComputer("host");
            SrmResource *kept = Add(new SrmDisk("kept"));
            SrmResource *gone = nullptr;
            switch (t) {
                case SRM_RES_DISK:
                    gone = Add(new SrmDisk("gone"));
                    break;
                case SRM_RES_DISKCHUNK:
                    gone = Add(new SrmDiskChunk("gone"));
                    break;
                case SRM_RES_VOLUME:
                    gone = AddVolume("gone");
                    break;
                case SRM_RES_FILESYSTEM:
                    gone = Add(new SrmFileSystem("gone"));
                    break;
                case SRM_RES_MOUNTPOINT:
                    gone = Add(new SrmMountPoint("gone"));
                    break;
                default:
                    gone = Add(new SrmShare("gone"));
                    break;
            }
            if (withGroup) {
                Add(new SrmVolumeGroup("vg"));
            }
            ASSERT_EQ(1, host->addResource(kept));
            ASSERT_EQ(1, host->addResource(gone));

            ASSERT_EQ(1, db->removeResource(t, "gone"));
            EXPECT_EQ(1, host->getResourceList()->getResourceCount());
            ExpectRoundTrip();
        }
    }
}

// A database read from a file holds its computers in its resource list only;
// they too let go of what is removed.
TEST_F(SrmResourceRemovalTest, ComputerReadFromAFileLetsGoOfARemovedDisk) {
    SrmComputer *host = AddComputer("host");
    ASSERT_EQ(1, host->addResource(Add(new SrmDisk("d1"))));
    ASSERT_EQ(1, host->addResource(Add(new SrmDisk("d2"))));
    int written = 0;
    ASSERT_EQ(1, load(loaded.get(), fileOf(db.get(), &written)));
    auto *readHost = dynamic_cast<SrmComputer *>(loaded->findResource(SRM_RES_COMPUTER, "host"));
    ASSERT_NE(nullptr, readHost);
    ASSERT_EQ(2, readHost->getResourceList()->getResourceCount());

    ASSERT_EQ(1, loaded->removeResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(1, readHost->getResourceList()->getResourceCount());
    SrmResourceDatabase again;
    EXPECT_EQ(1, load(&again, fileOf(loaded.get(), &written)));
    EXPECT_EQ(1, written);
    EXPECT_EQ(2, again.getResourceCount());
}

TEST_F(SrmResourceRemovalTest, RemovedSubVolumeLeavesItsParents) {
    SrmVolume *top = AddVolume("top");
    SrmVolume *other = AddVolume("other");
    SrmVolume *sub = AddVolume("sub");
    ASSERT_EQ(1, top->addSubVolume(sub));
    ASSERT_EQ(1, other->addSubVolume(sub));

    ASSERT_EQ(1, db->removeResource(SRM_RES_VOLUME, "sub"));
    EXPECT_EQ(0, top->getSubVolumeList()->getResourceCount());
    EXPECT_EQ(0, other->getSubVolumeList()->getResourceCount());
    ExpectRoundTrip();
}

// A volume added under the Id of another takes its place (the last one added
// wins) in its parents' sub-volume lists too: a parent left holding the old
// one had the writer put that one in the newcomer's place, and the file then
// loaded into a database whose volume could not be written.
TEST_F(SrmResourceRemovalTest, ReplacedSubVolumeIsReplacedInItsParents) {
    SrmVolume *top = AddVolume("top");
    ASSERT_EQ(1, top->addSubVolume(AddVolume("sub")));
    SrmScopedRef<SrmVolume> newer(new SrmVolume("sub"));
    newer->Name = "newer";
    ASSERT_EQ(1, db->addResource(newer.get()));

    EXPECT_EQ(newer.get(), top->getSubVolumeList()->findResource(SRM_RES_VOLUME, "sub"));
    EXPECT_EQ(SRM_HIER_SUBVOLUME, newer->HierType);
    ExpectRoundTrip();
    int again = 0;
    EXPECT_NE(std::string::npos, fileOf(loaded.get(), &again).find("\"Name=newer\""));
    EXPECT_EQ(1, again);
}

// The sub-volumes of a removed volume that nothing else holds stand at the top
// of their hierarchies again, and so are written; one that another volume
// still holds stays a sub-volume and is written through that volume.
TEST_F(SrmResourceRemovalTest, SubVolumesOfARemovedVolumeAreStillWritten) {
    SrmVolume *parent = AddVolume("parent");
    SrmVolume *orphan = AddVolume("orphan");
    SrmVolume *nested = AddVolume("nested");
    SrmVolume *shared = AddVolume("shared");
    SrmVolume *stepParent = AddVolume("step");
    SrmVolume *leaf = AddVolume("leaf");
    ASSERT_EQ(1, parent->addSubVolume(orphan));
    ASSERT_EQ(1, parent->addSubVolume(nested));
    ASSERT_EQ(1, nested->addSubVolume(leaf));
    ASSERT_EQ(1, parent->addSubVolume(shared));
    ASSERT_EQ(1, stepParent->addSubVolume(shared));

    ASSERT_EQ(1, db->removeResource(SRM_RES_VOLUME, "parent"));
    EXPECT_EQ(SRM_HIER_STANDALONE, orphan->HierType);
    EXPECT_EQ(SRM_HIER_HAS_SUBVOLUMES, nested->HierType);
    EXPECT_EQ(SRM_HIER_SUBVOLUME, leaf->HierType);
    EXPECT_EQ(SRM_HIER_SUBVOLUME, shared->HierType);
    ExpectRoundTrip();
}

// Without volume groups the rest of a chunk's unlinking ends early; the
// volumes must still let go of it.
TEST_F(SrmResourceRemovalTest, RemovedChunkLeavesVolumesWithoutVolumeGroups) {
    SrmVolume *v = AddVolume("v");
    ASSERT_EQ(1, v->addDiskChunk(Add(new SrmDiskChunk("c1"))));
    ASSERT_EQ(1, v->addDiskChunk(Add(new SrmDiskChunk("c2"))));

    ASSERT_EQ(1, db->removeResource(SRM_RES_DISKCHUNK, "c1"));
    EXPECT_EQ(1, v->getDiskChunkList()->getTypeCount(SRM_RES_DISKCHUNK));
    ExpectRoundTrip();
}

}  // namespace
