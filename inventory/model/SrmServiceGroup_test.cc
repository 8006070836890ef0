#include "inventory/model/SrmServiceGroup.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/SrmRecordWriter.h"
#include "inventory/testing/CountingResource.h"
#include "inventory/testing/RecordStream.h"

namespace {

using ulvar::testing::BytesOf;
using ulvar::testing::CountingResource;
using ulvar::testing::CountingResourceLog;
using ulvar::testing::refCountOf;

// A resource of any kind whose short record is its kind word and Id, and which
// counts its destruction.
class ShortRecordResource : public SrmResource {
  public:
    ShortRecordResource(CountingResourceLog *log, SrmResourceType kind, std::string id) : log(log) {
        type = kind;
        Id = std::move(id);
    }
    ~ShortRecordResource() override { ++log->destroyed; }
    int mergeResource(SrmResource *other) override {
        other->state |= SRM_STATE_MERGED;
        return 1;
    }
    std::string getResourceReportString(bool) override { return Id; }
    std::string getResourceHeader(bool) override { return "Id"; }
    int serialize(int fd, int) override {
        if (db == nullptr) {
            return 0;
        }
        SrmRecordWriter w(db->getRecordText());
        w.addWord(SRM_KEY_Type, wordOf(type));
        w.addText(SRM_KEY_Id, Id);
        return w.write(fd);
    }
    int deserialize(int, CSRMReportTuple *) override { return 1; }

  private:
    static int wordOf(SrmResourceType t) {
        switch (t) {
            case SRM_RES_DISK:
                return SRM_KEY_Disk;
            case SRM_RES_DISKCHUNK:
                return SRM_KEY_DiskChunk;
            case SRM_RES_VOLUME:
                return SRM_KEY_Volume;
            case SRM_RES_SHARE:
                return SRM_KEY_Share;
            case SRM_RES_VOLUMEGROUP:
                return SRM_KEY_VolumeGroup;
            default:
                return SRM_KEY_Error;
        }
    }
    CountingResourceLog *log;
};

class CountedVirtualServer : public SrmVirtualServer {
  public:
    CountedVirtualServer(CountingResourceLog *log, std::string id)
        : SrmVirtualServer(std::move(id)), log(log) {}
    ~CountedVirtualServer() override { ++log->destroyed; }

  private:
    CountingResourceLog *log;
};

class CountedComputer : public SrmComputer {
  public:
    CountedComputer(CountingResourceLog *log, std::string id)
        : SrmComputer(std::move(id)), log(log) {}
    ~CountedComputer() override { ++log->destroyed; }

  private:
    CountingResourceLog *log;
};

class CountedGroup : public SrmServiceGroup {
  public:
    CountedGroup(CountingResourceLog *log, std::string name)
        : SrmServiceGroup(std::move(name)), log(log) {}
    ~CountedGroup() override { ++log->destroyed; }

