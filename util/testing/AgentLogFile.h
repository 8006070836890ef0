// Test support: lets a test read back what it wrote to the agent's log file.
//
// The library only appends to a log file that already exists, so a test that
// checks log lines first makes the missing directories and the file, and
// afterwards removes what was made for it. Test processes run side by side
// (ctest -j, several test executables at once): they coordinate through a
// lock file in the system temporary directory, which holds the list of paths
// made by any of them. Each helper holds a shared lock while it uses the log;
// the last one to let go (the one that gets the exclusive lock) removes every
// listed path, and so never pulls the file from under another test.
//
// Tests find their own lines by this process's pid and a marker of their own.
#ifndef UTIL_TESTING_AGENTLOGFILE_H
#define UTIL_TESTING_AGENTLOGFILE_H

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tessel/log.h"

namespace tessel {
namespace testing {

class AgentLogFile {
  public:
    AgentLogFile() = default;
    ~AgentLogFile() { Release(); }
    AgentLogFile(const AgentLogFile &) = delete;
    AgentLogFile &operator=(const AgentLogFile &) = delete;

    // Makes the log's directories and file when missing and checks that this
    // process can append to it. False, with *reason set, when it cannot; the
    // helper then holds nothing.
    bool Acquire(std::string *reason) {
        Release();
        if (!OpenLock(reason)) {
            return false;
        }
        // Going from the exclusive to the shared lock is not atomic: a last
        // user may sweep the paths in between, so check and make them again.
        for (int attempt = 0; attempt < 10; ++attempt) {
            flock(lock_fd_, LOCK_EX);
            bool made = MakeMissing(reason);
            flock(lock_fd_, LOCK_SH);
            if (!made) {
                Release();
                return false;
            }
            if (access(TESSEL_LOG_PATH, F_OK) == 0) {
                break;
            }
        }
        int fd = open(TESSEL_LOG_PATH, O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0) {
            *reason = std::string("cannot append to ") + TESSEL_LOG_PATH + ": " + strerror(errno);
            Release();
            return false;
        }
        start = lseek(fd, 0, SEEK_END);
        close(fd);
        return true;
    }

    // Lets go of the log; removes the listed paths when no other test uses it.
    void Release() {
        if (lock_fd_ < 0) {
            return;
        }
        if (flock(lock_fd_, LOCK_EX | LOCK_NB) == 0) {
            std::vector<std::string> made = Split(ReadFrom(lock_fd_, 0));
            for (auto it = made.rbegin(); it != made.rend(); ++it) {
                remove(it->c_str());  // a directory goes only when empty
            }
            if (ftruncate(lock_fd_, 0) != 0) {
                // Paths listed twice are harmless: removing them again fails.
            }
        }
        close(lock_fd_);
        lock_fd_ = -1;
    }

    // Runs `body` while no other test uses the log and no file bears its path
    // (its directories do exist). A file the tests made is moved aside for the
    // while; a file they did not make is left alone and `body` is not run.
    // False, with *reason set, when `body` did not run.
    bool RunWithFileAbsent(const std::function<void()> &body, std::string *reason) {
        if (!OpenLock(reason)) {
            return false;
        }
        flock(lock_fd_, LOCK_EX);
        bool ran = false;
        if (MakeMissing(reason)) {
            std::string made = ReadFrom(lock_fd_, 0);
            std::string aside = std::string(TESSEL_LOG_PATH) + ".aside";
            if (made.find(std::string(TESSEL_LOG_PATH) + "\n") == std::string::npos) {
                *reason = std::string("the tests did not make ") + TESSEL_LOG_PATH;
            } else if (rename(TESSEL_LOG_PATH, aside.c_str()) != 0) {
                *reason = "cannot move the log aside: " + std::string(strerror(errno));
            } else {
                body();
                rename(aside.c_str(), TESSEL_LOG_PATH);
                ran = true;
            }
        }
        Release();
        return ran;
    }

