// Catches what a test's code writes to descriptor 1, the way the serialize
// native writes: straight to the descriptor, bypassing C stdio and iostreams.
#ifndef INVENTORY_TESTING_STDOUTCAPTURE_H
#define INVENTORY_TESTING_STDOUTCAPTURE_H

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

namespace ulvar {
namespace testing {

// While alive, descriptor 1 is `target` (by default an unlinked temporary
// file); finish() puts the old descriptor back and returns what the file got.
// What C stdio buffered before construction goes to the old descriptor.
class StdoutCapture {
  public:
    explicit StdoutCapture(int target = -1) {
        fflush(stdout);
        if (target < 0) {
            char path[] = "/tmp/stdout_captureXXXXXX";
            file = mkstemp(path);
            if (file >= 0) {
                unlink(path);
            }
            target = file;
        }
        saved = dup(1);
        redirected = target >= 0 && saved >= 0 && dup2(target, 1) == 1;
    }
    ~StdoutCapture() {
        restore();
        if (file >= 0) {
            close(file);
        }
    }
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // False when the redirection could not be set up.
    bool ok() const { return redirected; }

    // Restores descriptor 1 (flushing C stdio into the capture first) and
    // returns everything written to the temporary file.
    std::string finish() {
        restore();
        std::string out;
        if (file < 0 || lseek(file, 0, SEEK_SET) != 0) {
            return out;
        }
        char chunk[4096];
        ssize_t n;
        while ((n = read(file, chunk, sizeof chunk)) > 0) {
            out.append(chunk, static_cast<size_t>(n));
        }
        return out;
    }

  private:
    void restore() {
        if (saved >= 0) {
            fflush(stdout);
            dup2(saved, 1);
            close(saved);
            saved = -1;
        }
    }

    int file = -1;
    int saved = -1;
    bool redirected = false;
};

}  // namespace testing
}  // namespace ulvar

#endif
