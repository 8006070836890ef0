#include <gtest/gtest.h>

#include <string>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/testing/CountingResource.h"
#include "inventory/testing/StorageRecords.h"

namespace {

using ulvar::testing::BytesOf;
using ulvar::testing::LoadInto;
using ulvar::testing::refCountOf;

class SrmVolumeGroupTest : public ::testing::Test {
  protected:
    template <typename T>
    T *Add(const std::string &id) {
        SrmScopedRef<T> r(new T(id));
        db.addResource(r.get());
        return r.get();
    }
    static std::string Write(SrmResource *r, int flags) {
        return BytesOf([&](int fd) { return r->serialize(fd, flags); });
    }
    // A group with two disks and a volume, all held by `db`.
    SrmVolumeGroup *FilledGroup() {
        SrmScopedRef<SrmVolumeManager> m(new SrmVolumeManager("vm1"));
        m->IdType = 4;
        db.addResource(m.get());
        auto *g = Add<SrmVolumeGroup>("dg1");
        g->PubId = "p";
        g->LId = "l";
        g->setCapacity(1000);
        g->setFreeSpace(10);
        g->Status = 1;
        g->StatusDesc = "ok";
        g->Name = "datadg";
        g->setVolumeMgrId("4");
        g->addDisk(Add<SrmDisk>("d2"));
        g->addDisk(Add<SrmDisk>("d1"));
        g->addVolume(Add<SrmVolume>("v1"));
        return g;
    }

