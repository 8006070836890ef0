#include "server/UserFile.h"

#include <crypt.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>

namespace ulvar_server {

namespace {

// Checked against when the file names no user at all: the SHA-512 hash of a
// password nobody has.
const char kNobody[] =
    "$6$AqANTQ1BTbSIUeyo$M6D5lMDPz9ZyN1iw6IjkPPDYN9rLFc.d8lxrZR/pBZsksZ1xvq2GcJwceZPcDGfV"
    "HCpZFbl5.yo.kQFqTU99e/";

bool equalInConstantTime(const char *a, const char *b) {
    std::size_t la = strlen(a), lb = strlen(b);
    unsigned char difference = la != lb;
    for (std::size_t i = 0; i < la && i < lb; ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

}  // namespace

std::unique_ptr<UserFile> UserFile::load(const std::string &path, std::string &why) {
    std::ifstream in(path);
    if (!in) {
        why = path + ": " + strerror(errno);
        return nullptr;
    }
    std::unique_ptr<UserFile> users(new UserFile());
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::string where = path + ":" + std::to_string(number) + ": ";
        std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            why = where + "not a \"name:hash\" line";
            return nullptr;
        }
        std::string name = line.substr(0, colon);
        std::string hash = line.substr(colon + 1);
        if (hash.compare(0, 3, "$y$") != 0 && hash.compare(0, 3, "$6$") != 0) {
            why = where + "the hash of " + name +
                  " is not a salted yescrypt ($y$) or SHA-512 ($6$) crypt hash";
            return nullptr;
        }
        if (!users->hashes.emplace(name, hash).second) {
            why = where + name + " is named twice";
            return nullptr;
        }
    }
    if (in.bad()) {
        why = path + ": cannot be read";
        return nullptr;
    }
    return users;
}

bool UserFile::check(const char *user, const char *password) const {
    if (user == nullptr || password == nullptr) {
        return false;
    }
    // An unknown name is checked against another user's hash, so that the
    // answer takes as long as for a known one.
    auto found = hashes.find(user);
    const char *hash = found != hashes.end() ? found->second.c_str()
                       : hashes.empty()      ? kNobody
                                             : hashes.begin()->second.c_str();
    std::unique_ptr<crypt_data> scratch(new (std::nothrow) crypt_data());
    if (!scratch) {
        return false;
    }
    const char *computed = crypt_rn(password, hash, scratch.get(), sizeof *scratch);
    return computed != nullptr && found != hashes.end() && equalInConstantTime(computed, hash);
}

}  // namespace ulvar_server
