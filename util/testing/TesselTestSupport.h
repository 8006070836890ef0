// Test support for the job registry and status results: a settable clock, a
// fresh registry per test, and the expected text of a log line.
#ifndef UTIL_TESTING_TESSELTESTSUPPORT_H
#define UTIL_TESTING_TESSELTESTSUPPORT_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tessel/Tessel.h"
#include "util/internal/TesselClock.h"
#include "util/testing/AgentLogFile.h"

namespace tessel {
namespace testing {

// A clock the test moves by hand; installed for the life of the object.
class ManualClock {
  public:
    explicit ManualClock(long start) : previous(setTimeSource(&ManualClock::Now)) { now = start; }
    ~ManualClock() { setTimeSource(previous); }
    ManualClock(const ManualClock &) = delete;
    ManualClock &operator=(const ManualClock &) = delete;

    void Set(long seconds) { now = seconds; }

  private:
    static long Now() { return now; }

    static long now;
    TimeSource previous;
};

inline long ManualClock::now = 0;

// Tears the process-wide registry down (deleting every registered job) so
// that the next Tessel::getInstance starts from the first-use path.
inline void ResetRegistry() {
    delete Tessel::m_pHashObj;
    Tessel::m_pHashObj = nullptr;
    if (HashWrapper::m_hashTable != nullptr) {
        HashWrapper wrapper;  // a table left without a wrapper: let one clean it
    }
}

// What follows "tid <n>: " in a line written by prv_log: the function field,
// the level and the message. `formatLength` is the length of the format the
// caller passed (the blank padding to 20 is measured on it).
inline std::string LogTail(const std::string &function, const std::string &level,
                           const std::string &message, size_t formatLength) {
    std::string tail = function;
    if (tail.size() < 15) {
        tail.append(15 - tail.size(), ' ');
    }
    tail += ": " + level;
    if (level.size() < 8) {
        tail.append(8 - level.size(), ' ');
    }
    tail += ":  " + message;
    if (formatLength < 20) {
        tail.append(20 - formatLength, ' ');
    }
    return tail;
}

// As above for a message written without conversions.
inline std::string LogTail(const std::string &function, const std::string &level,
                           const std::string &message) {
    return LogTail(function, level, message, message.size());
}

// The tails of `lines` (see LogTail), in order.
inline std::vector<std::string> Tails(const std::vector<std::string> &lines) {
    std::vector<std::string> tails;
    for (const std::string &line : lines) {
        size_t tid = line.find(": tid ");
        size_t end = tid == std::string::npos ? std::string::npos : line.find(": ", tid + 6);
        tails.push_back(end == std::string::npos ? line : line.substr(end + 2));
    }
    return tails;
}

// Fixture for tests that read their log lines back: lines of this process
// whose tail starts with one of the function fields asked for.
class TesselLogTest : public AgentLogTest {
  protected:
    std::vector<std::string> TailsOf(const std::vector<std::string> &functions) const {
        std::vector<std::string> picked;
        for (const std::string &tail : Tails(log.OwnLines(""))) {
            for (const std::string &function : functions) {
                if (tail.compare(0, function.size() + 1, function + " ") == 0 ||
                    tail.compare(0, function.size() + 1, function + ":") == 0) {
                    picked.push_back(tail);
                    break;
                }
            }
        }
        return picked;
    }
};

}  // namespace testing
}  // namespace tessel

#endif
