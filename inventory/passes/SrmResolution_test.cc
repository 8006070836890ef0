#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/testing/CountingResource.h"

namespace {

using ulvar::testing::CountingResource;
using ulvar::testing::CountingResourceLog;

class SrmResolutionTest : public ::testing::Test {
  protected:
    // A new resource of kind T held by the database (and only by it).
    template <typename T>
    T *Add(const std::string &id) {
        T *r = new T(id);
        db.addResource(r);
        r->Release();
        return r;
    }
    // A disk that passes the disk checks.
    SrmDisk *Disk(const std::string &id) {
        SrmDisk *d = Add<SrmDisk>(id);
        d->Sign = 7;
        d->Name = "name-" + id;
        return d;
    }
    SrmDiskChunk *Chunk(const std::string &id, const std::string &disk) {
        SrmDiskChunk *c = Add<SrmDiskChunk>(id);
        c->Disk = disk;
        return c;
    }
    SrmVolume *Volume(const std::string &id, std::vector<SrmDiskChunk *> chunks) {
        SrmVolume *v = Add<SrmVolume>(id);
        for (SrmDiskChunk *c : chunks) {
            v->addDiskChunk(c);
        }
        return v;
    }
    void ThisComputer(const std::string &host) {
        SrmComputer *c = new SrmComputer(host);
        db.addComputer(c, 1);
        c->Release();
    }
    SrmServiceGroup *Group(const std::string &name) {
        SrmServiceGroup *g = new SrmServiceGroup(name);
        db.addServiceGroup(g);
        g->Release();
        return g;
    }
    std::vector<std::string> Errors(const std::string &key) {
        std::vector<std::string> texts;
        if (const SrmErrorIdList *list = db.getErrorList()->getSrmErrorIdMap(key)) {
            for (const SrmError *e : *list) {
                texts.push_back(e->ErrorDesc + " " + std::to_string(e->Ecode) + "/" +
                                std::to_string(e->Sev));
            }
        }
        return texts;
    }
    std::string LastError(int *code = nullptr, SrmResource **r = nullptr) {
        std::string message;
        db.getLastErrorInfo(code, message, r);
        return message;
    }
    // Ids of the group's members of kind t, in order.
    static std::string Members(SrmServiceGroup *g, SrmResourceType t) {
        std::string ids;
        if (SrmResourceIdMap *map = g->getResourceList()->getSrmResourceIdMap(t)) {
            for (const auto &entry : *map) {
                ids += (ids.empty() ? "" : " ") + entry.first;
            }
        }
        return ids;
    }

