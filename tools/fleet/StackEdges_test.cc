#include "tools/fleet/StackEdges.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/ScratchFiles.h"
#include "tools/testing/FleetTesting.h"
#include "tools/testing/ToolTesting.h"

namespace ulvar_fleet {
namespace {

using ulvar::testing::ScopedFd;

std::tuple<std::string, std::string, std::string, std::string> Key(const StackEdge &e) {
    return std::make_tuple(e.lowerKind, *e.lowerId, e.upperKind, *e.upperId);
}

// Edges come in the order of their texts, each once: the order the table's
// key has, whatever order the work behind it takes.
TEST(StackEdges, ComeInTheOrderOfTheirTextsEachOnce) {
    for (const std::string &file : ulvar_tool::testing::FleetSamples()) {
        SrmResourceDatabase db;
        ScopedFd fd(open((ulvar_tool::testing::kSource + "/" + file).c_str(), O_RDONLY));
        ASSERT_EQ(1, db.deserialize(fd.get(), nullptr)) << file;
        std::vector<StackEdge> edges = stackEdges(&db);
        EXPECT_FALSE(edges.empty()) << file;
        for (std::size_t i = 1; i < edges.size(); ++i) {
            EXPECT_LT(Key(edges[i - 1]), Key(edges[i])) << file << ", edge " << i;
        }
    }
}

}  // namespace
}  // namespace ulvar_fleet
