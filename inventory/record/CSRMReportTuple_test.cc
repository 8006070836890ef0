#include "inventory/record/CSRMReportTuple.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "inventory/record/TupleStatus.h"

namespace {

TEST(CSRMReportTupleTest, AddingRewindsTheCursor) {
    CSRMReportTuple t;
    t.addElement(std::string("a"));
    std::string e;
    ASSERT_EQ(TUPLE_STATUS_OK, t.getNextElement(e));
    EXPECT_EQ("a", e);
    EXPECT_EQ(TUPLE_STATUS_END, t.getNextElement(e));
    EXPECT_EQ("a", e);
    t.addElement("bcd", 2);
    ASSERT_EQ(TUPLE_STATUS_OK, t.getNextElement(e));
    EXPECT_EQ("a", e);
    ASSERT_EQ(TUPLE_STATUS_OK, t.getNextElement(e));
    EXPECT_EQ("bc", e);
}

TEST(CSRMReportTupleTest, AddsWholeCStringWithoutLengthAndRefusesNull) {
    CSRMReportTuple t;
    EXPECT_EQ(TUPLE_STATUS_NULL_ARGUMENT, t.addElement(nullptr, 3));
    EXPECT_EQ(TUPLE_STATUS_OK, t.addElement("whole", 0));
    EXPECT_EQ(TUPLE_STATUS_OK, t.addElement(std::string()));
    std::vector<std::string> all{"stale"};
    t.getAllElements(all);
    EXPECT_EQ((std::vector<std::string>{"whole", ""}), all);
}

TEST(CSRMReportTupleTest, CopyStartsAtTheFirstElement) {
    CSRMReportTuple t;
    t.addElement(std::string("a"));
    t.addElement(std::string("b"));
    std::string e;
    t.getNextElement(e);
    t.getNextElement(e);
    CSRMReportTuple copy(t);
    ASSERT_EQ(TUPLE_STATUS_OK, copy.getNextElement(e));
    EXPECT_EQ("a", e);
    EXPECT_EQ(TUPLE_STATUS_END, t.getNextElement(e));
    t.resetNext();
    ASSERT_EQ(TUPLE_STATUS_OK, t.getNextElement(e));
    EXPECT_EQ("a", e);
    t.clearTuple();
    EXPECT_EQ(TUPLE_STATUS_END, t.getNextElement(e));
}

// Readers walk a record's elements in place; the walk moves the cursor as
// getNextElement does, so a reader that stops early hands on where it stopped.
TEST(CSRMReportTupleTest, WalkSeesEveryElementInPlaceAndLeavesTheCursorAfterTheLast) {
    CSRMReportTuple t;
    for (const char *e : {"\"Type=Disk\"", "", "\"Id=d1\"", "x"}) {
        t.addElement(std::string(e));
    }
    std::vector<std::string> seen;
    t.walkElements([&](std::string_view e) {
        seen.emplace_back(e);
        return e != "\"Id=d1\"";
    });
    EXPECT_EQ((std::vector<std::string>{"\"Type=Disk\"", "", "\"Id=d1\""}), seen);
    std::string e;
    ASSERT_EQ(TUPLE_STATUS_OK, t.getNextElement(e));
    EXPECT_EQ("x", e);
    CSRMReportTuple copy(t);
    std::vector<std::string> all;
    copy.getAllElements(all);
    EXPECT_EQ(4u, all.size());
    EXPECT_EQ("\"Id=d1\"", all[2]);
}

}  // namespace
