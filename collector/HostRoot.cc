#include "collector/HostRoot.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace collector {

namespace {

// No attribute or table the collector reads comes near this; a larger file
// is a wrong path, not data.
constexpr size_t kMaxFile = 1 << 20;

struct DirCloser {
    void operator()(DIR *d) const { closedir(d); }
};

}  // namespace

HostRoot::HostRoot(std::string root) : dir(std::move(root)), isLive(false) {
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    if (dir.empty() || dir == "/") {
        dir.clear();
        isLive = true;
        return;
    }
    char resolved[PATH_MAX];
    if (realpath(dir.c_str(), resolved) != nullptr && std::string(resolved) == "/") {
        dir.clear();
        isLive = true;
    }
}

std::string HostRoot::path(const std::string &p) const {
    return dir + p;
}

bool HostRoot::readFile(const std::string &p, std::string &out) const {
    out.clear();
    int fd = open(path(p).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    char chunk[4096];
    bool ok = true;
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || out.size() + static_cast<size_t>(n) > kMaxFile) {
            ok = false;
            break;
        }
        if (n == 0) {
            break;
        }
        out.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    return ok;
}

bool HostRoot::readValue(const std::string &p, std::string &out) const {
    if (!readFile(p, out)) {
        return false;
    }
    out = hostTrim(out);
    return true;
}

bool HostRoot::readNumber(const std::string &p, unsigned long long &out) const {
    std::string text;
    return readValue(p, text) && hostParseNumber(text, out);
}

bool HostRoot::readLink(const std::string &p, std::string &out) const {
    char target[PATH_MAX];
    ssize_t n = readlink(path(p).c_str(), target, sizeof target);
    if (n < 0 || static_cast<size_t>(n) >= sizeof target) {
        return false;
    }
    out.assign(target, static_cast<size_t>(n));
    return true;
}

bool HostRoot::exists(const std::string &p) const {
    struct stat st;
    return stat(path(p).c_str(), &st) == 0;
}

std::vector<std::string> HostRoot::list(const std::string &p) const {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> d(opendir(path(p).c_str()));
    if (!d) {
        return names;
    }
    while (struct dirent *e = readdir(d.get())) {
        std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string hostTrim(const std::string &text) {
    const char *blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return std::string();
    }
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool hostParseNumber(const std::string &text, unsigned long long &out) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (~0ULL - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    out = value;
    return true;
}

}  // namespace collector