  private:
    CountingResourceLog *log;
};

// Adds a resource to a database and gives the creator's reference back.
template <typename T>
T *addTo(SrmResourceDatabase &db, T *r) {
    EXPECT_EQ(1, db.addResource(r));
    r->Release();
    return r;
}

// Adds a new group of that name to a database and gives the creator's reference back.
SrmServiceGroup *groupIn(SrmResourceDatabase &db, const std::string &name) {
    auto *g = new SrmServiceGroup(name);
    EXPECT_EQ(1, db.addServiceGroup(g));
    g->Release();
    return g;
}

std::string lastMessage(SrmResourceDatabase &db, int *code = nullptr) {
    std::string message;
    db.getLastErrorInfo(code, message, nullptr);
    return message;
}

class SrmServiceGroupTest : public ::testing::Test {
  protected:
    CountingResourceLog log;
    SrmResourceDatabase db;
};

TEST_F(SrmServiceGroupTest, SameChildTwiceIsAcceptedAndASecondChildRefused) {
    SrmServiceGroup *a = groupIn(db, "a");
    SrmServiceGroup *b = groupIn(db, "b");
    SrmServiceGroup *c = groupIn(db, "c");
    EXPECT_EQ(0, a->setNextServiceGroup(nullptr));
    EXPECT_EQ(1, a->setNextServiceGroup(b));
    EXPECT_EQ(1, a->setNextServiceGroup(b));
    EXPECT_EQ(0, a->setNextServiceGroup(c));
    int code = 0;
    EXPECT_EQ("Invalid Service Group Dependency provided", lastMessage(db, &code));
    EXPECT_EQ(22, code);
    EXPECT_EQ(b, a->getNextServiceGroup());
}

TEST_F(SrmServiceGroupTest, LinkClosingACycleIsRefused) {
    SrmServiceGroup *a = groupIn(db, "a");
    SrmServiceGroup *b = groupIn(db, "b");
    SrmServiceGroup *c = groupIn(db, "c");
    EXPECT_EQ(1, db.setChildServiceGroup("a", "b"));
    EXPECT_EQ(1, db.setChildServiceGroup("b", "c"));
    // The database call reports success whatever the group decides.
    EXPECT_EQ(1, db.setChildServiceGroup("c", "a"));
    EXPECT_EQ(nullptr, c->getNextServiceGroup());
    EXPECT_EQ("Circular Service Sroup Dependency reported", lastMessage(db));
    EXPECT_EQ(0, c->setNextServiceGroup(c));
    EXPECT_EQ(nullptr, c->getNextServiceGroup());
    EXPECT_EQ(0, db.setChildServiceGroup("c", "nowhere"));
    EXPECT_EQ(0, db.setChildServiceGroup("", "a"));
    (void)a;
    (void)b;
}

TEST_F(SrmServiceGroupTest, RecordedParentIsRefusedAsChildAndParentCyclesEnd) {
    SrmServiceGroup *a = groupIn(db, "a");
    SrmServiceGroup *b = groupIn(db, "b");
    SrmServiceGroup *c = groupIn(db, "c");
    EXPECT_EQ(1, a->addParentGroup(b));
    EXPECT_EQ(0, a->addParentGroup(b));
    EXPECT_EQ(1, b->addParentGroup(c));
    EXPECT_EQ(1, c->addParentGroup(a));
    EXPECT_EQ(1, a->checkCircDependency(c));
    EXPECT_EQ(0, a->checkCircDependency(groupIn(db, "d")));
    EXPECT_EQ(0, a->setNextServiceGroup(c));
    // Removing a parent leaves no pointer to it behind.
    EXPECT_EQ(1, db.removeServiceGroup("c"));
    EXPECT_EQ(0, b->checkCircDependency(a));
}

TEST_F(SrmServiceGroupTest, DependantResourcesFollowTheChain) {
    SrmServiceGroup *a = groupIn(db, "a");
    SrmServiceGroup *b = groupIn(db, "b");
    auto *d1 = addTo(db, new ShortRecordResource(&log, SRM_RES_DISK, "d1"));
    auto *v1 = addTo(db, new ShortRecordResource(&log, SRM_RES_VOLUME, "v1"));
    a->addResource(d1);
    b->addResource(v1);
    b->addResource(d1);
    a->setNextServiceGroup(b);

    SrmResourceList all(&db);
    EXPECT_EQ(0, a->getDependantResourceList(nullptr));
    EXPECT_EQ(1, a->getDependantResourceList(&all));
    EXPECT_EQ(2, all.getResourceCount());
    SrmResourceList volumes(&db);
    EXPECT_EQ(1, a->getDependantResourceList(&volumes, SRM_RES_VOLUME));
    EXPECT_EQ(1, volumes.getResourceCount());
    EXPECT_EQ(v1, volumes.findResource(SRM_RES_VOLUME, "v1"));
}

TEST_F(SrmServiceGroupTest, FullRecordCarriesChildCountAndMemberRecordsInKindOrder) {
    SrmServiceGroup *a = groupIn(db, "sgA");
    SrmServiceGroup *b = groupIn(db, "sgB");
    a->setNextServiceGroup(b);
    auto *host = new SrmComputer("node1");
    db.addComputer(host, 0);
    host->Release();
    a->addResource(host);
    a->addResource(addTo(db, new SrmVirtualServer("vs1")));
    a->addResource(addTo(db, new ShortRecordResource(&log, SRM_RES_VOLUMEGROUP, "vg1")));
    a->addResource(addTo(db, new ShortRecordResource(&log, SRM_RES_SHARE, "sh1")));
    a->addResource(addTo(db, new ShortRecordResource(&log, SRM_RES_VOLUME, "v1")));
    a->addResource(addTo(db, new ShortRecordResource(&log, SRM_RES_DISKCHUNK, "c1")));
    a->addResource(addTo(db, new ShortRecordResource(&log, SRM_RES_DISK, "d2")));
    a->addResource(addTo(db, new ShortRecordResource(&log, SRM_RES_DISK, "d1")));
    // Neither counted nor written.
    a->addResource(addTo(db, new CountingResource(&log, SRM_RES_VOLUMEMANAGER, "vm")));
    a->addResource(addTo(db, new CountingResource(&log, SRM_RES_ID, "alias")));

    int result = 0;
    EXPECT_EQ(
        "\"Type=ServiceGroup\",\"Id=sgA\",\"ChildServiceGroup=sgB\",\"ResourceCount=8\",;\n"
        "\"Type=Disk\",\"Id=d1\",;\n"
        "\"Type=Disk\",\"Id=d2\",;\n"
        "\"Type=DiskChunk\",\"Id=c1\",;\n"
        "\"Type=Volume\",\"Id=v1\",;\n"
        "\"Type=Share\",\"Id=sh1\",;\n"
        "\"Type=System\",\"Id=node1\",;\n"
        "\"Type=VirtualServer\",\"Id=vs1\",;\n"
        "\"Type=VolumeGroup\",\"Id=vg1\",;\n",
        BytesOf([&](int fd) { return a->serialize(fd, 0); }, &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ("\"Type=ServiceGroup\",\"Id=sgA\",;\n",
              BytesOf([&](int fd) { return a->serialize(fd, 3); }));
    EXPECT_EQ("\"Type=ServiceGroup\",\"Id=sgB\",\"ResourceCount=0\",;\n",
              BytesOf([&](int fd) { return b->serialize(fd, 0); }));
}

TEST_F(SrmServiceGroupTest, UnboundGroupWritesNothingAndFailedWriteIsReported) {
    SrmServiceGroup loose("loose");
    EXPECT_EQ("", BytesOf([&](int fd) { return loose.serialize(fd, 0); }));
    SrmServiceGroup *a = groupIn(db, "a");
    EXPECT_EQ(0, a->serialize(-1, 0));
    int code = 0;
    EXPECT_EQ("Failed to serialize Service Group", lastMessage(db, &code));
    EXPECT_EQ(5, code);
}

TEST_F(SrmServiceGroupTest, RecordReadsMembersAndCreatesTheChildGroup) {
    auto *d1 = addTo(db, new ShortRecordResource(&log, SRM_RES_DISK, "d1"));
    auto *vs = addTo(db, new SrmVirtualServer("vs1"));
    ulvar::testing::Attached in(&db,
                                "\"Type=ServiceGroup\",\"Id=sgA\",\"ChildServiceGroup=sgB\","
                                "\"ResourceCount=2\",;\n"
                                "\"Type=Disk\",\"Id=d1\",;\n"
                                "\"Type=VirtualServer\",\"Id=vs1\",;\n"
                                "\"Type=Disk\",\"Id=after\",;\n");
    ASSERT_TRUE(in.ok());
    auto record = in.next();
    ASSERT_NE(nullptr, record);
    SrmServiceGroup *a = groupIn(db, "sgA");
    EXPECT_EQ(1, a->deserialize(in.fd(), record.get()));
    EXPECT_EQ(d1, a->getResourceList()->findResource(SRM_RES_DISK, "d1"));
    SrmResourceIdMap *servers = nullptr;
    EXPECT_EQ(1, a->getVirtualServerList(&servers));
    ASSERT_NE(nullptr, servers);
    EXPECT_EQ(vs, servers->begin()->second);
    SrmServiceGroup *b = db.findServiceGroup("sgB");
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(b, a->getNextServiceGroup());
    EXPECT_EQ(0, b->getResourceList()->getResourceCount());
    // The reader stopped right after the announced members.
    auto rest = in.next();
    ASSERT_NE(nullptr, rest);
    std::string element;
    rest->getNextElement(element);
    rest->getNextElement(element);
    EXPECT_EQ("\"Id=after\"", element);
}

TEST_F(SrmServiceGroupTest, MissingMemberFailsTheRecordAndKeepsTheOthers) {
    auto *d1 = addTo(db, new ShortRecordResource(&log, SRM_RES_DISK, "d1"));
    ulvar::testing::Attached in(&db,
                                "\"Type=ServiceGroup\",\"Id=sgA\",\"ResourceCount=3\",;\n"
                                "\"Type=Disk\",\"Id=d1\",;\n"
                                "\"Type=Disk\",\"Id=gone\",;\n"
                                "\"Type=Id\",\"Id=d1\",;\n");
    auto record = in.next();
    ASSERT_NE(nullptr, record);
    SrmServiceGroup *a = groupIn(db, "sgA");
    EXPECT_EQ(0, a->deserialize(in.fd(), record.get()));
    EXPECT_EQ("Failed to deserialize Service Group", lastMessage(db));
    EXPECT_EQ(1, a->getResourceList()->getResourceCount());
    EXPECT_EQ(d1, a->getResourceList()->findResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(0, a->deserialize(in.fd(), nullptr));
}

TEST_F(SrmServiceGroupTest, AnnouncedMembersNeedADatabaseReader) {
    SrmServiceGroup *a = groupIn(db, "sgA");
    CSRMReportTuple record;
    record.addElement("\"Type=ServiceGroup\"");
    record.addElement("\"ResourceCount=1\"");
    EXPECT_EQ(0, a->deserialize(-1, &record));
    CSRMReportTuple empty;
    empty.addElement("\"Id=sgA\"");
    EXPECT_EQ(1, a->deserialize(-1, &empty));
}

TEST_F(SrmServiceGroupTest, DatabaseRefusesUnnamedAndDuplicateGroups) {
    EXPECT_EQ(0, db.addServiceGroup(nullptr));
    SrmServiceGroup unnamed;
    EXPECT_EQ(0, db.addServiceGroup(&unnamed));
    SrmServiceGroup *a = groupIn(db, "a");
    auto *again = new SrmServiceGroup("a");
    EXPECT_EQ(0, db.addServiceGroup(again));
    again->Release();
    EXPECT_EQ(&db, a->getDb());
    EXPECT_EQ(&db, a->getResourceList()->getDb());
    EXPECT_EQ(1, refCountOf(a));
}

TEST_F(SrmServiceGroupTest, RemovedGroupLeavesNoChildLinkBehind) {
    SrmServiceGroup *a = groupIn(db, "a");
    groupIn(db, "b");
    db.setChildServiceGroup("a", "b");
    EXPECT_EQ(0, db.removeServiceGroup(""));
    EXPECT_EQ(0, db.removeServiceGroup("nowhere"));
    EXPECT_EQ(1, db.removeServiceGroup("b"));
    EXPECT_EQ(nullptr, a->getNextServiceGroup());
    EXPECT_EQ("\"Type=ServiceGroup\",\"Id=a\",\"ResourceCount=0\",;\n",
              BytesOf([&](int fd) { return a->serialize(fd, 0); }));
}

TEST_F(SrmServiceGroupTest, RemovedResourceLeavesEveryGroup) {
    groupIn(db, "a");
    groupIn(db, "b");
    auto *vs = addTo(db, new CountedVirtualServer(&log, "vs1"));
    EXPECT_EQ(0, db.addServiceGroupResource("nowhere", vs));
    EXPECT_EQ(0, db.addServiceGroupResource("a", nullptr));
    EXPECT_EQ(1, db.addServiceGroupResource("a", vs));
    EXPECT_EQ(1, db.addServiceGroupResource("b", vs));
    EXPECT_EQ(1, db.removeResource(SRM_RES_VIRTUALSERVER, "vs1"));
    EXPECT_EQ(1, log.destroyed);
    EXPECT_EQ(0, db.removeServiceGroupResource(nullptr));
    EXPECT_EQ(2, db.removeAllServiceGroupResources());
}

// A merge must leave this database with its own groups, linked among
// themselves, so that deleting the other database leaves it sound.
TEST_F(SrmServiceGroupTest, MergedGroupsSurviveTheOtherDatabase) {
    auto other = std::make_unique<SrmResourceDatabase>();
    auto *theirDisk = addTo(*other, new ShortRecordResource(&log, SRM_RES_DISK, "d1"));
    auto *theirVolume = addTo(*other, new ShortRecordResource(&log, SRM_RES_VOLUME, "v1"));
    SrmServiceGroup *theirA = groupIn(*other, "a");
    SrmServiceGroup *theirB = groupIn(*other, "b");
    theirA->addResource(theirDisk);
    theirB->addResource(theirVolume);
    other->setChildServiceGroup("a", "b");

    auto *myDisk = addTo(db, new ShortRecordResource(&log, SRM_RES_DISK, "d1"));
    SrmServiceGroup *myB = groupIn(db, "b");

    EXPECT_EQ(1, db.mergeResourceDatabase(other.get()));
    SrmServiceGroup *myA = db.findServiceGroup("a");
    ASSERT_NE(nullptr, myA);
    EXPECT_NE(theirA, myA);
    EXPECT_EQ(myB, db.findServiceGroup("b"));
    EXPECT_EQ(myB, myA->getNextServiceGroup());
    EXPECT_EQ(myDisk, myA->getResourceList()->findResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(theirVolume, myB->getResourceList()->findResource(SRM_RES_VOLUME, "v1"));
    EXPECT_EQ(other.get(), theirA->getDb());

    other.reset();
    EXPECT_EQ(&db, myA->getDb());
    EXPECT_EQ(
        "\"Type=ServiceGroup\",\"Id=a\",\"ChildServiceGroup=b\",\"ResourceCount=1\",;\n"
        "\"Type=Disk\",\"Id=d1\",;\n",
        BytesOf([&](int fd) { return myA->serialize(fd, 0); }));
    SrmResourceList all(&db);
    EXPECT_EQ(1, myA->getDependantResourceList(&all));
    EXPECT_EQ(2, all.getResourceCount());
}

// Groups hold their members, and member computers and virtual servers hold
// their groups; deleting the database must free both sides of every such ring,
// a group already removed from the database included.
TEST(SrmServiceGroupLifetime, DeletedDatabaseFreesGroupsThatResourcesHold) {
    CountingResourceLog log;
    {
        SrmResourceDatabase db;
        auto *a = new CountedGroup(&log, "a");
        auto *b = new CountedGroup(&log, "b");
        auto *gone = new CountedGroup(&log, "gone");
        db.addServiceGroup(a);
        db.addServiceGroup(b);
        db.addServiceGroup(gone);
        db.setChildServiceGroup("a", "b");
        db.setChildServiceGroup("b", "gone");

        auto *vs = new CountedVirtualServer(&log, "vs1");
        db.addResource(vs);
        vs->setServiceGroup(a);
        a->addResource(vs);
        auto *host = new CountedComputer(&log, "node1");
        db.addComputer(host, 1);
        host->addServiceGroup(b);
        host->addServiceGroup(gone);
        b->addResource(host);
        gone->addResource(host);
        auto *vs2 = new CountedVirtualServer(&log, "vs2");
        db.addResource(vs2);
        vs2->setServiceGroup(gone);
        gone->addResource(vs2);
        for (SrmRef *r : std::initializer_list<SrmRef *>{a, b, gone, vs, host, vs2}) {
            r->Release();
        }
        EXPECT_EQ(1, db.removeServiceGroup("gone"));
        EXPECT_EQ(0, log.destroyed);
    }
    EXPECT_EQ(6, log.destroyed);
}

}  // namespace
