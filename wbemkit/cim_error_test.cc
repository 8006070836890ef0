#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "wbemkit/cim.h"

using namespace nmspc_cim;

namespace {

class CimErrorTest : public ::testing::Test {};

TEST_F(CimErrorTest, FreshThreadHasCodeZeroAndEmptyMessage) {
    std::thread([] {
        CCIMException *own = cim_getLastError();
        ASSERT_NE(own, nullptr);
        EXPECT_EQ(own->mErrorID, CIM_ERR_NONE);
        ASSERT_NE(own->mErrorString, nullptr);
        EXPECT_STREQ(own->mErrorString, "");
    }).join();
}

TEST_F(CimErrorTest, CreateExceptionFillsTheThreadRecord) {
    CCIMException *made =
        cim_createException(2, "NULL CIMInstance member object.", "InsertProperty");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->mErrorID, 2);
    EXPECT_STREQ(made->mErrorString, "NULL CIMInstance member object.");
    EXPECT_EQ(cim_getLastError(), made);
    EXPECT_STREQ(cim_getLastError()->mErrorString, "NULL CIMInstance member object.");
}

TEST_F(CimErrorTest, NullMessageBecomesEmptyText) {
    CCIMException *made = cim_createException(7, nullptr, nullptr);
    EXPECT_EQ(made->mErrorID, 7);
    ASSERT_NE(made->mErrorString, nullptr);
    EXPECT_STREQ(made->mErrorString, "");
}

TEST_F(CimErrorTest, MessageMayBeTheRecordsOwnText) {
    cim_createException(4, "first message", nullptr);
    CCIMException *again = cim_createException(5, cim_getLastError()->mErrorString, nullptr);
    EXPECT_EQ(again->mErrorID, 5);
    EXPECT_STREQ(again->mErrorString, "first message");
}

TEST_F(CimErrorTest, FailingCallRecordsAndSuccessfulCallLeavesTheRecord) {
    EXPECT_EQ(cim_createInstance(nullptr), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    std::string message = cim_getLastError()->mErrorString;
    EXPECT_FALSE(message.empty());

    CCIMInstance *inst = cim_createInstance("Disk");
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    EXPECT_EQ(message, cim_getLastError()->mErrorString);
    cim_freeInstance(inst);

    EXPECT_EQ(cim_createObjectPath(nullptr), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_NO_INSTANCE);
}

TEST_F(CimErrorTest, EachThreadSeesOnlyItsOwnFailure) {
    cim_createException(11, "main thread", nullptr);
    std::string seenByOther;
    int codeSeenByOther = -1;
    std::thread([&] {
        cim_createException(12, "other thread", nullptr);
        codeSeenByOther = cim_getLastError()->mErrorID;
        seenByOther = cim_getLastError()->mErrorString;
    }).join();
    EXPECT_EQ(codeSeenByOther, 12);
    EXPECT_EQ(seenByOther, "other thread");
    EXPECT_EQ(cim_getLastError()->mErrorID, 11);
    EXPECT_STREQ(cim_getLastError()->mErrorString, "main thread");
}

}  // namespace
