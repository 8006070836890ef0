// Text on its way into a database: PostgreSQL takes only valid UTF-8, and a
// record may hold any bytes. Both engines get the same cleaned text, so that a
// question has one answer wherever it is asked.
#ifndef TOOLS_FLEET_SQLTEXT_H
#define TOOLS_FLEET_SQLTEXT_H

#include <cstddef>
#include <string>

#include "tools/fleet/SqlTable.h"

namespace ulvar_fleet {

// Whether the `n` bytes at `s` are valid UTF-8 without NUL.
bool isCleanUtf8(const char *s, std::size_t n);

// Appends the bytes with every NUL and every byte that starts no valid UTF-8
// sequence replaced by U+FFFD.
void appendCleanUtf8(std::string &out, const char *s, std::size_t n);

// `s` as a value: itself when clean, else its cleaned copy in `scratch`
// (which must live as long as the value is used). Empty is NULL.
SqlValue cleanText(const std::string &s, std::string &scratch);

// Appends `s` as a JSON string, quoted and escaped, cleaned as above.
void appendJsonString(std::string &out, const char *s, std::size_t n);

}  // namespace ulvar_fleet

#endif
