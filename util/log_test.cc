#include "tessel/log.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "util/testing/AgentLogFile.h"

namespace {

using tessel::testing::AgentLogFile;

class LogTest : public tessel::testing::AgentLogTest {
  protected:
    // The fixed fields of a line written from the calling thread, up to and
    // including the two blanks after the level's colon.
    static std::string Prefix(const std::string &component, const std::string &function,
                              const char *level) {
        char text[512];
        snprintf(text, sizeof(text), "%s: pid %d: tid %d: %-15s: %-8s:  ", component.c_str(),
                 static_cast<int>(getpid()), static_cast<int>(pthread_self()), function.c_str(),
                 level);
        return text;
    }

    // The one line of this process that carries `marker`.
    std::string OnlyLine(const std::string &marker) {
        std::vector<std::string> lines = log.OwnLines(marker);
        EXPECT_EQ(lines.size(), 1u) << marker;
        return lines.empty() ? std::string() : lines[0];
    }

    const std::string marker = AgentLogFile::UniqueMarker("log");
};

TEST_F(LogTest, EveryLevelHasItsNameAndOthersAreUnknown) {
    const char *names[] = {"UNKNOWN", "EMERG",  "ALERT", "CRIT",  "ERR",
                           "WARNING", "NOTICE", "INFO",  "DEBUG", "UNKNOWN"};
    for (int level = -1; level <= 8; ++level) {
        std::string mark = marker + "/" + std::to_string(level) + "/";
        prv_log(level, "OMX_SRMAgentAdapter", "GetInstance()", "%s", mark.c_str());
        EXPECT_EQ(OnlyLine(mark), Prefix("OMX_SRMAgentAdapter", "GetInstance()", names[level + 1]) +
                                      mark + std::string(18, ' '));
    }
}

TEST_F(LogTest, MessagePaddingIsMeasuredOnTheUnexpandedFormat) {
    prv_log(TESSEL_LOG_INFO, "comp", "short", "%s:%d", marker.c_str(), 7);
    EXPECT_EQ(OnlyLine(marker + ":7"),
              Prefix("comp", "short", "INFO") + marker + ":7" + std::string(20 - 5, ' '));

    std::string twenty = marker + " and twenty";
    prv_log(TESSEL_LOG_INFO, "comp", "short", "%s and twenty chars!", marker.c_str());
    EXPECT_EQ(OnlyLine(twenty), Prefix("comp", "short", "INFO") + twenty + " chars!");
}

TEST_F(LogTest, LongFunctionFieldIsWrittenWhole) {
    prv_log(TESSEL_LOG_DEBUG, "Tessel Library", "HASHWRAPPER::CheckForCruft", "%s", marker.c_str());
    EXPECT_EQ(OnlyLine(marker), "Tessel Library: pid " + std::to_string(getpid()) + ": tid " +
                                    std::to_string(static_cast<int>(pthread_self())) +
                                    ": HASHWRAPPER::CheckForCruft: DEBUG   :  " + marker +
                                    std::string(18, ' '));
}

TEST_F(LogTest, PercentSignsInComponentAndFunctionArePlainText) {
    prv_log(TESSEL_LOG_ERR, "comp%s%n", "fn%d%s", "%s", marker.c_str());
    EXPECT_EQ(OnlyLine(marker),
              Prefix("comp%s%n", "fn%d%s", "ERR") + marker + std::string(18, ' '));
}

TEST_F(LogTest, ErrorAppendsTheDecimalValueAtErr) {
    error("VstHash", "vst_hashAdd", marker.c_str(), -6);
    EXPECT_EQ(OnlyLine(marker), Prefix("Tessel Library", "VstHash", "ERR") +
                                    "vst_hashAdd         : " + marker + " -6");
}

TEST_F(LogTest, WrapperMessagesAreNeverExpandedAgain) {
    std::string text = marker + " 100%s %d";
    msg("src%s", "fn%n", text.c_str());
    info("src", "fn", text.c_str(), 42);
    strInfo("src", "fn", marker.c_str(), "%s%n%x");
    std::vector<std::string> lines = log.OwnLines(marker);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              Prefix("Tessel Library", "src%s", "INFO") + "fn%n                : " + text);
    EXPECT_EQ(lines[1],
              Prefix("Tessel Library", "src", "INFO") + "fn                  : " + text + " 42");
    EXPECT_EQ(lines[2], Prefix("Tessel Library", "src", "INFO") +
                            "fn                  : " + marker + " %s%n%x");
}

