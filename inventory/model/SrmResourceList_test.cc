#include "inventory/model/SrmResourceList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/CountingResource.h"

namespace {

using ulvar::testing::CountingResource;
using ulvar::testing::CountingResourceLog;
using ulvar::testing::refCountOf;

class SrmResourceListTest : public ::testing::Test {
  protected:
    // A resource whose only reference is handed to `list`.
    CountingResource *addNew(SrmResourceList &list, SrmResourceType t, const std::string &id) {
        auto *r = new CountingResource(&log, t, id);
        EXPECT_EQ(1, list.addResource(r));
        r->Release();
        return r;
    }

    static std::vector<std::string> walk(SrmResourceList &list, SrmResourceType t) {
        std::vector<std::string> ids;
        if (SrmResourceIdMap *map = list.getSrmResourceIdMap(t)) {
            for (auto &entry : *map) {
                ids.push_back(entry.first);
            }
        }
        return ids;
    }

    CountingResourceLog log;
};

TEST_F(SrmResourceListTest, IdsWalkInUnsignedByteOrderWithPrefixFirst) {
    SrmResourceList list(nullptr);
    addNew(list, SRM_RES_DISK, "\xc3\xa9");
    addNew(list, SRM_RES_DISK, "z");
    addNew(list, SRM_RES_DISK, "a\x80");
    addNew(list, SRM_RES_DISK, "a");
    addNew(list, SRM_RES_DISK, "B");
    EXPECT_EQ((std::vector<std::string>{"B", "a", "a\x80", "z", "\xc3\xa9"}),
              walk(list, SRM_RES_DISK));
}

TEST_F(SrmResourceListTest, KindsWalkInNumericOrder) {
    SrmResourceList mine(nullptr);
    SrmResourceList theirs(nullptr);
    const std::vector<std::pair<SrmResourceType, std::string>> scrambled = {
        {SRM_RES_ID, "alias"},
        {SRM_RES_SHARE, "share"},
        {SRM_RES_COMPUTER, "computer"},
        {SRM_RES_VOLUMEGROUP, "group"}};
    for (const auto &kind : scrambled) {
        addNew(mine, kind.first, kind.second);
        addNew(theirs, kind.first, kind.second);
    }
    EXPECT_EQ(1, mine.mergeResources(&theirs));
    EXPECT_EQ((std::vector<std::string>{"computer <- computer", "group <- group", "share <- share",
                                        "alias <- alias"}),
              log.merges);
    EXPECT_EQ(4, mine.getResourceTypeCount());
}

TEST_F(SrmResourceListTest, InvalidResourcesAreRefusedWithoutAReference) {
    SrmResourceList list(nullptr);
    auto *noType = new CountingResource(&log, SRM_RES_NONE, "x");
    auto *noId = new CountingResource(&log, SRM_RES_DISK, "");
    EXPECT_EQ(0, list.addResource(nullptr));
    EXPECT_EQ(0, list.addResource(noType));
    EXPECT_EQ(0, list.addResource(noId));
    EXPECT_EQ(1, refCountOf(noType));
    EXPECT_EQ(1, refCountOf(noId));
    EXPECT_EQ(0, list.getResourceTypeCount());
    noType->Release();
    noId->Release();
    EXPECT_EQ(2, log.destroyed);
}

TEST_F(SrmResourceListTest, SecondObjectUnderTheSameKeyReplacesAndReleasesTheFirst) {
    SrmResourceList list(nullptr);
    addNew(list, SRM_RES_DISK, "d1");
    auto *second = addNew(list, SRM_RES_DISK, "d1");
    EXPECT_EQ(1, log.destroyed);
    EXPECT_EQ(second, list.findResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(1, list.getResourceCount());
}

TEST_F(SrmResourceListTest, AddingTheStoredObjectAgainKeepsOneReference) {
    {
        SrmResourceList list(nullptr);
        auto *r = new CountingResource(&log, SRM_RES_DISK, "d1");
        EXPECT_EQ(1, list.addResource(r));
        EXPECT_EQ(1, list.addResource(r));
        EXPECT_EQ(2, refCountOf(r));
        r->Release();
        EXPECT_EQ(1, list.getResourceCount());
    }
    // The list's one reference was the last: nothing leaks.
    EXPECT_EQ(1, log.destroyed);
}

TEST_F(SrmResourceListTest, RemoveAllEmptiesEveryKindButKeepsThemPresent) {
    SrmResourceList list(nullptr);
    addNew(list, SRM_RES_DISK, "d1");
    addNew(list, SRM_RES_DISK, "d2");
    addNew(list, SRM_RES_SHARE, "s1");
    EXPECT_EQ(1, list.removeAllResources());
    EXPECT_EQ(3, log.destroyed);
    EXPECT_EQ(0, list.getResourceCount());
    EXPECT_EQ(2, list.getResourceTypeCount());
    ASSERT_NE(nullptr, list.getSrmResourceIdMap(SRM_RES_SHARE));
    EXPECT_TRUE(list.getSrmResourceIdMap(SRM_RES_SHARE)->empty());
}

TEST_F(SrmResourceListTest, KindNeverAddedHasNoEntriesAndNoMap) {
    SrmResourceList list(nullptr);
    addNew(list, SRM_RES_DISK, "d1");
    EXPECT_EQ(0, list.getTypeCount(SRM_RES_VOLUME));
    EXPECT_EQ(nullptr, list.findResource(SRM_RES_VOLUME, "d1"));
    EXPECT_EQ(nullptr, list.getSrmResourceIdMap(SRM_RES_VOLUME));
    EXPECT_EQ(0, list.removeResource(SRM_RES_VOLUME, "d1"));
}

TEST_F(SrmResourceListTest, RemoveByIdReleasesTheListsReference) {
    SrmResourceList list(nullptr);
    addNew(list, SRM_RES_DISK, "d1");
    EXPECT_EQ(0, list.removeResource(SRM_RES_DISK, "d2"));
    EXPECT_EQ(1, list.removeResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(1, log.destroyed);
    EXPECT_EQ(1, list.getResourceTypeCount());
}

TEST_F(SrmResourceListTest, RemoveByObjectSucceedsWheneverTheKindIsPresent) {
    SrmResourceList list(nullptr);
    auto *stored = addNew(list, SRM_RES_DISK, "d1");
    auto *stranger = new CountingResource(&log, SRM_RES_DISK, "d9");
    EXPECT_EQ(1, list.removeResource(SRM_RES_DISK, stranger));
    EXPECT_EQ(0, list.removeResource(SRM_RES_VOLUME, stranger));
    EXPECT_EQ(0, list.removeResource(SRM_RES_DISK, static_cast<SrmResource *>(nullptr)));
    EXPECT_EQ(1, list.getResourceCount());
    // The last reference goes with the removal; the key is not read afterwards.
    EXPECT_EQ(1, list.removeResource(SRM_RES_DISK, stored));
    EXPECT_EQ(1, log.destroyed);
    stranger->Release();
}

TEST_F(SrmResourceListTest, DestructorReleasesEveryEntryOnce) {
    auto *shared = new CountingResource(&log, SRM_RES_VOLUME, "v1");
    {
        SrmResourceList a(nullptr);
        SrmResourceList b(nullptr);
        a.addResource(shared);
        b.addResource(shared);
        EXPECT_EQ(3, refCountOf(shared));
    }
    EXPECT_EQ(1, refCountOf(shared));
    shared->Release();
    EXPECT_EQ(1, log.destroyed);
}

TEST_F(SrmResourceListTest, MergeOfDisjointListsSharesNewcomersAndStampsTheDatabase) {
    SrmResourceDatabase db;
    SrmResourceList mine(&db);
    SrmResourceList theirs(nullptr);
    addNew(mine, SRM_RES_DISK, "d1");
    auto *d2 = addNew(theirs, SRM_RES_DISK, "d2");
    auto *v1 = addNew(theirs, SRM_RES_VOLUME, "v1");
    EXPECT_EQ(1, mine.mergeResources(&theirs));
    EXPECT_EQ(3, mine.getResourceCount());
    EXPECT_EQ(2, theirs.getResourceCount());
    EXPECT_EQ(2, refCountOf(d2));
    EXPECT_EQ(2, refCountOf(v1));
    EXPECT_EQ(&db, d2->db);
    EXPECT_EQ(&db, v1->db);
    EXPECT_TRUE(log.merges.empty());
}

TEST_F(SrmResourceListTest, MergeFoldsNewcomersIntoHeldResources) {
    SrmResourceList mine(nullptr);
    SrmResourceList theirs(nullptr);
    auto *held = addNew(mine, SRM_RES_DISK, "d1");
    auto *newcomer = addNew(theirs, SRM_RES_DISK, "d1");
    EXPECT_EQ(1, mine.mergeResources(&theirs));
    EXPECT_EQ(held, mine.findResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(1, newcomer->isMerged());
    EXPECT_EQ(1, refCountOf(newcomer));
}

TEST_F(SrmResourceListTest, MergeStopsAtTheFirstRefusalKeepingEarlierWork) {
    SrmResourceList mine(nullptr);
    SrmResourceList theirs(nullptr);
    addNew(mine, SRM_RES_DISK, "d2")->refuseMerge = true;
    addNew(theirs, SRM_RES_DISK, "d1");
    addNew(theirs, SRM_RES_DISK, "d2");
    addNew(theirs, SRM_RES_DISK, "d3");
    EXPECT_EQ(0, mine.mergeResources(&theirs));
    EXPECT_NE(nullptr, mine.findResource(SRM_RES_DISK, "d1"));
    EXPECT_EQ(nullptr, mine.findResource(SRM_RES_DISK, "d3"));
    EXPECT_EQ(3, theirs.getResourceCount());
}

TEST_F(SrmResourceListTest, SharedObjectIsMergedWithItself) {
    SrmResourceList a(nullptr);
    SrmResourceList b(nullptr);
    auto *shared = addNew(a, SRM_RES_VOLUME, "v1");
    b.addResource(shared);
    EXPECT_EQ(1, a.mergeResources(&b));
    EXPECT_EQ((std::vector<std::string>{"v1 <- v1"}), log.merges);
    EXPECT_EQ(2, refCountOf(shared));
}

TEST_F(SrmResourceListTest, OneKindMergeNeedsThatKindInTheOtherList) {
    SrmResourceList mine(nullptr);
    SrmResourceList theirs(nullptr);
    addNew(theirs, SRM_RES_DISK, "d1");
    addNew(theirs, SRM_RES_VOLUME, "v1");
    EXPECT_EQ(0, mine.mergeResources(&theirs, SRM_RES_SHARE));
    EXPECT_EQ(0, mine.mergeResources(nullptr));
    EXPECT_EQ(1, mine.mergeResources(&theirs, SRM_RES_VOLUME));
    EXPECT_EQ(1, mine.getResourceCount());
    EXPECT_NE(nullptr, mine.findResource(SRM_RES_VOLUME, "v1"));
}

TEST_F(SrmResourceListTest, StateBitsAreSetAndClearedOnEveryResource) {
    SrmResourceList list(nullptr);
    auto *d = addNew(list, SRM_RES_DISK, "d1");
    auto *s = addNew(list, SRM_RES_SHARE, "s1");
    list.setAllResourceState(SRM_STATE_FROM_SER_RDB);
    EXPECT_EQ(0x2Cu, d->state);
    EXPECT_EQ(0x2Cu, s->state);
    list.unsetAllResourceState(SRM_STATE_REPORT | SRM_STATE_FROM_SER_RDB);
    EXPECT_EQ(SRM_STATE_VIRTUAL_REPORT, d->state);
    EXPECT_EQ(SRM_STATE_VIRTUAL_REPORT, s->state);
}

// Large kinds are also found through a hash of their ids; every change of the
// ordered map must reach it, whatever order the ids come in.
TEST_F(SrmResourceListTest, LargeKindFindsExactlyWhatItHoldsThroughAddReplaceAndRemove) {
    SrmResourceList list(nullptr);
    std::vector<std::string> ids;
    for (int i = 0; i < 300; ++i) {
        // Ascending, then descending, then interleaved with both.
        ids.push_back(i < 100   ? "a" + std::to_string(1000 + i)
                      : i < 200 ? "z" + std::to_string(1999 - i)
                                : "m" + std::to_string(i));
    }
    std::vector<CountingResource *> held;
    for (const std::string &id : ids) {
        held.push_back(addNew(list, SRM_RES_VOLUME, id));
    }
    ASSERT_EQ(300, list.getTypeCount(SRM_RES_VOLUME));
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(held[i], list.findResource(SRM_RES_VOLUME, ids[i])) << ids[i];
    }
    std::vector<std::string> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, walk(list, SRM_RES_VOLUME));

    CountingResource *replacement = addNew(list, SRM_RES_VOLUME, ids[150]);
    EXPECT_EQ(replacement, list.findResource(SRM_RES_VOLUME, ids[150]));
    EXPECT_EQ(1, log.destroyed);

    EXPECT_EQ(1, list.removeResource(SRM_RES_VOLUME, ids[7]));
    EXPECT_EQ(nullptr, list.findResource(SRM_RES_VOLUME, ids[7]));
    EXPECT_EQ(0, list.removeResource(SRM_RES_VOLUME, ids[7]));
    CountingResource *back = addNew(list, SRM_RES_VOLUME, ids[7]);
    EXPECT_EQ(back, list.findResource(SRM_RES_VOLUME, ids[7]));
    EXPECT_EQ(nullptr, list.findResource(SRM_RES_VOLUME, "a999"));
    EXPECT_EQ(nullptr, list.findResource(SRM_RES_DISK, ids[0]));

    list.removeAllResources();
    EXPECT_EQ(302, log.destroyed);
    EXPECT_EQ(nullptr, list.findResource(SRM_RES_VOLUME, ids[0]));
    CountingResource *again = addNew(list, SRM_RES_VOLUME, ids[0]);
    EXPECT_EQ(again, list.findResource(SRM_RES_VOLUME, ids[0]));
}

}  // namespace
