#include "inventory/kinds/internal/SrmKindMerge.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/record/internal/SrmRecordWalk.h"
#include "inventory/testing/StorageRecords.h"

namespace {

using ulvar::testing::BytesOf;

// One kind: `make` gives a resource of the kind with its fields set (and, for
// the kinds that hold members, members of their own), bound to `db`, with the
// creator's reference; `members` receives what it holds.
struct KindCase {
    const char *name;
    std::function<SrmResource *(SrmResourceDatabase *, const std::string &,
                                std::vector<SrmResource *> *)>
        make;
};

template <typename T>
T *bound(SrmResourceDatabase *db, T *r) {
    r->db = db;
    return r;
}

// A member kept alive by `db` only.
template <typename T>
T *member(SrmResourceDatabase *db, T *r, std::vector<SrmResource *> *members) {
    db->addResource(r);
    r->Release();
    members->push_back(r);
    return r;
}

std::vector<KindCase> allKinds() {
    using Members = std::vector<SrmResource *>;
    return {
        {"computer",
         [](SrmResourceDatabase *db, const std::string &id, Members *m) {
             auto *c = bound(db, new SrmComputer(id));
             c->RAMMB = 512;
             c->setCapacity(900);
             c->addResource(member(db, new SrmDisk(id + "-d"), m));
             return c;
         }},
        {"disk",
         [](SrmResourceDatabase *db, const std::string &id, Members *) {
             auto *d = bound(db, new SrmDisk(id));
             d->Name = "c0t0d0";
             d->Status = 3;
             d->setCapacity(100);
             return d;
         }},
        {"disk chunk",
         [](SrmResourceDatabase *db, const std::string &id, Members *) {
             auto *c = bound(db, new SrmDiskChunk(id));
             c->Disk = "d1";
             c->setStartAndLength(8, 16);
             return c;
         }},
        {"volume",
         [](SrmResourceDatabase *db, const std::string &id, Members *m) {
             auto *v = bound(db, new SrmVolume(id));
             v->Status = 2;
             v->StatusDesc = "degraded";
             v->setCapacity(300);
             v->addDiskChunk(member(db, new SrmDiskChunk(id + "-c"), m));
             v->addSubVolume(member(db, new SrmVolume(id + "-sub"), m));
             return v;
         }},
        {"volume group",
         [](SrmResourceDatabase *db, const std::string &id, Members *m) {
             auto *g = bound(db, new SrmVolumeGroup(id));
             g->setCapacity(400);
             g->addDisk(member(db, new SrmDisk(id + "-d"), m));
             g->addVolume(member(db, new SrmVolume(id + "-v"), m));
             return g;
         }},
        {"volume manager",
         [](SrmResourceDatabase *db, const std::string &id, Members *) {
             auto *vm = bound(db, new SrmVolumeManager(id));
             vm->VolumeMgrName = "VxVM";
             vm->IdType = 7;
             return vm;
         }},
        {"file system",
         [](SrmResourceDatabase *db, const std::string &id, Members *) {
             auto *f = bound(db, new SrmFileSystem(id));
             f->FSType = "ufs";
             f->setUsedSpace(50);
             return f;
         }},
        {"mount point",
         [](SrmResourceDatabase *db, const std::string &id, Members *) {
             auto *p = bound(db, new SrmMountPoint(id));
             p->MountLocation = "/export";
             p->ReadOnly = 1;
             return p;
         }},
        {"share",
         [](SrmResourceDatabase *db, const std::string &id, Members *) {
             auto *s = bound(db, new SrmShare(id));
             s->ShareName = "docs";
             s->ShareFlags = 4;
             return s;
         }},
        {"virtual server",
         [](SrmResourceDatabase *db, const std::string &id, Members *) {
             auto *v = bound(db, new SrmVirtualServer(id));
             v->HostName = "vs.example";
             v->Port = 80;
             return v;
         }},
        {"alias",
         [](SrmResourceDatabase *db, const std::string &id, Members *) {
             auto *a = bound(db, new SrmId(id));
             a->PrimaryId = "wwn-1";
             a->IdType = "WWN";
             return a;
         }},
    };
}

std::string recordOf(SrmResource *r) {
    return BytesOf([&](int fd) { return r->serialize(fd, 0); });
}

void expectNoneMerged(const std::vector<SrmResource *> &members) {
    for (SrmResource *m : members) {
        EXPECT_EQ(0, m->isMerged()) << m->Id;
    }
}

// A resource handed to its own merge (two lists sharing it) stays as it was and
// unmarked, members included, so that it still counts as a newcomer later.
TEST(SrmKindMergeTest, EveryKindTreatsMergingWithItselfAsNothingToDo) {
    for (const KindCase &kind : allKinds()) {
        SCOPED_TRACE(kind.name);
        SrmResourceDatabase db;
        std::vector<SrmResource *> members;
        SrmScopedRef<SrmResource> r(kind.make(&db, "x", &members));
        std::string before = recordOf(r.get());

        EXPECT_EQ(1, r->mergeResource(r.get()));
        EXPECT_EQ(0, r->isMerged());
        EXPECT_EQ(before, recordOf(r.get()));
        expectNoneMerged(members);

        // Merged into another resource of its kind later, it is absorbed.
        std::vector<SrmResource *> unused;
        SrmScopedRef<SrmResource> other(kind.make(&db, "x", &unused));
        EXPECT_EQ(1, other->mergeResource(r.get()));
        EXPECT_EQ(1, r->isMerged());
    }
}

// The list merge hands each shared resource to its own merge; none of them,
// nor what they hold, may come out marked.
TEST(SrmKindMergeTest, ListsSharingEveryKindMergeWithoutMarkingAnything) {
    SrmResourceDatabase db;
    SrmResourceList mine(&db);
    SrmResourceList theirs(&db);
    std::vector<SrmResource *> shared;
    std::vector<SrmResource *> members;
    int n = 0;
    for (const KindCase &kind : allKinds()) {
        SrmScopedRef<SrmResource> r(kind.make(&db, "s" + std::to_string(n++), &members));
        ASSERT_EQ(1, mine.addResource(r.get()));
        ASSERT_EQ(1, theirs.addResource(r.get()));
        shared.push_back(r.get());
    }
    EXPECT_EQ(1, mine.mergeResources(&theirs));
    expectNoneMerged(shared);
    expectNoneMerged(members);
}

}  // namespace

namespace {

// Every kind that writes "State" writes the same text for the same word: its
// bits as a signed 32-bit decimal, so a high bit reads back unchanged.
TEST(SrmKindRecordTest, EveryKindWritesAHighStateBitAsOneSignedWord) {
    for (const KindCase &kind : allKinds()) {
        SCOPED_TRACE(kind.name);
        SrmResourceDatabase db;
        std::vector<SrmResource *> members;
        SrmScopedRef<SrmResource> r(kind.make(&db, "x", &members));
        r->state |= 0x80000000u;
        std::string record = recordOf(r.get());
        record = record.substr(0, record.find('\n'));
        if (record.find("\"State=") == std::string::npos) {
            continue;  // volume managers and aliases carry no state
        }
        std::string expected = "\"State=" + std::to_string(static_cast<int32_t>(r->state)) + "\",";
        EXPECT_NE(std::string::npos, record.find(expected)) << record;
        EXPECT_EQ(r->state, srm_walk::stateWord(std::to_string(static_cast<int32_t>(r->state))));
    }
}

}  // namespace