TEST_F(LogTest, OverlongLinesAreCutAt2047BytesWithoutNewline) {
    std::string filler(3000, 'x');
    std::string direct = marker + "/direct/";
    prv_log(TESSEL_LOG_INFO, "comp", "fn", "%s%s", direct.c_str(), filler.c_str());
    std::string through_msg = marker + "/msg/";
    msg("src", "fn", (through_msg + filler).c_str());

    const std::string expected[] = {
        Prefix("comp", "fn", "INFO") + direct + filler,
        Prefix("Tessel Library", "src", "INFO") + "fn                  : " + through_msg + filler,
    };
    // Without its newline a cut line runs into the line that follows it in
    // the file, so look for each line's start in the joined text.
    std::string text;
    for (const std::string &line : log.OwnLines(marker)) {
        text += line + "\n";
    }
    for (const std::string &line : expected) {
        size_t at = text.find(line.substr(0, 120));
        ASSERT_NE(at, std::string::npos) << line.substr(0, 120);
        ASSERT_GE(text.size() - at, 2047u);
        EXPECT_EQ(text.substr(at, 2047), line.substr(0, 2047));
        EXPECT_NE(text[at + 2047], 'x');
    }
}

TEST_F(LogTest, LinesFromManyThreadsStayWhole) {
    constexpr int kThreads = 8;
    constexpr int kLinesEach = 200;
    const std::string body(300, 'b');
    std::vector<int> tids(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            tids[t] = static_cast<int>(pthread_self());
            for (int i = 0; i < kLinesEach; ++i) {
                prv_log(TESSEL_LOG_INFO, "comp", "fn", "%s %d %d %s", marker.c_str(), t, i,
                        body.c_str());
            }
        });
    }
    for (std::thread &thread : threads) {
        thread.join();
    }

    std::vector<std::string> lines = log.OwnLines(marker);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesEach));
    std::set<std::pair<int, int>> seen;
    for (const std::string &line : lines) {
        size_t at = line.find(marker);
        ASSERT_NE(at, std::string::npos);
        int t = -1;
        int i = -1;
        ASSERT_EQ(sscanf(line.c_str() + at + marker.size(), " %d %d", &t, &i), 2) << line;
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        char prefix[256];
        snprintf(prefix, sizeof(prefix),
                 "comp: pid %d: tid %d: %-15s: %-8s:  ", static_cast<int>(getpid()), tids[t], "fn",
                 "INFO");
        EXPECT_EQ(line, prefix + marker + " " + std::to_string(t) + " " + std::to_string(i) + " " +
                            body + std::string(20 - 11, ' '));
        seen.insert({t, i});
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLinesEach));
}

TEST(LogFileTest, AbsentLogFileIsNeverCreated) {
    AgentLogFile log;
    std::string reason;
    bool ran = log.RunWithFileAbsent(
        [] {
            prv_log(TESSEL_LOG_ERR, "comp", "fn", "%s", "dropped");
            msg("src", "fn", "dropped");
            error("src", "fn", "dropped", 1);
            struct stat st;
            EXPECT_NE(stat(TESSEL_LOG_PATH, &st), 0);
        },
        &reason);
    if (!ran) {
        GTEST_SKIP() << reason;
    }
}

TEST(LogFileTest, NullStringsAreWrittenAsNullMarkers) {
    AgentLogFile log;
    std::string reason;
    if (!log.Acquire(&reason)) {
        GTEST_SKIP() << reason;
    }
    const std::string marker = AgentLogFile::UniqueMarker("null");
    prv_log(TESSEL_LOG_INFO, nullptr, nullptr, "%s", marker.c_str());
    strInfo("src", nullptr, marker.c_str(), nullptr);
    prv_log(TESSEL_LOG_INFO, marker.c_str(), "fn", nullptr);
    std::vector<std::string> lines = log.OwnLines(marker);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("(null): pid "), std::string::npos);
    EXPECT_NE(lines[1].find("(null)              : " + marker + " (null)"), std::string::npos);
    EXPECT_NE(lines[2].find(":  (null)              "), std::string::npos);
}

}  // namespace
