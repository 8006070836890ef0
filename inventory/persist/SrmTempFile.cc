#include "inventory/persist/SrmTempFile.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <memory>
#include <new>

namespace {

// Appended to the chosen directory; mkstemp replaces the X's.
const char kTemplate[] = "/SRDBRXXXXXX";
const char kVarTmp[] = "/var/tmp/";
const char kTmp[] = "/tmp";
// Room for the template and its terminating NUL beyond the longest directory.
const size_t kSpare = 16;
static_assert(sizeof(kTemplate) <= kSpare, "the template must fit in the spare room");

size_t lengthOf(const char *s) {
    return s == nullptr ? 0 : strlen(s);
}

// Copies `candidate` into `path` when it names a directory we may create files in.
bool choose(char *path, const char *candidate) {
    if (candidate == nullptr || candidate[0] == '\0') {
        return false;
    }
    if (access(candidate, W_OK | X_OK) != 0) {
        return false;
    }
    pcopy(path, candidate);
    return true;
}

}  // namespace

extern "C" char *pcopy(char *dst, const char *src) {
    if (src == nullptr) {
        return dst;
    }
    size_t n = strlen(src);
    memcpy(dst, src, n + 1);
    if (n > 0 && dst[n - 1] == '/') {
        dst[n - 1] = '\0';
    }
    return dst;
}

extern "C" FILE *mktmpfile(const char *dir) {
    const char *tmpdir = getenv("TMPDIR");
    size_t longest = sizeof(kVarTmp) - 1;
    if (lengthOf(tmpdir) > longest) {
        longest = lengthOf(tmpdir);
    }
    if (lengthOf(dir) > longest) {
        longest = lengthOf(dir);
    }
    std::unique_ptr<char[]> path(new (std::nothrow) char[longest + kSpare]);
    if (!path) {
        return nullptr;
    }
    if (!choose(path.get(), tmpdir) && !choose(path.get(), dir) && !choose(path.get(), kVarTmp) &&
        !choose(path.get(), kTmp)) {
        return nullptr;
    }
    strcat(path.get(), kTemplate);

    int fd = mkstemp(path.get());
    if (fd < 0) {
        return nullptr;
    }
    // The name goes at once: nobody else can open the file, and it vanishes
    // with the last descriptor even if the process dies.
    unlink(path.get());
    FILE *file = fdopen(fd, "w+");
    if (file == nullptr) {
        // The stream never took the descriptor over, so it is still ours.
        close(fd);
    }
    return file;
}
