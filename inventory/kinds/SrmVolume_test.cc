#include "inventory/kinds/SrmVolume.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolumeWalk.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/testing/CountingResource.h"
#include "inventory/testing/DatabaseFiles.h"
#include "inventory/testing/StorageRecords.h"

namespace {

using ulvar::testing::BytesOf;
using ulvar::testing::LoadInto;
using ulvar::testing::refCountOf;

class SrmVolumeTest : public ::testing::Test {
  protected:
    // Made, added to `db` and left to it.
    SrmDiskChunk *AddChunk(const std::string &id) {
        SrmScopedRef<SrmDiskChunk> c(new SrmDiskChunk(id));
        c->Disk = "disk0";
        db.addResource(c.get());
        return c.get();
    }
    SrmVolume *AddVolume(const std::string &id) {
        SrmScopedRef<SrmVolume> v(new SrmVolume(id));
        db.addResource(v.get());
        return v.get();
    }
    SrmVolumeManager *AddManager(const std::string &id, int number, const std::string &name) {
        SrmScopedRef<SrmVolumeManager> m(new SrmVolumeManager(id));
        m->IdType = number;
        m->VolumeMgrName = name;
        db.addResource(m.get());
        return m.get();
    }
    static std::string Write(SrmResource *r, int flags) {
        return BytesOf([&](int fd) { return r->serialize(fd, flags); });
    }

