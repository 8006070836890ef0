// Unlinked temporary files over known bytes, what a writer puts into one, and a
// pipe fed in pieces: the descriptors the tests of readers and writers use.
#ifndef INVENTORY_TESTING_SCRATCHFILES_H
#define INVENTORY_TESTING_SCRATCHFILES_H

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace ulvar {
namespace testing {

// Closes its descriptor on destruction.
class ScopedFd {
  public:
    explicit ScopedFd(int fd = -1) : fd(fd) {}
    ~ScopedFd() {
        if (fd >= 0) {
            close(fd);
        }
    }
    ScopedFd(const ScopedFd &) = delete;
    ScopedFd &operator=(const ScopedFd &) = delete;
    int get() const { return fd; }

  private:
    int fd;
};

inline bool WriteAll(int fd, const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// An unlinked temporary file holding `bytes`, positioned at its start; -1 on failure.
inline int FileWith(const std::string &bytes) {
    char path[] = "/tmp/persist_testXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) {
        return -1;
    }
    unlink(path);
    if (!WriteAll(fd, bytes) || lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The whole content of the file `fd`, from its start.
inline std::string ContentsOf(int fd) {
    std::string out;
    char buf[4096];
    ssize_t n;
    off_t offset = 0;
    while ((n = pread(fd, buf, sizeof buf, offset)) > 0) {
        out.append(buf, static_cast<std::size_t>(n));
        offset += n;
    }
    return out;
}

// What `write(fd)` writes, read back from an unlinked temporary file.
template <typename Write>
std::string BytesOf(Write write, int *result = nullptr) {
    ScopedFd file(FileWith(""));
    int r = write(file.get());
    if (result != nullptr) {
        *result = r;
    }
    return ContentsOf(file.get());
}

// The read end of a pipe that delivers `bytes` and then ends. A thread feeds it in pieces of at
// most `piece` bytes so that readers see short reads; Join() after reading.
class FedPipe {
  public:
    FedPipe(const std::string &bytes, std::size_t piece) : readFd(-1) {
        // A test that stops reading early must not be killed by the feeder's broken pipe.
        signal(SIGPIPE, SIG_IGN);
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        readFd = fds[0];
        int writeFd = fds[1];
        feeder = std::thread([bytes, piece, writeFd] {
            for (std::size_t at = 0; at < bytes.size(); at += piece) {
                if (!WriteAll(writeFd, bytes.substr(at, piece))) {
                    break;
                }
            }
            close(writeFd);
        });
    }
    ~FedPipe() {
        if (readFd >= 0) {
            close(readFd);
        }
        if (feeder.joinable()) {
            feeder.join();
        }
    }
    FedPipe(const FedPipe &) = delete;
    FedPipe &operator=(const FedPipe &) = delete;
    int fd() const { return readFd; }

  private:
    int readFd;
    std::thread feeder;
};

}  // namespace testing
}  // namespace ulvar

#endif