    CountingResourceLog log;  // outlives the database, which destroys test resources
    SrmResourceDatabase db;
};

TEST_F(SrmResolutionTest, DatabaseOfComputersOnlyMakesNoCopies) {
    ThisComputer("node1");
    EXPECT_EQ(0, db.resolveDatabase());
    EXPECT_EQ(0, db.getErrorList()->getErrorCount());
    EXPECT_EQ(0xCu, db.findResource(SRM_RES_COMPUTER, "node1")->state);
}

TEST_F(SrmResolutionTest, ClearedReportBitOfVolumeGroupReachesExactlyTheStackBelowIt) {
    SrmDisk *d1 = Disk("d1");
    SrmDisk *d2 = Disk("d2");
    SrmDiskChunk *c1 = Chunk("c1", "d1");
    SrmDiskChunk *c2 = Chunk("c2", "d2");
    SrmVolume *v1 = Volume("v1", {c1});
    SrmVolume *v2 = Volume("v2", {c2});
    SrmVolume *listed = Volume("vg-vol", {});
    SrmVolumeGroup *g = Add<SrmVolumeGroup>("dg");
    g->addDisk(d1);
    g->addVolume(listed);
    g->state = SRM_STATE_VIRTUAL_REPORT | SRM_STATE_BIT2;
    // A file system, a mount point and a share on volume `v`.
    auto residentsOn = [this](const std::string &v) {
        SrmFileSystem *f = Add<SrmFileSystem>("fs-" + v);
        f->Volume = v;
        SrmMountPoint *m = Add<SrmMountPoint>("mp-" + v);
        m->VolumeId = v;
        SrmShare *s = Add<SrmShare>("sh-" + v);
        s->VolumeId = v;
        return std::vector<SrmResource *>{f, m, s};
    };
    std::vector<SrmResource *> below = residentsOn("v1");
    std::vector<SrmResource *> beside = residentsOn("v2");
    below.insert(below.end(), {d1, c1, v1, listed});
    beside.insert(beside.end(), {d2, c2, v2});

    // Step 1: d1, vg-vol; chunks c1, c2; volumes v1, v2; two each of file
    // systems, mount points and shares.
    EXPECT_EQ(12, db.resolveDatabase());

    for (SrmResource *r : below) {
        EXPECT_EQ(g->state, r->state) << r->Id;  // replaced, not ORed
    }
    for (SrmResource *r : beside) {
        EXPECT_EQ(1, r->shouldReport()) << r->Id;
    }
    EXPECT_EQ(0, db.getErrorList()->getErrorCount());
}

TEST_F(SrmResolutionTest, VolumeGroupThatNeverHeldADiskPassesItsStateToNobody) {
    SrmVolume *v = Volume("v1", {});
    SrmVolumeGroup *g = Add<SrmVolumeGroup>("dg");
    g->addVolume(v);
    g->setReport(false);

    EXPECT_EQ(0, db.resolveDatabase());
    EXPECT_EQ(1, v->shouldReport());
}

TEST_F(SrmResolutionTest, LastChunkOnAKnownDiskDecidesTheVolume) {
    Disk("d1");
    SrmDisk *d2 = Disk("d2");
    d2->state = SRM_STATE_BIT1;
    SrmVolume *v = Volume("v1", {Chunk("c1", "d1"), Chunk("c2", "d2"), Chunk("c3", "gone")});

    // Chunks c1 and c2 in step 3, then both again for the volume in step 4.
    EXPECT_EQ(4, db.resolveDatabase());
    EXPECT_EQ(SRM_STATE_BIT1, v->state);
    EXPECT_EQ(0xCu, db.findResource(SRM_RES_DISKCHUNK, "c3")->state);
}

TEST_F(SrmResolutionTest, DiskWithoutSignatureAndNameCarriesBothErrorsAndLeavesTheReport) {
    ThisComputer("Node1");
    SrmDisk *bad = Add<SrmDisk>("d1");
    SrmDiskChunk *c = Chunk("c1", "d1");
    SrmDisk *unreported = Add<SrmDisk>("d2");
    unreported->setReport(false);

    EXPECT_EQ(1, db.resolveDatabase());

    EXPECT_EQ(std::vector<std::string>(
                  {"Disk signature not generated: d1 22/2", "Disk Name not generated: d1 22/2"}),
              Errors("node1"));
    int code = 0;
    SrmResource *concerned = nullptr;
    EXPECT_EQ("Disk Name not generated: d1", LastError(&code, &concerned));
    EXPECT_EQ(22, code);
    EXPECT_EQ(bad, concerned);
    EXPECT_EQ(0, bad->shouldReport());
    EXPECT_EQ(0, c->shouldReport());  // the cleared bit reaches the chunk
}

TEST_F(SrmResolutionTest, DiskProblemWithoutAComputerIsStillTheLastError) {
    SrmDisk *d = Add<SrmDisk>("d1");
    d->Name = "disk";

    db.resolveDatabase();

    int code = 0;
    EXPECT_EQ("Disk signature not generated: d1", LastError(&code));
    EXPECT_EQ(22, code);
    EXPECT_EQ(0, db.getErrorList()->getErrorCount());  // no host name to file it under
    EXPECT_EQ(0, d->shouldReport());
}

TEST_F(SrmResolutionTest, ServiceGroupGainsEveryVolumeOnItsDisksOnce) {
    SrmDisk *d1 = Disk("d1");
    Disk("d2");
    Volume("v1", {Chunk("c1", "d1"), Chunk("c2", "d1")});
    Volume("v2", {Chunk("c3", "d2"), Chunk("c4", "d1")});
    Volume("v3", {Chunk("c5", "d2")});
    auto *own = new CountingResource(&log, SRM_RES_VOLUME, "v2");
    SrmServiceGroup *g = Group("sg");
    g->addResource(d1);
    g->addResource(own);
    own->Release();

    EXPECT_EQ(10, db.resolveDatabase());  // additions are not counted

    EXPECT_EQ("v1 v2", Members(g, SRM_RES_VOLUME));
    EXPECT_EQ(own, g->getResourceList()->findResource(SRM_RES_VOLUME, "v2"));
}

TEST_F(SrmResolutionTest, ServiceGroupGainsItsVolumeGroupsMembersAndWhatLiesOnThem) {
    SrmDisk *d1 = Disk("d1");
    Volume("v1", {Chunk("c1", "d1")});
    Volume("v2", {});
    SrmVolumeGroup *vg = Add<SrmVolumeGroup>("dg");
    vg->addDisk(d1);
    vg->addVolume(db.findResource(SRM_RES_VOLUME, "v2"));
    SrmServiceGroup *g = Group("sg");
    g->addResource(vg);

    db.resolveDatabase();

    EXPECT_EQ("d1", Members(g, SRM_RES_DISK));
    EXPECT_EQ("v1 v2", Members(g, SRM_RES_VOLUME));
}

// Something filed as a volume group that has no volume list (here: not a
// volume group at all) adds nothing to the group.
TEST_F(SrmResolutionTest, MemberFiledAsVolumeGroupWithoutVolumeListBringsNothing) {
    Volume("v1", {Chunk("c1", "d1")});
    Disk("d1");
    auto *notAGroup = new CountingResource(&log, SRM_RES_VOLUMEGROUP, "dg");
    SrmServiceGroup *g = Group("sg");
    g->addResource(notAGroup);
    notAGroup->Release();

    db.resolveDatabase();

    EXPECT_EQ(1, g->getResourceList()->getResourceCount());
}

// A group's volume-group merge may fold a newcomer volume into the database's
// own one and so give it chunks; a group checked later must see them.
TEST_F(SrmResolutionTest, VolumesGainedThroughAnEarlierGroupsMergeReachLaterGroups) {
    SrmDisk *d1 = Disk("d1");
    SrmDisk *d7 = Disk("d7");
    SrmVolume *v9 = Volume("v9", {});
    SrmServiceGroup *a = Group("a");
    a->addResource(d1);
    SrmServiceGroup *b = Group("b");
    b->addResource(v9);
    SrmVolumeGroup *vg = Add<SrmVolumeGroup>("dg");
    b->addResource(vg);
    auto *newcomer = new SrmVolume("v9");
    auto *chunk = new SrmDiskChunk("c7");
    chunk->Disk = "d7";
    newcomer->addDiskChunk(chunk);
    chunk->Release();
    vg->addVolume(newcomer);
    newcomer->Release();
    SrmServiceGroup *c = Group("c");
    c->addResource(d7);

    db.resolveDatabase();

    EXPECT_NE(nullptr, v9->getDiskChunkList()->findResource(SRM_RES_DISKCHUNK, "c7"));
    EXPECT_EQ("v9", Members(c, SRM_RES_VOLUME));
    EXPECT_EQ("", Members(a, SRM_RES_VOLUME));
}

class SrmLowestLLTNodeTest : public SrmResolutionTest {
  protected:
    void Node(const std::string &id, int32_t llt, const std::string &ip) {
        SrmComputer *c = new SrmComputer(id);
        c->LLTId = llt;
        c->IPAddr = ip;
        db.addComputer(c, 0);
        c->Release();
    }
};

TEST_F(SrmLowestLLTNodeTest, LowestNumberWinsAndTheFirstInIdOrderAmongEquals) {
    Node("a", 3, "10.0.0.1");
    Node("b", 1, "10.0.0.2");
    EXPECT_EQ("10.0.0.2", db.getLowestLLTNodeIp());
    Node("c", 1, "10.0.0.3");
    EXPECT_EQ("10.0.0.2", db.getLowestLLTNodeIp());
    EXPECT_EQ("", LastError());
}

TEST_F(SrmLowestLLTNodeTest, NoComputersGiveEmptyAddressWithOutOfMemoryCode) {
    int code = 0;
    EXPECT_EQ("", db.getLowestLLTNodeIp());
    EXPECT_EQ("Get Lowest LLT node ip failed", LastError(&code));
    EXPECT_EQ(12, code);
}

TEST_F(SrmLowestLLTNodeTest, ChosenComputerWithoutAddressSetsTheLastError) {
    Node("a", 0, "");
    Node("b", 2, "10.0.0.2");
    int code = 0;
    EXPECT_EQ("", db.getLowestLLTNodeIp());
    EXPECT_EQ("Get Lowest LLT node ip failed", LastError(&code));
    EXPECT_EQ(12, code);
}

TEST_F(SrmLowestLLTNodeTest, ListWithoutARealComputerChoosesNone) {
    auto *fake = new CountingResource(&log, SRM_RES_COMPUTER, "x");
    db.getComputerList()->addResource(fake);
    fake->Release();
    int code = 0;
    EXPECT_EQ("", db.getLowestLLTNodeIp());
    EXPECT_EQ("Get Lowest LLT node ip failed", LastError(&code));
    EXPECT_EQ(2, code);
}

}  // namespace
