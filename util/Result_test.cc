#include "tessel/Result.h"

#include <string>

#include <gtest/gtest.h>

#include "util/testing/TesselTestSupport.h"

namespace {

using tessel::testing::LogTail;

TEST(ResultTest, SeverityFromKey) {
    const struct {
        const char *key;
        const char *severity;
    } cases[] = {
        {"F_REPORT_CONV_FAILURE", "failed"},
        {"W_X", "warning"},
        {"I_SCAN_DONE", "information"},
        {"S_", "success"},
        {"f_x", "unknown"},      // lower case
        {"X_Y", "unknown"},      // another letter
        {"FX_Y", "unknown"},     // underscore at index 2
        {"FAILURE", "unknown"},  // no underscore
        {"_F", "unknown"},       // underscore at index 0
        {"", "unknown"},
    };
    for (const auto &c : cases) {
        Result r(c.key, TESSEL_RESULT_BUNDLE);
        EXPECT_EQ(c.severity, r.getSeverity()) << "key '" << c.key << "'";
    }
}

TEST(ResultTest, ArgumentsFillSlotsInOrderAndANinthIsDropped) {
    Result r("F_X", TESSEL_RESULT_BUNDLE);
    for (int i = 0; i < 9; ++i) {
        r.addArg("arg" + std::to_string(i), "desc" + std::to_string(i));
    }
    char **args = r.getArguments();
    char **descs = r.getArgDescriptors();
    EXPECT_EQ(Result::kMaxArgs, r.getArgumentCount(args));
    EXPECT_EQ(Result::kMaxArgs, r.getArgumentCount(descs));
    for (int i = 0; i < Result::kMaxArgs; ++i) {
        EXPECT_STREQ(("arg" + std::to_string(i)).c_str(), args[i]);
        EXPECT_STREQ(("desc" + std::to_string(i)).c_str(), descs[i]);
    }
}

TEST(ResultTest, EmptyArgumentOrDescriptionStoresNothing) {
    Result r("F_X", TESSEL_RESULT_BUNDLE);
    r.addArg("disk0", "");
    r.addArg("", "FailurePoint");
    EXPECT_EQ(0, r.getArgumentCount(r.getArguments()));
    EXPECT_EQ(0, r.getArgumentCount(r.getArgDescriptors()));
    EXPECT_EQ(0, r.getArgumentCount(nullptr));
    r.addArg("disk0", "FailurePoint");
    EXPECT_STREQ("disk0", r.getArguments()[0]);
}

TEST(ResultTest, AssignmentCopiesIdentityButNotArgumentsOrTime) {
    tessel::testing::ManualClock clock(5000);
    Result source("W_SOURCE", "bundle.a");
    source.addArg("a", "A");
    clock.Set(6000);
    Result target("F_TARGET", "bundle.b");
    target.addArg("b", "B");
    target.addArg("c", "C");

    target = source;
    EXPECT_EQ("W_SOURCE", target.getKey());
    EXPECT_EQ("bundle.a", target.getBundle());
    EXPECT_EQ("warning", target.getSeverity());
    EXPECT_EQ(2, target.getArgumentCount(target.getArguments()));
    EXPECT_STREQ("b", target.getArguments()[0]);
    EXPECT_EQ(6000, target.getCreationTimeInSec());
    EXPECT_EQ(5000, source.getCreationTimeInSec());
}

TEST(ResultTest, EqualityIgnoresArgumentsAndTime) {
    tessel::testing::ManualClock clock(5000);
    Result a("F_X", TESSEL_RESULT_BUNDLE);
    clock.Set(7000);
    Result b("F_X", TESSEL_RESULT_BUNDLE);
    b.addArg("x", "y");
    Result c("F_X", "other.bundle");
    Result d("W_X", TESSEL_RESULT_BUNDLE);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    EXPECT_FALSE(a == d);
}

TEST(ResultTest, SetSeverityReplacesTheWord) {
    Result r("F_X", TESSEL_RESULT_BUNDLE);
    r.SetSeverity("S_DONE");
    EXPECT_EQ("success", r.getSeverity());
    EXPECT_EQ("F_X", r.getKey());
}

TEST(ResultTest, CreationTimeAsCtimeText) {
    tessel::testing::ManualClock clock(86400);
    Result r("F_X", TESSEL_RESULT_BUNDLE);
    EXPECT_EQ(86400, r.getCreationTimeInSec());
    time_t t = 86400;
    char expected[64];
    EXPECT_EQ(std::string(ctime_r(&t, expected)), r.getCreationTime());
}

class ResultLogTest : public tessel::testing::TesselLogTest {};

TEST_F(ResultLogTest, LifecycleAndRefusalsAreLogged) {
    {
        Result r("FAILURE", "");
        r.addArg("", "d");
        Result other("FAILURE", "");
        EXPECT_TRUE(r == other);
    }
    std::vector<std::string> tails =
        TailsOf({"Result constructor", "Result destructor", "RESULT::addArg", "RESULT::SetSeverity",
                 "RESULT::operator=="});
    std::vector<std::string> expected = {
        LogTail("Result constructor", "DEBUG", "Starting Result instantiation"),
        LogTail("RESULT::SetSeverity", "DEBUG", "Starting SetSeverity"),
        LogTail("RESULT::SetSeverity", "DEBUG", "Severity not specified; set to UNKNOWN"),
        LogTail("RESULT::addArg", "DEBUG", "Starting addArg"),
        LogTail("RESULT::addArg", "ERR", "Bad argument(s)."),
        LogTail("Result constructor", "DEBUG", "Starting Result instantiation"),
        LogTail("RESULT::SetSeverity", "DEBUG", "Starting SetSeverity"),
        LogTail("RESULT::SetSeverity", "DEBUG", "Severity not specified; set to UNKNOWN"),
        LogTail("RESULT::operator==", "DEBUG", "Starting operator=="),
        LogTail("RESULT::operator==", "DEBUG", "Result objects are EQUAL."),
        LogTail("Result destructor", "DEBUG", "Starting Result destruction"),
        LogTail("Result destructor", "DEBUG", "Starting Result destruction"),
    };
    EXPECT_EQ(expected, tails);
}

TEST_F(ResultLogTest, LowerCaseLetterGivesUnknownWithoutNote) {
    Result r("f_x", TESSEL_RESULT_BUNDLE);
    EXPECT_EQ("unknown", r.getSeverity());
    std::vector<std::string> expected = {
        LogTail("RESULT::SetSeverity", "DEBUG", "Starting SetSeverity"),
    };
    EXPECT_EQ(expected, TailsOf({"RESULT::SetSeverity"}));
}

}  // namespace
