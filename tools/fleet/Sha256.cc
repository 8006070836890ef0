#include "tools/fleet/Sha256.h"

#include <errno.h>
#include <fcntl.h>
#include <gnutls/crypto.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace ulvar_fleet {

bool fileSha256(const std::string &path, std::string &hex, std::string &error) {
    std::vector<char> chunk(1 << 16);  // before the descriptor, which a throw would leak
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot open: ") + strerror(errno);
        return false;
    }
    gnutls_hash_hd_t hash;
    if (gnutls_hash_init(&hash, GNUTLS_DIG_SHA256) < 0) {
        close(fd);
        error = "cannot compute its SHA-256 digest";
        return false;
    }
    ssize_t n;
    while ((n = read(fd, chunk.data(), chunk.size())) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            gnutls_hash(hash, chunk.data(), static_cast<size_t>(n));
        }
    }
    int readError = n < 0 ? errno : 0;
    unsigned char digest[32];
    gnutls_hash_deinit(hash, digest);
    close(fd);
    if (readError != 0) {
        error = std::string("cannot read: ") + strerror(readError);
        return false;
    }
    static const char kHex[] = "0123456789abcdef";
    hex.clear();
    for (unsigned char b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 0xF];
    }
    return true;
}

}  // namespace ulvar_fleet
