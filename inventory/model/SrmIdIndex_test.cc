#include "inventory/model/internal/SrmIdIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Key = std::pair<SrmResourceType, std::string>;

// The index beside the maps it points into, as a resource list keeps them.
class SrmIdIndexTest : public ::testing::Test {
  protected:
    void add(SrmResourceType t, const std::string &id) {
        auto placed = maps[t].emplace(id, nullptr);
        ASSERT_TRUE(placed.second);
        index.insert(t, maps[t], placed.first);
    }

    void remove(SrmResourceType t, const std::string &id) {
        auto entry = maps[t].find(id);
        ASSERT_NE(entry, maps[t].end());
        index.erase(t, entry);
        maps[t].erase(entry);
    }

    // Every entry of the maps is found as itself; every key that is not held
    // is absent.
    void expectMatches(const std::vector<Key> &absent) {
        std::size_t total = 0;
        for (auto &kind : maps) {
            total += kind.second.size();
            for (auto &entry : kind.second) {
                ASSERT_EQ(&entry, index.find(kind.first, entry.first))
                    << kind.first << " " << entry.first;
            }
        }
        EXPECT_EQ(total, index.size());
        for (const Key &key : absent) {
            auto kind = maps.find(key.first);
            if (kind == maps.end() || kind->second.count(key.second) == 0) {
                EXPECT_EQ(nullptr, index.find(key.first, key.second)) << key.second;
            }
        }
    }

    std::map<SrmResourceType, std::map<std::string, SrmResource *>> maps;
    SrmIdIndex index;
};

TEST_F(SrmIdIndexTest, EmptyIndexFindsNothing) {
    EXPECT_EQ(nullptr, index.find(SRM_RES_DISK, "d1"));
    EXPECT_EQ(nullptr, index.find(SRM_RES_DISK, ""));
}

TEST_F(SrmIdIndexTest, SameIdUnderTwoKindsIsTwoEntries) {
    add(SRM_RES_DISK, "same");
    add(SRM_RES_VOLUME, "same");
    expectMatches(
        {{SRM_RES_SHARE, "same"}, {SRM_RES_DISK, "sam"}, {SRM_RES_DISK, std::string("same\0", 5)}});
    remove(SRM_RES_DISK, "same");
    expectMatches({{SRM_RES_DISK, "same"}});
}

// Random adds and removes against the maps, from a table small enough that
// runs wrap around its end and removals move slots back over long runs.
TEST_F(SrmIdIndexTest, FindsExactlyWhatTheMapsHoldThroughRandomAddsAndRemoves) {
    const SrmResourceType kinds[] = {SRM_RES_DISK, SRM_RES_VOLUME, SRM_RES_SHARE};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        maps.clear();
        index = SrmIdIndex();
        std::mt19937 random(seed);
        std::vector<Key> tried;
        for (int step = 0; step < 2000; ++step) {
            Key key{kinds[random() % 3], "id" + std::to_string(random() % 300)};
            tried.push_back(key);
            if (maps[key.first].count(key.second) != 0) {
                remove(key.first, key.second);
            } else {
                add(key.first, key.second);
            }
            if (step % 97 == 0) {
                expectMatches(tried);
            }
        }
        expectMatches(tried);
        // Emptied to nothing, the index is empty again.
        for (auto &kind : maps) {
            while (!kind.second.empty()) {
                remove(kind.first, kind.second.begin()->first);
            }
        }
        expectMatches(tried);
        EXPECT_EQ(0u, index.size());
    }
}

// A large index first tries the entry last found of its kind and the one
// after it; erasing that entry must not leave the next search stepping from it.
TEST_F(SrmIdIndexTest, ErasingTheEntryLastFoundLeavesItsNeighboursFound) {
    for (int i = 0; i < 5000; ++i) {
        add(SRM_RES_SHARE, "share" + std::to_string(i));
    }
    for (const char *id : {"a", "b", "c"}) {
        add(SRM_RES_DISK, id);
    }
    add(SRM_RES_VOLUME, "b");
    ASSERT_EQ(&*maps[SRM_RES_DISK].find("b"), index.find(SRM_RES_DISK, "b"));
    remove(SRM_RES_DISK, "b");
    EXPECT_EQ(nullptr, index.find(SRM_RES_DISK, "b"));
    EXPECT_EQ(&*maps[SRM_RES_DISK].find("c"), index.find(SRM_RES_DISK, "c"));
    EXPECT_EQ(&*maps[SRM_RES_DISK].find("a"), index.find(SRM_RES_DISK, "a"));
    remove(SRM_RES_DISK, "c");
    EXPECT_EQ(nullptr, index.find(SRM_RES_DISK, "b"));  // "a" is now the last entry
    EXPECT_EQ(&*maps[SRM_RES_VOLUME].find("b"), index.find(SRM_RES_VOLUME, "b"));
}

// A table of 2 MiB or more is allocated apart (on huge pages where the
// system gives them): growing into one, and out of it again, loses no entry.
TEST_F(SrmIdIndexTest, TableGrownPastTwoMegabytesKeepsEveryEntry) {
    std::vector<Key> tried;
    for (int i = 0; i < 100000; ++i) {
        add(i % 2 ? SRM_RES_DISK : SRM_RES_VOLUME, "id" + std::to_string(i));
    }
    for (int i = 0; i < 100000; i += 3) {
        remove(i % 2 ? SRM_RES_DISK : SRM_RES_VOLUME, "id" + std::to_string(i));
        tried.push_back({i % 2 ? SRM_RES_DISK : SRM_RES_VOLUME, "id" + std::to_string(i)});
    }
    tried.push_back({SRM_RES_DISK, "id100000"});
    expectMatches(tried);
    index = SrmIdIndex();
    EXPECT_EQ(nullptr, index.find(SRM_RES_DISK, "id1"));
}

}  // namespace
