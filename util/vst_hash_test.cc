#include "tessel/vst_hash.h"

#include <pthread.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "util/testing/AgentLogFile.h"

namespace {

// Visitors are plain C function pointers, so what they see goes here.
std::vector<std::pair<std::string, void *>> g_visited;
VstTable *g_table_of_visitor = nullptr;

void Record(const char *key, void *value) {
    g_visited.emplace_back(key, value);
}

void RecordAndRemove(const char *key, void *value) {
    Record(key, value);
    EXPECT_EQ(vst_hashRemove(g_table_of_visitor, key), value);
}

class VstHashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_visited.clear();
        table = vst_hashCreate(10);
        ASSERT_NE(table, nullptr);
        g_table_of_visitor = table;
    }
    void TearDown() override { vst_hashDestroy(table, nullptr); }

    std::vector<std::string> VisitedKeys() {
        g_visited.clear();
        vst_hashEnumerate(table, Record);
        std::vector<std::string> keys;
        for (const auto &visit : g_visited) {
            keys.push_back(visit.first);
        }
        return keys;
    }

    VstTable *table = nullptr;
    int values[8] = {};
};

TEST_F(VstHashTest, CreateRaisesSizesBelowTen) {
    for (int size : {0, -5, 3, 10, 37}) {
        VstTable *fresh = vst_hashCreate(size);
        ASSERT_NE(fresh, nullptr);
        EXPECT_EQ(vst_hashGetMax(fresh), size < 10 ? 10 : size);
        vst_hashDestroy(fresh, nullptr);
    }
}

TEST_F(VstHashTest, BucketIsTheSignedByteSumModuloSizeMinusOne) {
    // Sums: 8 -> bucket 8, 1 -> 1, 18 -> 0, 9 -> 0 (never the last bucket 9),
    // 0x7f 0x81 = 127 - 127 = 0 -> 0 (as unsigned bytes it would be 256 -> 4),
    // the empty key 0 -> 0.
    for (const char *key : {"\x08", "\x01", "\x12", "\x09", "\x7f\x81", ""}) {
        EXPECT_EQ(vst_hashAdd(table, key, &values[0]), nullptr);
    }
    EXPECT_EQ(VisitedKeys(),
              (std::vector<std::string>{"\x12", "\x09", "\x7f\x81", "", "\x01", "\x08"}));
}

TEST_F(VstHashTest, KeysOfTheSameBytesShareAChainInInsertionOrder) {
    vst_hashAdd(table, "ba", &values[0]);
    vst_hashAdd(table, "ab", &values[1]);
    EXPECT_EQ(VisitedKeys(), (std::vector<std::string>{"ba", "ab"}));
    EXPECT_EQ(vst_hashGet(table, "ab"), &values[1]);
    EXPECT_EQ(vst_hashGet(table, "ba"), &values[0]);
    EXPECT_EQ(vst_hashGet(table, "aa"), nullptr);
}

TEST_F(VstHashTest, AddingAnExistingKeyReplacesItsValue) {
    std::string key = "job-1";
    EXPECT_EQ(vst_hashAdd(table, key.c_str(), &values[0]), nullptr);
    key[0] = 'J';  // the table holds its own copy
    EXPECT_EQ(vst_hashAdd(table, "job-1", &values[1]), &values[0]);
    EXPECT_EQ(VisitedKeys(), (std::vector<std::string>{"job-1"}));
    EXPECT_EQ(vst_hashRemove(table, "job-1"), &values[1]);
    EXPECT_EQ(vst_hashGet(table, "job-1"), nullptr);
    EXPECT_EQ(vst_hashRemove(table, "job-1"), nullptr);
}

TEST_F(VstHashTest, RemoveRelinksHeadMiddleAndTailOfAChain) {
    // All in bucket 0: sums 9, 18, 27, 36.
    const char *keys[] = {"\x09", "\x12", "\x1b", "\x24"};
    for (int i = 0; i < 4; ++i) {
        vst_hashAdd(table, keys[i], &values[i]);
    }
    EXPECT_EQ(vst_hashRemove(table, "\x12"), &values[1]);
    EXPECT_EQ(vst_hashRemove(table, "\x09"), &values[0]);
    EXPECT_EQ(vst_hashRemove(table, "\x24"), &values[3]);
    EXPECT_EQ(VisitedKeys(), (std::vector<std::string>{"\x1b"}));
    vst_hashAdd(table, "\x09", &values[0]);
    EXPECT_EQ(VisitedKeys(), (std::vector<std::string>{"\x1b", "\x09"}));
}

