#include "inventory/report/internal/NameOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using rm_report::NamedInstance;

// Sets of distinct names made to stress the radix sort's edges: long shared
// prefixes, names that are prefixes of others (also where one ends inside an
// 8-byte chunk that is zero-padded), zero and 0xff bytes, numbers that differ
// only in their last digits; from a few names (compared) to many (distributed).
// Each set comes out in std::string's order with every entry's instance
// beside its own name.
TEST(NameOrderTest, AnySetOfNamesComesOutInByteOrder) {
    std::mt19937 random(27);
    const std::string prefixes[] = {"", "600A0B8000000000", "host.example~", "/export/cvol"};
    const char alphabet[] = {'\0', '\x01', '0', '1', '9', 'A', '~', '\x7f', '\x80', '\xff'};
    for (std::size_t count : {0, 1, 2, 63, 64, 65, 500, 5000, 140000}) {
        std::set<std::string> names;
        while (names.size() < count) {
            std::string name = prefixes[random() % 4];
            if (random() % 2 == 0 && !names.empty()) {
                name =
                    *std::next(names.begin(), random() % std::min<std::size_t>(names.size(), 50));
            }
            for (std::size_t n = random() % 12; n > 0; --n) {
                name.push_back(alphabet[random() % sizeof alphabet]);
            }
            names.insert(name);
        }
        std::vector<std::string> order(names.begin(), names.end());
        std::vector<std::string> shuffled(order);
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        std::vector<NamedInstance> entries;
        for (std::string &name : shuffled) {
            auto *instance = reinterpret_cast<nmspc_cim::CCIMInstance *>(&name);
            entries.push_back({name, instance, nullptr, 0});
        }
        rm_report::sortByName(entries);
        ASSERT_EQ(entries.size(), order.size());
        for (std::size_t n = 0; n < order.size(); ++n) {
            ASSERT_EQ(entries[n].name, order[n]) << "at " << n << " of " << count;
            ASSERT_EQ(*reinterpret_cast<const std::string *>(entries[n].instance), order[n]);
        }
    }
}

}  // namespace
