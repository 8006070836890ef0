#include "inventory/report/internal/NameIndex.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using rm_report::NameIndex;

nmspc_cim::CCIMInstance *fake(std::size_t n) {
    return reinterpret_cast<nmspc_cim::CCIMInstance *>(16 * (n + 1));
}

// Names that share long prefixes and differ in one byte, filed through many
// doublings of the table: each is found with its own instance, a second
// filing finds the first, and the entries keep the filing order.
TEST(NameIndexTest, EveryNameFiledIsFoundThroughGrowthAndClear) {
    NameIndex index;
    const std::size_t kNames = 20000;
    auto nameOf = [](std::size_t n) { return "host.example~disk-" + std::to_string(n) + "~Sys"; };
    for (int round = 0; round < 2; ++round) {
        for (std::size_t n = 0; n < kNames; ++n) {
            bool made = false;
            NameIndex::Entry &entry = index.file(nameOf(n), fake(n), made);
            ASSERT_TRUE(made);
            EXPECT_EQ(entry.instance, fake(n));
        }
        for (std::size_t n = 0; n < kNames; n += 7) {
            bool made = true;
            EXPECT_EQ(index.file(nameOf(n), fake(kNames), made).instance, fake(n));
            EXPECT_FALSE(made);
            ASSERT_NE(index.find(nameOf(n)), nullptr);
            EXPECT_EQ(index.find(nameOf(n))->instance, fake(n));
        }
        EXPECT_EQ(index.find("host.example~disk-~Sys"), nullptr);
        EXPECT_EQ(index.find(""), nullptr);
        ASSERT_EQ(index.entries().size(), kNames);
        EXPECT_EQ(index.nameOf(index.entries()[1234]), nameOf(1234));
        index.clear();
        EXPECT_TRUE(index.empty());
        EXPECT_EQ(index.find(nameOf(0)), nullptr);
    }
}

// A report with more instances than its maps reserved for (a cluster's
// associations) goes on filing past the reserved room: the entries must grow
// by doubling, not by one, or filing turns quadratic.
TEST(NameIndexTest, FilingPastTheReservedRoomMovesTheEntriesRarely) {
    NameIndex index;
    index.reserve(100);
    const NameIndex::Entry *where = nullptr;
    int moves = 0;
    for (std::size_t n = 0; n < 5000; ++n) {
        bool made = false;
        index.file("vs-" + std::to_string(n), fake(n), made);
        if (index.entries().data() != where) {
            where = index.entries().data();
            ++moves;
        }
    }
    EXPECT_LE(moves, 12);
}

}  // namespace
