#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wbemkit/cim.h"

using namespace nmspc_cim;

namespace {

// Class names of the instances along the chain, null elements skipped.
std::vector<std::string> classNames(const CCIMList *list) {
    std::vector<std::string> names;
    for (; list != nullptr; list = list->mNext) {
        if (list->mDataObject != nullptr) {
            names.push_back(static_cast<CCIMInstance *>(list->mDataObject)->mClassName);
        }
    }
    return names;
}

size_t nodeCount(const CCIMList *list) {
    size_t count = 0;
    for (; list != nullptr; list = list->mNext) {
        ++count;
    }
    return count;
}

class CimListTest : public ::testing::Test {
  protected:
    // Appends a new instance of `className`; fails the test on a null result.
    void append(CCIMList *&list, const char *className) {
        CCIMInstance *inst = cim_createInstance(className);
        ASSERT_NE(inst, nullptr);
        CCIMList *result = cim_addInstance(list, inst);
        ASSERT_NE(result, nullptr);
        list = result;
    }
};

TEST_F(CimListTest, NewListIsOneNodeWithNullElement) {
    CCIMList *list = cim_createInstanceList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->mDataObject, nullptr);
    EXPECT_EQ(list->mNext, nullptr);
    cim_freeInstanceList(list);
}

TEST_F(CimListTest, FirstAppendFillsTheEmptyNode) {
    CCIMList *list = cim_createInstanceList();
    append(list, "A");
    EXPECT_EQ(nodeCount(list), 1u);
    append(list, "B");
    EXPECT_EQ(classNames(list), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(nodeCount(list), 2u);
    cim_freeInstanceList(list);
}

TEST_F(CimListTest, TwoHundredThousandAppendsKeepTheirOrder) {
    CCIMList *list = cim_createInstanceList();
    const int kCount = 200000;
    for (int i = 0; i < kCount; ++i) {
        CCIMInstance *inst = cim_createInstance(i % 2 == 0 ? "Even" : "Odd");
        ASSERT_NE(inst, nullptr);
        ASSERT_EQ(cim_addInstance(list, inst), list);
    }
    int seen = 0;
    for (const CCIMList *node = list; node != nullptr; node = node->mNext, ++seen) {
        auto *inst = static_cast<CCIMInstance *>(node->mDataObject);
        ASSERT_STREQ(inst->mClassName, seen % 2 == 0 ? "Even" : "Odd");
    }
    EXPECT_EQ(seen, kCount);
    cim_freeInstanceList(list);
}

TEST_F(CimListTest, PrependPutsInFrontAndAppendStillReachesTheEnd) {
    CCIMList *list = cim_prependInstance(nullptr, cim_createInstance("B"));
    ASSERT_NE(list, nullptr);
    append(list, "C");
    list = cim_prependInstance(list, cim_createInstance("A"));
    ASSERT_NE(list, nullptr);
    append(list, "D");
    EXPECT_EQ(classNames(list), (std::vector<std::string>{"A", "B", "C", "D"}));
    cim_freeInstanceList(list);
}

TEST_F(CimListTest, PrependToEmptyListFillsItsNode) {
    CCIMList *list = cim_createInstanceList();
    CCIMList *result = cim_prependInstance(list, cim_createInstance("A"));
    EXPECT_EQ(result, list);
    EXPECT_EQ(nodeCount(list), 1u);
    cim_freeInstanceList(list);
}

TEST_F(CimListTest, SplitLeavesTwoListsThatBothAppendCorrectly) {
    CCIMList *list = cim_createInstanceList();
    for (const char *name : {"A", "B", "C", "D", "E"}) {
        append(list, name);
    }
    CCIMList *rest = cim_splitList(list, 2);
    ASSERT_NE(rest, nullptr);
    append(list, "X");
    append(rest, "Y");
    EXPECT_EQ(classNames(list), (std::vector<std::string>{"A", "B", "X"}));
    EXPECT_EQ(classNames(rest), (std::vector<std::string>{"C", "D", "E", "Y"}));
    EXPECT_EQ(cim_splitList(rest, 4), nullptr);  // nothing follows
    EXPECT_EQ(cim_splitList(rest, 9), nullptr);
    cim_freeInstanceList(list);
    cim_freeInstanceList(rest);
}

TEST_F(CimListTest, RestOfAHandCutIsAListOfItsOwn) {
    CCIMList *list = cim_createInstanceList();
    for (const char *name : {"A", "B", "C"}) {
        append(list, name);
    }
    list = cim_prependInstance(list, cim_createInstance("Z"));
    // Cut by hand after the second node, as a job hands out its first results.
    CCIMList *rest = list->mNext->mNext;
    list->mNext->mNext = nullptr;
    append(rest, "D");
    rest = cim_prependInstance(rest, cim_createInstance("Y"));
    EXPECT_EQ(classNames(list), (std::vector<std::string>{"Z", "A"}));
    EXPECT_EQ(classNames(rest), (std::vector<std::string>{"Y", "B", "C", "D"}));
    cim_freeInstanceList(list);
    cim_freeInstanceList(rest);
}

TEST_F(CimListTest, AppendAfterAHandMadeAppendGoesToTheRealEnd) {
    CCIMList *list = cim_createInstanceList();
    append(list, "A");
    CCIMList *other = cim_createInstanceList();
    append(other, "B");
    list->mNext = other;  // joined by hand
    append(list, "C");
    EXPECT_EQ(classNames(list), (std::vector<std::string>{"A", "B", "C"}));
    cim_freeInstanceList(list);
}

TEST_F(CimListTest, PropertyListsAppendInOrderAndFreeTheirProperties) {
    CCIMList *list = cim_createPropertyList();
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 1000; ++i) {
        std::string name = "P" + std::to_string(i);
        CCIMProperty *prop = cim_createProperty(name.c_str(), CIM_UINT32, "1", nullptr, cim_false);
        ASSERT_EQ(cim_addPropertyToPropertyList(list, prop), list);
    }
    int i = 0;
    for (const CCIMList *node = list; node != nullptr; node = node->mNext, ++i) {
        EXPECT_EQ(static_cast<CCIMProperty *>(node->mDataObject)->mName, "P" + std::to_string(i));
    }
    EXPECT_EQ(i, 1000);
    cim_freePropertyList(list);
}

TEST_F(CimListTest, NullArgumentsFailAndLeaveOwnershipWithTheCaller) {
    CCIMInstance *inst = cim_createInstance("A");
    CCIMList *list = cim_createInstanceList();
    EXPECT_EQ(cim_addInstance(nullptr, inst), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    EXPECT_EQ(cim_addInstance(list, nullptr), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_NO_INSTANCE);
    EXPECT_EQ(cim_prependInstance(list, nullptr), nullptr);
    EXPECT_EQ(cim_addPropertyToPropertyList(nullptr, nullptr), nullptr);
    EXPECT_EQ(cim_addPropertyToPropertyList(list, nullptr), nullptr);
    EXPECT_EQ(cim_splitList(nullptr, 1), nullptr);
    EXPECT_EQ(cim_splitList(list, 0), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    EXPECT_EQ(list->mDataObject, nullptr);
    cim_freeInstanceList(nullptr);
    cim_freePropertyList(nullptr);
    cim_freeInstance(inst);
    cim_freeInstanceList(list);
}

}  // namespace
