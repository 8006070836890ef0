// Volume hierarchies as deep as a hostile file can make them: built in either
// order, written, loaded, merged and freed without a deep stack or a search per
// level; and the holder records that keep the loop check cheap and sound.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeWalk.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/testing/CountingResource.h"
#include "inventory/testing/DatabaseFiles.h"
#include "inventory/testing/StorageRecords.h"

namespace {

using ulvar::testing::Load;
using ulvar::testing::refCountOf;
using ulvar::testing::Written;

// Deep enough that one stack frame per level, or one walk of the hierarchy per
// link, would not survive; smaller under the address sanitizer, whose frames
// and allocations are many times dearer.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kDepth = 20000;
#else
constexpr int kDepth = 300000;
#endif

std::string IdAt(int level) {
    char id[16];
    snprintf(id, sizeof id, "v%07d", level);
    return id;
}

// Volumes linked top (level 0) to bottom, held only by their parents; the
// caller holds the top and, through `bottom`, one extra reference on the
// bottom volume.
SrmVolume *ChainChildrenFirst(int depth, SrmVolume **bottom) {
    SrmVolume *below = new SrmVolume(IdAt(depth - 1));
    *bottom = below;
    below->AddRef();
    for (int level = depth - 2; level >= 0; --level) {
        auto *v = new SrmVolume(IdAt(level));
        v->addSubVolume(below);
        below->Release();
        below = v;
    }
    return below;
}

SrmVolume *ChainParentsFirst(int depth, SrmVolume **bottom) {
    auto *top = new SrmVolume(IdAt(0));
    SrmVolume *above = top;
    for (int level = 1; level < depth; ++level) {
        auto *v = new SrmVolume(IdAt(level));
        above->addSubVolume(v);
        v->Release();
        above = v;
    }
    above->AddRef();
    *bottom = above;
    return top;
}

// The number of volumes in the hierarchy below and including `top`.
int VolumesFrom(SrmVolume *top) {
    int count = 0;
    SrmVolumeWalk walk;
    walk.subVolumesFirst(top, [&count](SrmVolume *) { return ++count, 1; });
    return count;
}

class SrmVolumeDepthTest : public ::testing::Test {};

// The bottom volume outlives the chain: once every volume above it is gone,
// only the test's own reference is left on it, and no holder.
TEST_F(SrmVolumeDepthTest, ChainBuiltEitherWayIsWholeAndFreedWithoutDeepStack) {
    for (bool childrenFirst : {true, false}) {
        SCOPED_TRACE(childrenFirst ? "children first" : "parents first");
        SrmVolume *bottom = nullptr;
        SrmVolume *top = childrenFirst ? ChainChildrenFirst(kDepth, &bottom)
                                       : ChainParentsFirst(kDepth, &bottom);
        EXPECT_EQ(kDepth, VolumesFrom(top));
        EXPECT_EQ(1, srmVolumeHolds(top, bottom));
        // Still refused at the far end of the chain.
        EXPECT_EQ(0, bottom->addSubVolume(top));
        EXPECT_EQ(1, bottom->getHolderCount());
        top->Release();
        EXPECT_EQ(0, bottom->getHolderCount());
        EXPECT_EQ(1, refCountOf(bottom));
        bottom->Release();
    }
}

// Written by the database writer (sub-volumes first, so every parent is read
// after its whole chain), loaded back through the database reader, and written
// again byte for byte.
TEST_F(SrmVolumeDepthTest, DeepChainLoadsFromTheDatabaseFileAndWritesBackTheSame) {
    std::string text;
    {
        SrmResourceDatabase db;
        SrmVolume *bottom = nullptr;
        SrmScopedRef<SrmVolume> top(ChainParentsFirst(kDepth, &bottom));
        bottom->Release();
        SrmVolumeWalk walk;
        walk.subVolumesFirst(top.get(), [&db](SrmVolume *v) { return db.addResource(v); });
        ASSERT_EQ(kDepth, db.getResourceCount());
        int result = 0;
        text = Written(&db, &result);
        ASSERT_EQ(1, result);
    }
    SrmResourceDatabase loaded;
    ASSERT_EQ(1, Load(&loaded, text));
    EXPECT_EQ(kDepth, loaded.getResourceCount());
    auto *top = dynamic_cast<SrmVolume *>(loaded.findResource(SRM_RES_VOLUME, IdAt(0)));
    ASSERT_NE(nullptr, top);
    EXPECT_EQ(kDepth, VolumesFrom(top));
    int again = 0;
    EXPECT_EQ(text, Written(&loaded, &again));
    EXPECT_EQ(1, again);
}

// Two separate objects for every level: each level of the newcomer is folded
// into the matching level of the held chain, down to the bottom.
TEST_F(SrmVolumeDepthTest, MergingTwoDeepChainsMergesEveryLevel) {
    SrmVolume *heldBottom = nullptr;
    SrmVolume *newBottom = nullptr;
    SrmScopedRef<SrmVolume> held(ChainParentsFirst(kDepth, &heldBottom));
    SrmScopedRef<SrmVolume> newcomer(ChainChildrenFirst(kDepth, &newBottom));
    SrmScopedRef<SrmVolume> keepHeldBottom(heldBottom);
    SrmScopedRef<SrmVolume> keepNewBottom(newBottom);
    newBottom->Status = 7;
    newBottom->StatusDesc = "from the newcomer";

    ASSERT_EQ(1, held->mergeResource(newcomer.get()));
    EXPECT_EQ(1, newcomer->isMerged());
    EXPECT_EQ(1, newBottom->isMerged());
    EXPECT_EQ(7, heldBottom->Status);
    EXPECT_EQ("from the newcomer", heldBottom->StatusDesc);
    EXPECT_EQ(kDepth, VolumesFrom(held.get()));
    EXPECT_EQ(1, heldBottom->getHolderCount());
}

class SrmVolumeHolderTest : public ::testing::Test {
  protected:
    SrmVolume *Make(const std::string &id) {
        auto *v = new SrmVolume(id);
        made.push_back(v);
        return v;
    }
    void TearDown() override {
        for (SrmVolume *v : made) {
            v->Release();
        }
    }