    SrmResourceDatabase db;
};

TEST_F(SrmVolumeGroupTest, FilledGroupIsFollowedByItsDisksThenVolumes) {
    SrmVolumeGroup *g = FilledGroup();
    const std::string own =
        "\"Type=VolumeGroup\",\"Id=dg1\",\"PubId=p\",\"State=12\",\"LId=l\",\"CapacityKB=1000\","
        "\"FreeSpaceKB=10\",\"Status=1\",\"StatusDesc=ok\",\"Name=datadg\",\"VolumeManager=4\","
        "\"DiskCount=2\",\"VolumeCount=1\",;\n";
    EXPECT_EQ(own +
                  "\"Type=Disk\",\"Id=d1\",;\n"
                  "\"Type=Disk\",\"Id=d2\",;\n"
                  "\"Type=Volume\",\"Id=v1\",;\n",
              Write(g, 0));
    EXPECT_EQ(own, Write(g, 2));
    EXPECT_EQ("\"Type=VolumeGroup\",\"Id=dg1\",;\n", Write(g, 3));
}

TEST_F(SrmVolumeGroupTest, DefaultGroupWritesNumbersAndCounts) {
    SrmScopedRef<SrmVolumeGroup> g(new SrmVolumeGroup(&db));
    EXPECT_EQ(
        "\"Type=VolumeGroup\",\"State=12\",\"CapacityKB=0\",\"FreeSpaceKB=0\",\"Status=0\","
        "\"DiskCount=0\",\"VolumeCount=0\",;\n",
        Write(g.get(), 0));
}

TEST_F(SrmVolumeGroupTest, GroupReadsBackWithTheReadersOwnMembers) {
    SrmVolumeGroup *g = FilledGroup();
    std::string file = Write(db.findResource(SRM_RES_DISK, "d1"), 0) +
                       Write(db.findResource(SRM_RES_DISK, "d2"), 0) +
                       Write(db.findResource(SRM_RES_VOLUMEMANAGER, "vm1"), 0) +
                       Write(db.findResource(SRM_RES_VOLUME, "v1"), 0) + Write(g, 0);
    SrmResourceDatabase other;
    std::string results;
    ASSERT_EQ(0, LoadInto(&other, file, &results));
    EXPECT_EQ("11111", results);
    auto *read = dynamic_cast<SrmVolumeGroup *>(other.findResource(SRM_RES_VOLUMEGROUP, "dg1"));
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(Write(g, 0), Write(read, 0));
    EXPECT_EQ(other.findResource(SRM_RES_DISK, "d1"),
              read->getDiskList()->findResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(other.findResource(SRM_RES_VOLUME, "v1"),
              read->getVolumeList()->findResource(SRM_RES_VOLUME, "v1"));
    ASSERT_NE(nullptr, read->getVolumeManager());
    EXPECT_EQ(4, read->getVolumeManager()->IdType);
}

TEST_F(SrmVolumeGroupTest, MembersAreFoundByLocalIdentityOrMadeEmpty) {
    SrmScopedRef<SrmDisk> disk(new SrmDisk("disk-global"));
    disk->LId = "c1t0d0";
    ASSERT_EQ(1, db.addResource(disk.get()));
    std::string results;
    LoadInto(&db,
             "\"Type=VolumeGroup\",\"Id=g\",\"DiskCount=2\",\"VolumeCount=1\",;\n"
             "\"Type=Disk\",\"Id=c1t0d0\",;\n"
             "\"Type=Disk\",\"Id=newdisk\",;\n"
             "\"Type=Volume\",\"Id=newvol\",;\n",
             &results);
    EXPECT_EQ("1", results);
    auto *g = dynamic_cast<SrmVolumeGroup *>(db.findResource(SRM_RES_VOLUMEGROUP, "g"));
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(disk.get(), g->getDiskList()->findResource(SRM_RES_DISK, "disk-global"));
    SrmResource *madeDisk = db.findResource(SRM_RES_DISK, "newdisk");
    SrmResource *madeVolume = db.findResource(SRM_RES_VOLUME, "newvol");
    ASSERT_NE(nullptr, madeDisk);
    ASSERT_NE(nullptr, madeVolume);
    EXPECT_EQ(madeDisk, g->getDiskList()->findResource(SRM_RES_DISK, "newdisk"));
    EXPECT_EQ(2, refCountOf(madeVolume));  // the database and the group
    EXPECT_EQ(0xDu, madeDisk->state);
}

TEST_F(SrmVolumeGroupTest, MemberCountsThatAreNotMetFailTheRecord) {
    std::string results;
    // The second disk record is missing: the volumes are not read either.
    LoadInto(&db,
             "\"Type=VolumeGroup\",\"Id=g1\",\"DiskCount=2\",\"VolumeCount=1\",;\n"
             "\"Type=Disk\",\"Id=d1\",;\n",
             &results);
    LoadInto(&db,
             "\"Type=VolumeGroup\",\"Id=g2\",\"DiskCount=0\",\"VolumeCount=2\",;\n"
             "\"Type=Volume\",\"Id=v1\",;\n"
             "\"Type=Volume\",;\n",
             &results);
    EXPECT_EQ("00", results);
    SrmScopedRef<SrmVolumeGroup> g(new SrmVolumeGroup(&db));
    CSRMReportTuple t;
    t.addElement("\"VolumeCount=1\"");
    EXPECT_EQ(0, g->deserialize(-1, &t));  // no reader attached
}

TEST_F(SrmVolumeGroupTest, MergeKeepsPositiveSizesAndJoinsMemberLists) {
    auto *held = Add<SrmVolumeGroup>("g");
    held->setCapacity(500);
    held->addDisk(Add<SrmDisk>("d1"));
    SrmScopedRef<SrmVolumeGroup> newcomer(new SrmVolumeGroup("g"));
    newcomer->setCapacity(0);
    newcomer->setFreeSpace(70);
    newcomer->addDisk(Add<SrmDisk>("d2"));
    newcomer->addVolume(Add<SrmVolume>("v1"));
    ASSERT_EQ(1, held->mergeResource(newcomer.get()));
    EXPECT_EQ(500, held->CapacityKB);
    EXPECT_EQ(70, held->FreeSpaceKB);  // below 1 here: the newcomer's is taken
    EXPECT_EQ(2, held->getDiskList()->getTypeCount(SRM_RES_DISK));
    EXPECT_EQ(1, held->getVolumeList()->getTypeCount(SRM_RES_VOLUME));
    EXPECT_EQ(1, newcomer->isMerged());
    EXPECT_EQ(0, held->mergeResource(Add<SrmVolume>("g")));
}

TEST_F(SrmVolumeGroupTest, OSystemPutsTheGroupInTheComputersList) {
    SrmScopedRef<SrmComputer> host(new SrmComputer("host1"));
    ASSERT_EQ(1, db.addComputer(host.get(), 1));
    std::string results;
    LoadInto(&db, "\"Type=VolumeGroup\",\"Id=g\",\"OSystem=host1\",;\n", &results);
    EXPECT_EQ("1", results);
    SrmResource *g = db.findResource(SRM_RES_VOLUMEGROUP, "g");
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(g, host->getResourceList()->findResource(SRM_RES_VOLUMEGROUP, "g"));
}

// The computer made for an unknown "OSystem" is owned by nobody: it must not
// survive the read, nor keep the group alive (ASan reports what leaks).
TEST_F(SrmVolumeGroupTest, OSystemOfUnknownComputerLeavesNothingBehind) {
    SrmScopedRef<SrmVolumeGroup> g(new SrmVolumeGroup(&db));
    CSRMReportTuple t;
    t.addElement("\"Id=g\"");
    t.addElement("\"OSystem=elsewhere\"");
    EXPECT_EQ(1, g->deserialize(-1, &t));
    EXPECT_EQ(1, refCountOf(g.get()));
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_COMPUTER, "elsewhere"));
}

TEST_F(SrmVolumeGroupTest, RemovingDisksAndVolumesUnlinksThemFromGroups) {
    SrmVolumeGroup *g = FilledGroup();
    ASSERT_EQ(1, db.removeResource(SRM_RES_DISK, "d1"));
    ASSERT_EQ(1, db.removeResource(SRM_RES_VOLUME, "v1"));
    EXPECT_EQ(nullptr, g->getDiskList()->findResource(SRM_RES_DISK, "d1"));
    EXPECT_NE(nullptr, g->getDiskList()->findResource(SRM_RES_DISK, "d2"));
    EXPECT_EQ(0, g->getVolumeList()->getTypeCount(SRM_RES_VOLUME));
    // A disk sharing a volume's Id is not taken for it.
    g->addVolume(Add<SrmVolume>("x"));
    SrmScopedRef<SrmDisk> sameId(new SrmDisk("x"));
    EXPECT_EQ(0, g->removeVolume(sameId.get()));
    EXPECT_EQ(1, g->getVolumeList()->getTypeCount(SRM_RES_VOLUME));
}

}  // namespace
