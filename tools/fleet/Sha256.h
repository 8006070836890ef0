// The SHA-256 digest of a file's bytes (GnuTLS computes it).
#ifndef TOOLS_FLEET_SHA256_H
#define TOOLS_FLEET_SHA256_H

#include <string>

namespace ulvar_fleet {

// The digest of the file at `path` as 64 lower-case hex digits. False when the
// file cannot be read; `error` then says why ("cannot open: ...").
bool fileSha256(const std::string &path, std::string &hex, std::string &error);

}  // namespace ulvar_fleet

#endif