    std::vector<SrmVolume *> made;
};

// More holders than a volume looks through one by one, taken away in an order
// that moves the remaining ones about; the record must still answer the loop
// check rightly afterwards.
TEST_F(SrmVolumeHolderTest, RecordFollowsLinksRemovalsReplacementAndDeath) {
    SrmVolume *grand = Make("g");
    std::vector<SrmVolume *> parents;
    for (int i = 0; i < 20; ++i) {
        parents.push_back(Make("p" + std::to_string(i)));
        ASSERT_EQ(1, grand->addSubVolume(parents.back()));
    }
    SrmVolume *sub = Make("s");
    for (SrmVolume *p : parents) {
        ASSERT_EQ(1, p->addSubVolume(sub));
        ASSERT_EQ(1, p->addSubVolume(sub));  // once more: still one holder
    }
    EXPECT_EQ(20, sub->getHolderCount());
    EXPECT_EQ(0, sub->addSubVolume(grand));

    for (int i : {0, 19, 7, 8, 3}) {
        ASSERT_EQ(1, parents[i]->removeSubVolume(sub));
    }
    EXPECT_EQ(15, sub->getHolderCount());

    // Another volume under the same Id takes sub's place in one parent.
    SrmVolume *twin = Make("s");
    ASSERT_EQ(1, parents[1]->addSubVolume(twin));
    EXPECT_EQ(14, sub->getHolderCount());
    EXPECT_EQ(1, twin->getHolderCount());

    // A merge links the newcomers it adds.
    SrmVolume *other = Make("o");
    ASSERT_EQ(1, other->mergeSubVolumeList(parents[2]->getSubVolumeList()));
    EXPECT_EQ(15, sub->getHolderCount());

    // A holder that dies takes itself off the record.
    auto *mortal = new SrmVolume("m");
    ASSERT_EQ(1, mortal->addSubVolume(sub));
    EXPECT_EQ(16, sub->getHolderCount());
    mortal->Release();
    EXPECT_EQ(15, sub->getHolderCount());

    // Unlinked from every parent, sub stands below nothing and may hold g;
    // twin is still below parents[1].
    for (SrmVolume *p : parents) {
        if (p != parents[1]) {
            p->removeSubVolume(sub);
        }
    }
    other->removeSubVolume(sub);
    EXPECT_EQ(0, sub->getHolderCount());
    EXPECT_EQ(1, sub->addSubVolume(grand));
    EXPECT_EQ(0, twin->addSubVolume(grand));
}

// Ancestors through several holders and descendants through shared
// sub-volumes: a loop is found whichever side reaches it, and a link beside
// the hierarchy is not taken for one.
TEST_F(SrmVolumeHolderTest, LoopCheckSearchesBothWaysThroughSharedVolumes) {
    SrmVolume *top = Make("t");
    SrmVolume *a = Make("a");
    SrmVolume *b = Make("b");
    SrmVolume *c = Make("c");
    SrmVolume *d = Make("d");
    SrmVolume *e = Make("e");
    ASSERT_EQ(1, top->addSubVolume(a));
    ASSERT_EQ(1, top->addSubVolume(b));
    ASSERT_EQ(1, a->addSubVolume(c));
    ASSERT_EQ(1, b->addSubVolume(c));
    ASSERT_EQ(1, c->addSubVolume(d));
    ASSERT_EQ(1, d->addSubVolume(e));

    EXPECT_EQ(0, d->addSubVolume(top));  // d has many ancestors, top many descendants
    EXPECT_EQ(0, e->addSubVolume(a));
    EXPECT_EQ(0, c->addSubVolume(b));
    EXPECT_EQ(1, b->addSubVolume(d));  // a shortcut, not a loop
    SrmVolume *beside = Make("x");
    ASSERT_EQ(1, beside->addSubVolume(a));
    EXPECT_EQ(1, e->addSubVolume(Make("y")));
    EXPECT_EQ(1, beside->addSubVolume(top));
    EXPECT_EQ(0, e->addSubVolume(beside));
    EXPECT_EQ(0, srmVolumeHolds(e, top));
}

}  // namespace