    SrmResourceDatabase db;
};

TEST_F(SrmVolumeTest, VolumeManagerRecordsAndMerge) {
    SrmVolumeManager *m = AddManager("vm1", 7, "VxVM");
    m->PubId = "p";
    m->VolumeMgrVersion = "5.1";
    EXPECT_EQ(
        "\"Type=VolumeManager\",\"Id=vm1\",\"PubId=p\",\"IdType=7\",\"VolumeMgrName=VxVM\","
        "\"VolumeMgrVersion=5.1\",;\n",
        Write(m, 0));
    EXPECT_EQ("\"Type=VolumeManager\",\"Id=vm1\",;\n", Write(m, 1));
    SrmScopedRef<SrmVolumeManager> empty(new SrmVolumeManager());
    empty->db = &db;
    EXPECT_EQ("\"Type=VolumeManager\",\"IdType=0\",;\n", Write(empty.get(), 0));

    SrmResourceDatabase other;
    ASSERT_EQ(0, LoadInto(&other, Write(m, 0)));
    SrmResource *read = other.findResource(SRM_RES_VOLUMEMANAGER, "vm1");
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(Write(m, 0), Write(read, 0));

    SrmScopedRef<SrmVolumeManager> newcomer(new SrmVolumeManager("vm1"));
    newcomer->VolumeMgrVersion = "6.0";
    ASSERT_EQ(1, m->mergeResource(newcomer.get()));
    EXPECT_EQ("VxVM", m->VolumeMgrName);
    EXPECT_EQ("6.0", m->VolumeMgrVersion);
    EXPECT_EQ(7, m->IdType);
    EXPECT_EQ(1, newcomer->isMerged());
}

TEST_F(SrmVolumeTest, FilledVolumeIsFollowedByShortRecordsOfItsMembers) {
    AddManager("vm1", 7, "VxVM");
    SrmVolume *v = AddVolume("v1");
    v->PubId = "p";
    v->LId = "l";
    v->Name = "vol";
    v->setCapacity(100);
    v->setFreeSpace(50);
    v->MgmtURL = "http://a";
    v->DisplayMgmtURL = "http://b";
    v->VolumeType = 2;
    v->VolumeTypeDesc = "mirror";
    v->Status = 1;
    v->StatusDesc = "ok";
    v->setVolumeMgrId("7");
    ASSERT_EQ(1, v->addDiskChunk(AddChunk("c2")));
    ASSERT_EQ(1, v->addDiskChunk(AddChunk("c1")));
    ASSERT_EQ(1, v->addSubVolume(AddVolume("v0")));
    EXPECT_EQ(
        "\"Type=Volume\",\"Id=v1\",\"PubId=p\",\"LId=l\",\"Name=vol\",\"State=12\","
        "\"HierType=1\",\"CapacityKB=100\",\"FreeSpaceKB=50\",\"MgmtURL=http://a\","
        "\"DisplayMgmtURL=http://b\",\"VolumeType=2\",\"VolumeTypeDesc=mirror\",\"Status=1\","
        "\"StatusDesc=ok\",\"DiskChunkCount=2\",\"SubVolumeCount=1\",\"VolumeManager=7\",;\n"
        "\"Type=DiskChunk\",\"Id=c1\",;\n"
        "\"Type=DiskChunk\",\"Id=c2\",;\n"
        "\"Type=Volume\",\"Id=v0\",;\n",
        Write(v, 0));
    EXPECT_EQ("\"Type=Volume\",\"Id=v1\",;\n", Write(v, 1));
}

TEST_F(SrmVolumeTest, DefaultVolumeWritesNumbersAndCounts) {
    SrmScopedRef<SrmVolume> v(new SrmVolume(&db));
    EXPECT_EQ(
        "\"Type=Volume\",\"State=12\",\"HierType=0\",\"CapacityKB=0\",\"FreeSpaceKB=0\","
        "\"VolumeType=0\",\"Status=0\",\"DiskChunkCount=0\",\"SubVolumeCount=0\",;\n",
        Write(v.get(), 0));
}

TEST_F(SrmVolumeTest, HierarchyReadsBackThroughOneReader) {
    AddManager("vm1", 7, "VxVM");
    SrmVolume *top = AddVolume("v1");
    SrmVolume *sub = AddVolume("v0");
    top->Name = "top";
    top->setVolumeMgrId("7");
    top->setCapacity(900);
    ASSERT_EQ(1, top->addDiskChunk(AddChunk("c1")));
    ASSERT_EQ(1, sub->addDiskChunk(AddChunk("c2")));
    ASSERT_EQ(1, top->addSubVolume(sub));
    // File order: chunks, managers, then sub-volumes before their parents.
    std::string file = Write(db.findResource(SRM_RES_DISKCHUNK, "c1"), 0) +
                       Write(db.findResource(SRM_RES_DISKCHUNK, "c2"), 0) +
                       Write(db.findResource(SRM_RES_VOLUMEMANAGER, "vm1"), 0) + Write(sub, 0) +
                       Write(top, 0);

    SrmResourceDatabase other;
    std::string results;
    ASSERT_EQ(0, LoadInto(&other, file, &results));
    EXPECT_EQ("11111", results);
    auto *readTop = dynamic_cast<SrmVolume *>(other.findResource(SRM_RES_VOLUME, "v1"));
    auto *readSub = dynamic_cast<SrmVolume *>(other.findResource(SRM_RES_VOLUME, "v0"));
    ASSERT_NE(nullptr, readTop);
    ASSERT_NE(nullptr, readSub);
    EXPECT_EQ(Write(top, 0), Write(readTop, 0));
    EXPECT_EQ(Write(sub, 0), Write(readSub, 0));
    EXPECT_EQ(readSub, readTop->getSubVolumeList()->findResource(SRM_RES_VOLUME, "v0"));
    EXPECT_EQ(other.findResource(SRM_RES_DISKCHUNK, "c1"),
              readTop->getDiskChunkList()->findResource(SRM_RES_DISKCHUNK, "c1"));
    EXPECT_EQ("v1", readTop->getVolumeKey());
    EXPECT_EQ(SRM_HIER_SUBVOLUME, readSub->HierType);
    ASSERT_NE(nullptr, readTop->getVolumeManager());
    EXPECT_EQ("VxVM", readTop->getVolumeManager()->VolumeMgrName);
}

TEST_F(SrmVolumeTest, MemberCountsThatAreNotMetFailTheRecord) {
    AddChunk("c1");
    std::string results;
    // Two sub-volumes announced, the data ends after one.
    LoadInto(&db,
             "\"Type=Volume\",\"Id=a\",\"SubVolumeCount=2\",;\n"
             "\"Type=Volume\",\"Id=b\",;\n",
             &results);
    // A chunk the database does not hold is not attached.
    LoadInto(&db,
             "\"Type=Volume\",\"Id=c\",\"DiskChunkCount=2\",;\n"
             "\"Type=DiskChunk\",\"Id=c1\",;\n"
             "\"Type=DiskChunk\",\"Id=missing\",;\n",
             &results);
    EXPECT_EQ("00", results);
    EXPECT_EQ(nullptr, db.findResource(SRM_RES_VOLUME, "a"));

    // Without an attached reader the members cannot be read at all.
    SrmScopedRef<SrmVolume> v(new SrmVolume(&db));
    CSRMReportTuple t;
    t.addElement("\"DiskChunkCount=1\"");
    EXPECT_EQ(0, v->deserialize(-1, &t));
    CSRMReportTuple none;
    none.addElement("\"DiskChunkCount=0\"");
    EXPECT_EQ(1, v->deserialize(-1, &none));
}

TEST_F(SrmVolumeTest, MissingSubVolumeIsMadeEmptyInTheDatabase) {
    std::string results;
    LoadInto(&db,
             "\"Type=Volume\",\"Id=top\",\"SubVolumeCount=1\",;\n"
             "\"Type=Volume\",\"Id=vx\",;\n",
             &results);
    EXPECT_EQ("1", results);
    auto *made = dynamic_cast<SrmVolume *>(db.findResource(SRM_RES_VOLUME, "vx"));
    ASSERT_NE(nullptr, made);
    EXPECT_EQ("vx", made->getVolumeKey());
    EXPECT_EQ(SRM_HIER_SUBVOLUME, made->HierType);
    EXPECT_EQ(&db, made->db);
    EXPECT_EQ(2, refCountOf(made));  // the database and the parent's list
}

TEST_F(SrmVolumeTest, MemberKindCarriesOverToLaterMemberRecords) {
    AddChunk("c1");
    AddChunk("c2");
    AddVolume("s");
    std::string results;
    LoadInto(&db,
             "\"Type=Volume\",\"Id=v\",\"DiskChunkCount=2\",\"SubVolumeCount=1\",;\n"
             "\"Type=DiskChunk\",\"Id=c1\",;\n"
             "\"Id=c2\",;\n"
             "\"Type=Disk\",\"Type=Volume\",\"Id=s\",;\n",
             &results);
    EXPECT_EQ("1", results);
    auto *v = dynamic_cast<SrmVolume *>(db.findResource(SRM_RES_VOLUME, "v"));
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(2, v->getDiskChunkList()->getTypeCount(SRM_RES_DISKCHUNK));
    EXPECT_EQ(1, v->getSubVolumeList()->getTypeCount(SRM_RES_VOLUME));
}

TEST_F(SrmVolumeTest, SubVolumeLinksSetHierarchyTypes) {
    SrmVolume *a = AddVolume("a");
    SrmVolume *b = AddVolume("b");
    SrmVolume *c = AddVolume("c");
    ASSERT_EQ(1, a->addSubVolume(b));
    EXPECT_EQ(SRM_HIER_HAS_SUBVOLUMES, a->HierType);
    EXPECT_EQ(SRM_HIER_SUBVOLUME, b->HierType);
    ASSERT_EQ(1, b->addSubVolume(c));
    EXPECT_EQ(SRM_HIER_SUBVOLUME, b->HierType);  // a sub-volume with sub-volumes stays one
    EXPECT_EQ(0, a->addSubVolume(AddChunk("c1")));
    EXPECT_EQ(0, a->addSubVolume(nullptr));
    EXPECT_EQ(0, a->addDiskChunk(c));
}

TEST_F(SrmVolumeTest, LinkThatWouldMakeAVolumeItsOwnDescendantIsRefused) {
    SrmVolume *a = AddVolume("a");
    SrmVolume *b = AddVolume("b");
    SrmVolume *c = AddVolume("c");
    EXPECT_EQ(0, a->addSubVolume(a));
    EXPECT_EQ(SRM_HIER_STANDALONE, a->HierType);
    ASSERT_EQ(1, a->addSubVolume(b));
    ASSERT_EQ(1, b->addSubVolume(c));
    EXPECT_EQ(0, c->addSubVolume(a));
    EXPECT_EQ(SRM_HIER_HAS_SUBVOLUMES, a->HierType);
    EXPECT_EQ(0, c->getSubVolumeList()->getTypeCount(SRM_RES_VOLUME));
    EXPECT_EQ(1, srmVolumeHolds(a, c));
    EXPECT_EQ(0, srmVolumeHolds(c, a));
}

// A newer record of a volume that names an older parent as its sub-volume:
// merged into the volume the database holds, it must not close a loop (which
// would also be a reference cycle the database could never free).
TEST_F(SrmVolumeTest, MergeThatWouldCloseALoopLeavesTheLinkOut) {
    SrmVolume *a = AddVolume("a");
    SrmVolume *b = AddVolume("b");
    ASSERT_EQ(1, a->addSubVolume(b));
    SrmScopedRef<SrmVolume> newerB(new SrmVolume("b"));
    newerB->db = &db;
    ASSERT_EQ(1, newerB->addSubVolume(a));
    ASSERT_EQ(1, b->mergeResource(newerB.get()));
    EXPECT_EQ(0, b->getSubVolumeList()->getTypeCount(SRM_RES_VOLUME));
    EXPECT_EQ(0, srmVolumeHolds(b, a));

    // A volume listing itself, merged into itself.
    SrmScopedRef<SrmVolume> newerA(new SrmVolume("a"));
    ASSERT_EQ(1, newerA->addSubVolume(a));
    ASSERT_EQ(1, a->mergeResource(newerA.get()));
    EXPECT_EQ(nullptr, a->getSubVolumeList()->findResource(SRM_RES_VOLUME, "a"));
}

TEST_F(SrmVolumeTest, RecordWhoseSubVolumeWouldLoopStillLoads) {
    SrmVolume *a = AddVolume("a");
    SrmVolume *b = AddVolume("b");
    ASSERT_EQ(1, a->addSubVolume(b));
    ulvar::testing::ScopedFd file(ulvar::testing::FileWith("\"Type=Volume\",\"Id=a\",;\n"));
    ASSERT_EQ(1, db.attachStream(file.get()));
    CSRMReportTuple t;
    t.addElement("\"Id=b\"");
    t.addElement("\"SubVolumeCount=1\"");
    EXPECT_EQ(1, b->deserialize(file.get(), &t));
    EXPECT_EQ(0, srmVolumeHolds(b, a));
    db.detachStream(file.get());
}

// The volume being read is not in the database yet: its own Id among its
// sub-volumes would make a second volume of that Id below it, written in its
// place, so that the file loads into a database that cannot be written.
TEST_F(SrmVolumeTest, RecordNamingItselfAsSubVolumeLinksNothing) {
    const std::string records =
        "\"Type=Volume\",\"Id=self\",\"Name=kept\",\"SubVolumeCount=1\",;\n"
        "\"Type=Volume\",\"Id=self\",;\n";
    SrmResourceDatabase loaded;
    ASSERT_EQ(1, ulvar::testing::Load(&loaded, "\"ResourceCount=1\",;\n" + records));
    auto *self = static_cast<SrmVolume *>(loaded.findResource(SRM_RES_VOLUME, "self"));
    ASSERT_NE(nullptr, self);
    EXPECT_EQ("kept", self->Name);
    EXPECT_EQ(0, self->getSubVolumeList()->getTypeCount(SRM_RES_VOLUME));
    int result = 0;
    std::string written = ulvar::testing::Written(&loaded, &result);
    EXPECT_EQ(1, result);
    EXPECT_NE(std::string::npos, written.find("\"Name=kept\""));
}

TEST_F(SrmVolumeTest, MergeRulesWhereTheNewcomerDoesNotSimplyWin) {
    SrmVolume *held = AddVolume("v");
    held->setCapacity(500);
    held->Name = "kept";
    held->VolumeType = 3;
    held->Status = 2;
    held->StatusDesc = "degraded";
    held->HierType = SRM_HIER_SUBVOLUME;
    ASSERT_EQ(1, held->addDiskChunk(AddChunk("c1")));
    SrmScopedRef<SrmVolume> newcomer(new SrmVolume("v"));
    newcomer->Name = "other";
    newcomer->VolumeType = -1;
    newcomer->StatusDesc = "ignored without a status";
    newcomer->HierType = SRM_HIER_HAS_SUBVOLUMES;
    ASSERT_EQ(1, newcomer->addDiskChunk(AddChunk("c2")));
    ASSERT_EQ(1, held->mergeResource(newcomer.get()));
    EXPECT_EQ(0, held->CapacityKB);  // 0 or more always wins
    EXPECT_EQ("kept", held->Name);
    EXPECT_EQ(3, held->VolumeType);
    EXPECT_EQ(2, held->Status);
    EXPECT_EQ("degraded", held->StatusDesc);
    EXPECT_EQ(SRM_HIER_SUBVOLUME, held->HierType);
    EXPECT_EQ(2, held->getDiskChunkList()->getTypeCount(SRM_RES_DISKCHUNK));
    EXPECT_EQ(1, newcomer->isMerged());

    SrmScopedRef<SrmVolume> top(new SrmVolume("t"));
    SrmScopedRef<SrmVolume> topNewcomer(new SrmVolume("t"));
    topNewcomer->HierType = SRM_HIER_HAS_SUBVOLUMES;
    topNewcomer->Status = 5;
    ASSERT_EQ(1, top->mergeResource(topNewcomer.get()));
    EXPECT_EQ(SRM_HIER_HAS_SUBVOLUMES, top->HierType);
    EXPECT_EQ(5, top->Status);
    EXPECT_EQ("", top->StatusDesc);
}

TEST_F(SrmVolumeTest, PlaceholderTakesNameAndManagerFromTheVolumeMergedIntoIt) {
    AddManager("lvm", 1, "LVM");
    AddManager("md", 2, "md");
    SrmScopedRef<SrmVolume> described(new SrmVolume(&db));
    described->Id = "v2";
    described->Name = "home";
    described->setVolumeMgrId("1");

    // Made for a member record: Id only.
    SrmVolume *placeholder = AddVolume("v2");
    ASSERT_EQ(1, placeholder->mergeResource(described.get()));
    EXPECT_EQ("home", placeholder->Name);
    EXPECT_EQ("1", placeholder->VolumeManager);
    ASSERT_NE(nullptr, placeholder->getVolumeManager());
    EXPECT_EQ("LVM", placeholder->getVolumeManager()->VolumeMgrName);

    // Once it has them, a later record changes neither.
    SrmScopedRef<SrmVolume> later(new SrmVolume(&db));
    later->Id = "v2";
    later->Name = "other";
    later->setVolumeMgrId("2");
    ASSERT_EQ(1, placeholder->mergeResource(later.get()));
    EXPECT_EQ("home", placeholder->Name);
    EXPECT_EQ("1", placeholder->VolumeManager);
    EXPECT_EQ("LVM", placeholder->getVolumeManager()->VolumeMgrName);
}

TEST_F(SrmVolumeTest, UnknownManagerNumberLeavesVolumeWithoutManager) {
    AddManager("vm1", 7, "VxVM");
    SrmVolume *v = AddVolume("v");
    v->setVolumeMgrId("8");
    EXPECT_EQ(nullptr, v->getVolumeManager());
    EXPECT_EQ("", v->VolumeManager);
    EXPECT_EQ(std::string::npos, Write(v, 0).find("VolumeManager"));
}

TEST_F(SrmVolumeTest, ManagerReplacedOrRemovedInTheDatabaseStaysValid) {
    AddManager("vm1", 7, "VxVM");
    SrmVolume *v = AddVolume("v");
    v->setVolumeMgrId("7");
    // A newer batch replaces the manager under the same Id.
    AddManager("vm1", 7, "newer");
    ASSERT_NE(nullptr, v->getVolumeManager());
    EXPECT_EQ("VxVM", v->getVolumeManager()->VolumeMgrName);
    db.removeResource(SRM_RES_VOLUMEMANAGER, "vm1");
    EXPECT_EQ("VxVM", v->getVolumeManager()->VolumeMgrName);
    EXPECT_NE(std::string::npos, Write(v, 0).find("\"VolumeManager=7\","));
}

TEST_F(SrmVolumeTest, RemovingAChunkFromTheDatabaseDropsItFromVolumes) {
    SrmVolume *v = AddVolume("v");
    SrmScopedRef<SrmVolumeGroup> group(new SrmVolumeGroup("g"));
    db.addResource(group.get());  // unlinked through the volume groups as well
    ASSERT_EQ(1, v->addDiskChunk(AddChunk("c1")));
    ASSERT_EQ(1, db.removeResource(SRM_RES_DISKCHUNK, "c1"));
    EXPECT_EQ(0, v->getDiskChunkList()->getTypeCount(SRM_RES_DISKCHUNK));
}

class SrmVolumeWalkTest : public SrmVolumeTest {};

TEST_F(SrmVolumeWalkTest, SubVolumesComeFirstAndEachVolumeOnce) {
    SrmVolume *a = AddVolume("a");
    SrmVolume *b = AddVolume("b");
    SrmVolume *c = AddVolume("c");
    SrmVolume *d = AddVolume("d");
    ASSERT_EQ(1, a->addSubVolume(c));
    ASSERT_EQ(1, a->addSubVolume(b));
    ASSERT_EQ(1, d->addSubVolume(c));
    std::vector<std::string> order;
    SrmVolumeWalk walk;
    auto note = [&order](SrmVolume *v) {
        order.push_back(v->Id);
        return 1;
    };
    EXPECT_EQ(1, walk.subVolumesFirst(a, note));
    EXPECT_EQ(1, walk.subVolumesFirst(d, note));
    EXPECT_EQ((std::vector<std::string>{"b", "c", "a", "d"}), order);
    EXPECT_EQ(1, walk.visited(c));
    // Every volume below d was visited already: nothing is left to visit.
    EXPECT_EQ(1, walk.subVolumesFirst(d, [](SrmVolume *) { return 0; }));
    walk.reset();
    EXPECT_EQ(0, walk.subVolumesFirst(d, [](SrmVolume *) { return 0; }));
}

TEST_F(SrmVolumeWalkTest, LoopMadeByHandEnds) {
    SrmVolume *a = AddVolume("a");
    SrmVolume *b = AddVolume("b");
    // Lists changed directly bypass every check.
    ASSERT_EQ(1, a->getSubVolumeList()->addResource(b));
    ASSERT_EQ(1, b->getSubVolumeList()->addResource(a));
    std::vector<std::string> order;
    SrmVolumeWalk walk;
    EXPECT_EQ(1, walk.subVolumesFirst(a, [&order](SrmVolume *v) {
        order.push_back(v->Id);
        return 1;
    }));
    EXPECT_EQ((std::vector<std::string>{"b", "a"}), order);
    EXPECT_EQ(1, srmVolumeHolds(b, b));
    EXPECT_EQ(0, srmVolumeHolds(a, AddVolume("z")));
    // Break the ring so the database can free both.
    b->removeSubVolume(a);
}

TEST_F(SrmVolumeWalkTest, DeepChainNeedsNoDeepStack) {
    SrmVolume *top = AddVolume("v0");
    SrmVolume *last = top;
    for (int i = 1; i < 3000; ++i) {
        SrmVolume *next = AddVolume("v" + std::to_string(i));
        ASSERT_EQ(1, last->addSubVolume(next)) << i;
        last = next;
    }
    int count = 0;
    SrmVolumeWalk walk;
    EXPECT_EQ(1, walk.subVolumesFirst(top, [&count](SrmVolume *) { return ++count, 1; }));
    EXPECT_EQ(3000, count);
    EXPECT_EQ(1, walk.subVolumesFirst(nullptr, [](SrmVolume *) { return 0; }));
}

}  // namespace