TEST_F(VstHashTest, KeyWithANegativeSumIsNeverStored) {
    EXPECT_EQ(vst_hashAdd(table, "\xff", &values[0]), nullptr);
    EXPECT_EQ(vst_hashAdd(table, "\xff", &values[1]), nullptr);
    EXPECT_EQ(vst_hashGet(table, "\xff"), nullptr);
    EXPECT_EQ(vst_hashRemove(table, "\xff"), nullptr);
    EXPECT_TRUE(VisitedKeys().empty());
}

TEST_F(VstHashTest, VisitorMayRemoveTheEntryItWasHanded) {
    const char *keys[] = {"\x09", "\x12", "\x01", "\x1b", "\x08"};
    for (int i = 0; i < 5; ++i) {
        vst_hashAdd(table, keys[i], &values[i]);
    }
    vst_hashEnumerate(table, RecordAndRemove);
    EXPECT_EQ(g_visited.size(), 5u);
    EXPECT_TRUE(VisitedKeys().empty());
}

TEST_F(VstHashTest, DestroyHandsEveryValueToTheReleaserOnce) {
    VstTable *fresh = vst_hashCreate(10);
    vst_hashAdd(fresh, "a", &values[0]);
    vst_hashAdd(fresh, "j", &values[1]);  // same bucket as "a"
    vst_hashAdd(fresh, "b", &values[2]);
    vst_hashDestroy(fresh, Record);
    ASSERT_EQ(g_visited.size(), 3u);
    EXPECT_EQ(g_visited[0], std::make_pair(std::string("a"), static_cast<void *>(&values[0])));
    EXPECT_EQ(g_visited[1], std::make_pair(std::string("j"), static_cast<void *>(&values[1])));
    EXPECT_EQ(g_visited[2], std::make_pair(std::string("b"), static_cast<void *>(&values[2])));
}

TEST_F(VstHashTest, EmptyTableCallsNoVisitor) {
    vst_hashEnumerate(table, Record);
    VstTable *fresh = vst_hashCreate(10);
    vst_hashDestroy(fresh, Record);
    EXPECT_TRUE(g_visited.empty());
}

TEST_F(VstHashTest, NullArgumentsChangeNothing) {
    vst_hashAdd(table, "kept", &values[0]);
    EXPECT_EQ(vst_hashAdd(nullptr, "k", &values[1]), nullptr);
    EXPECT_EQ(vst_hashAdd(table, nullptr, &values[1]), nullptr);
    EXPECT_EQ(vst_hashGet(nullptr, "k"), nullptr);
    EXPECT_EQ(vst_hashGet(table, nullptr), nullptr);
    EXPECT_EQ(vst_hashRemove(nullptr, "k"), nullptr);
    EXPECT_EQ(vst_hashRemove(table, nullptr), nullptr);
    vst_hashEnumerate(nullptr, Record);
    vst_hashEnumerate(table, nullptr);
    vst_hashDestroy(nullptr, Record);
    EXPECT_TRUE(g_visited.empty());
    EXPECT_EQ(vst_hashGetMax(nullptr), 0);
    EXPECT_EQ(VisitedKeys(), (std::vector<std::string>{"kept"}));
}

class VstHashTraceTest : public tessel::testing::AgentLogTest {};

TEST_F(VstHashTraceTest, EveryOperationButGetMaxTracesEnterAndExit) {
    VstTable *table = vst_hashCreate(10);
    vst_hashAdd(table, "k", table);
    vst_hashGet(table, "k");
    vst_hashRemove(nullptr, "k");  // early returns trace as well
    vst_hashEnumerate(table, nullptr);
    vst_hashGetMax(table);
    vst_hashDestroy(table, nullptr);

    char prefix[128];
    snprintf(prefix, sizeof(prefix), "Tessel Library: pid %d: tid %d: VstHash        : INFO    :  ",
             static_cast<int>(getpid()), static_cast<int>(pthread_self()));
    std::vector<std::string> expected;
    for (std::string name : {"vst_hashCreate", "vst_hashAdd", "vst_hashGet", "vst_hashRemove",
                             "vst_hashEnumerate", "vst_hashDestroy"}) {
        name.resize(20, ' ');
        expected.push_back(prefix + name + ": Enter");
        expected.push_back(prefix + name + ": Exit");
    }
    EXPECT_EQ(log.OwnLines(": VstHash        : "), expected);
}

}  // namespace
