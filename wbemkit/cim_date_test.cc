#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

#include "wbemkit/cim.h"

using namespace nmspc_cim;

namespace {

std::string dateOf(long seconds) {
    const char *text = cim_getDateStr(seconds);
    return text != nullptr ? text : "(null)";
}

// The same datetime through the C library, for comparison.
std::string expectedDateOf(time_t seconds) {
    struct tm parts;
    gmtime_r(&seconds, &parts);
    char text[32];
    strftime(text, sizeof text, "%Y%m%d%H%M%S.000000+000", &parts);
    return text;
}

unsigned decodeOneDate(const std::string &text) {
    int count = 0;
    unsigned *values = cim_decodeDateTimeArray(text.c_str(), &count);
    EXPECT_NE(values, nullptr) << text;
    EXPECT_EQ(count, 1) << text;
    unsigned value = values != nullptr && count == 1 ? values[0] : 0;
    std::free(values);
    return value;
}

class CimDateTest : public ::testing::Test {};

TEST_F(CimDateTest, EpochAndTheSecondBefore) {
    EXPECT_EQ(dateOf(0), "19700101000000.000000+000");
    EXPECT_EQ(dateOf(-1), "19691231235959.000000+000");
    EXPECT_EQ(std::string(cim_getDateStr(0)).size(), 25u);
}

TEST_F(CimDateTest, LeapDaysAndCenturyEnds) {
    EXPECT_EQ(dateOf(68169600), "19720229000000.000000+000");
    EXPECT_EQ(dateOf(951782400), "20000229000000.000000+000");
    EXPECT_EQ(dateOf(951868800), "20000301000000.000000+000");
    EXPECT_EQ(dateOf(4107456000L), "21000228000000.000000+000");
    EXPECT_EQ(dateOf(4107542400L), "21000301000000.000000+000");  // 2100 is no leap year
    EXPECT_EQ(dateOf(4102444799L), "20991231235959.000000+000");
    EXPECT_EQ(dateOf(-2203891200L), "19000301000000.000000+000");
}

TEST_F(CimDateTest, MatchesTheCLibraryFrom1970To2099) {
    std::mt19937_64 random(1970);
    std::uniform_int_distribution<long> seconds(0, 4102444799L);
    for (int i = 0; i < 20000; ++i) {
        const long value = seconds(random);
        ASSERT_EQ(dateOf(value), expectedDateOf(value)) << value;
    }
}

TEST_F(CimDateTest, YearsBeyondFourDigitsFail) {
    EXPECT_EQ(dateOf(253402300799L), "99991231235959.000000+000");
    EXPECT_EQ(dateOf(-62167219200L), "00000101000000.000000+000");
    EXPECT_EQ(cim_getDateStr(253402300800L), nullptr);
    EXPECT_EQ(cim_getLastError()->mErrorID, CIM_ERR_INVALID_PARAMETER);
    EXPECT_EQ(cim_getDateStr(-62167219201L), nullptr);
}

TEST_F(CimDateTest, TextStaysValidForTheNextSevenCalls) {
    const char *first = cim_getDateStr(0);
    for (int i = 1; i <= 7; ++i) {
        unsigned value = 1;
        ASSERT_NE(i % 2 == 0 ? cim_getDateStr(i * 1000L) : cim_encodeUint32Array(&value, 1),
                  nullptr);
    }
    EXPECT_STREQ(first, "19700101000000.000000+000");
}

TEST_F(CimDateTest, DecodingAppliesTheUtcOffset) {
    EXPECT_EQ(decodeOneDate("20000229010000.000000+060"), 951782400u);
    EXPECT_EQ(decodeOneDate("20000228230000.000000-060"), 951782400u);
    EXPECT_EQ(decodeOneDate("20000229000000.999999+000"), 951782400u);
}

TEST_F(CimDateTest, ImpossibleDatesDoNotDecode) {
    for (const char *text :
         {"19990229000000.000000+000,", "20000230000000.000000+000,", "20001301000000.000000+000,",
          "20000101240000.000000+000,", "20000101006000.000000+000,", "00000001000000.000000:000,",
          "2000010100000*.000000+000,", "20000101000000.000000+00,", "19691231235959.000000+000,",
          "21060207062816.000000+000,"}) {
        int count = -1;
        EXPECT_EQ(cim_decodeDateTimeArray(text, &count), nullptr) << text;
        EXPECT_EQ(count, 0);
    }
}

}  // namespace
