// Runs test code where temporary directories cannot be written: in a child
// process with its own mount namespace, in which chosen directories are
// read-only binds of themselves (they still exist, and access(W_OK) fails with
// EROFS, also for root).
#ifndef INVENTORY_TESTING_READONLYDIRECTORIES_H
#define INVENTORY_TESTING_READONLYDIRECTORIES_H

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace ulvar {
namespace testing {

constexpr int kNoNamespace = 77;

// Forks; the child makes every existing directory of `readOnly` read-only in a
// private mount namespace, runs `body()` (returning std::string) and passes its
// result back. Sets *skipped when the child could not get a namespace (neither
// as root nor through a user namespace) or died; the result is then "".
template <class Body>
std::string InChildWithReadOnly(const std::vector<std::string> &readOnly, Body body,
                                bool *skipped) {
    *skipped = true;
    int fds[2];
    if (pipe(fds) != 0) {
        return std::string();
    }
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::string();
    }
    if (pid == 0) {
        close(fds[0]);
        if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            _exit(kNoNamespace);
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            _exit(kNoNamespace);
        }
        for (const std::string &p : readOnly) {
            struct stat st;
            if (stat(p.c_str(), &st) != 0) {
                continue;
            }
            if (mount(p.c_str(), p.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
                mount(nullptr, p.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
                    0) {
                _exit(kNoNamespace);
            }
        }
        std::string out = body();
        size_t done = 0;
        while (done < out.size()) {
            ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) {
        out.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    *skipped = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    return *skipped ? std::string() : out;
}

}  // namespace testing
}  // namespace ulvar

#endif