    // Lines appended since Acquire by this process that contain `marker`, in
    // file order, without their newlines. A line cut at the length limit has
    // no newline, so the next line in the file is joined to it.
    std::vector<std::string> OwnLines(const std::string &marker) const {
        std::string pid = ": pid " + std::to_string(getpid()) + ": tid ";
        std::vector<std::string> own;
        int fd = open(TESSEL_LOG_PATH, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return own;
        }
        off_t from = lseek(fd, 0, SEEK_END) >= start ? start : 0;
        for (std::string &line : Split(ReadFrom(fd, from))) {
            if (line.find(pid) != std::string::npos && line.find(marker) != std::string::npos) {
                own.push_back(std::move(line));
            }
        }
        close(fd);
        return own;
    }

    // A marker no other test run shares: `tag`, the pid, a counter, the time.
    static std::string UniqueMarker(const std::string &tag) {
        static std::atomic<unsigned> counter{0};
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        return tag + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "-" +
               std::to_string(now.tv_sec) + "." + std::to_string(now.tv_nsec);
    }

  private:
    static constexpr const char *kLockPath = "/tmp/tessel-agent-log-test.lock";

    bool OpenLock(std::string *reason) {
        lock_fd_ = open(kLockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lock_fd_ < 0) {
            // Another user made it: locking works without write access, only
            // the list of made paths cannot grow (and nothing can be made).
            lock_fd_ = open(kLockPath, O_RDONLY | O_CLOEXEC);
        }
        if (lock_fd_ < 0) {
            *reason =
                std::string("cannot open the lock file ") + kLockPath + ": " + strerror(errno);
            return false;
        }
        return true;
    }

    // Under the exclusive lock: makes each missing directory of the log's
    // path and the file, and lists what it made in the lock file.
    bool MakeMissing(std::string *reason) {
        std::string path = TESSEL_LOG_PATH;
        std::string made;
        bool ok = true;
        for (size_t slash = path.find('/', 1); ok; slash = path.find('/', slash + 1)) {
            std::string part = path.substr(0, slash);
            if (slash == std::string::npos) {
                int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                if (fd >= 0) {
                    close(fd);
                    made += part + "\n";
                } else if (errno != EEXIST) {
                    ok = false;
                    *reason = "cannot create " + part + ": " + strerror(errno);
                }
                break;
            }
            if (mkdir(part.c_str(), 0755) == 0) {
                made += part + "\n";
            } else if (errno != EEXIST) {
                ok = false;
                *reason = "cannot create " + part + ": " + strerror(errno);
            }
        }
        lseek(lock_fd_, 0, SEEK_END);
        if (!made.empty() && write(lock_fd_, made.data(), made.size()) < 0) {
            // Unlisted paths stay behind; the test itself is unaffected.
        }
        return ok;
    }

    static std::string ReadFrom(int fd, off_t offset) {
        std::string text;
        char chunk[8192];
        ssize_t n;
        while ((n = pread(fd, chunk, sizeof(chunk), offset)) > 0) {
            text.append(chunk, static_cast<size_t>(n));
            offset += n;
        }
        return text;
    }

    static std::vector<std::string> Split(const std::string &text) {
        std::vector<std::string> lines;
        size_t begin = 0;
        while (begin < text.size()) {
            size_t end = text.find('\n', begin);
            if (end == std::string::npos) {
                end = text.size();
            }
            lines.push_back(text.substr(begin, end - begin));
            begin = end + 1;
        }
        return lines;
    }

    int lock_fd_ = -1;
    off_t start = 0;
};

// Fixture for tests that read back their log lines; skips, saying why, when
// the log file cannot be made or written.
class AgentLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string reason;
        if (!log.Acquire(&reason)) {
            GTEST_SKIP() << "agent log not writable: " << reason;
        }
    }
    void TearDown() override { log.Release(); }

    AgentLogFile log;
};

}  // namespace testing
}  // namespace tessel

#endif
