#include "inventory/persist/CSRMReportTuple.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inventory/persist/TupleStatus.h"

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

}  // namespace
