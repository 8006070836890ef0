#include "wbemkit/internal/array_text.h"

#include <cstring>

namespace wbemkit {

namespace {
constexpr char kSeparator = ',';
constexpr char kEscape = '\\';
constexpr const char *kSpecial = ",\\";
}  // namespace

void appendArrayElement(std::string &out, const char *element, std::size_t length) {
    const char *end = element + length;
    while (element < end) {
        const char *special = element;
        while (special < end && *special != kSeparator && *special != kEscape) {
            ++special;
        }
        out.append(element, special);
        if (special == end) {
            break;
        }
        out.push_back(kEscape);
        out.push_back(*special);
        element = special + 1;
    }
    out.push_back(kSeparator);
}

bool ArrayTextReader::next(std::string &element) {
    if (malformed || *cursor == '\0') {
        return false;
    }
    element.clear();
    for (;;) {
        const std::size_t plain = std::strcspn(cursor, kSpecial);
        element.append(cursor, plain);
        cursor += plain;
        if (*cursor != kEscape) {
            break;
        }
        const char escaped = cursor[1];
        if (escaped != kEscape && escaped != kSeparator) {
            malformed = true;
            return false;
        }
        element.push_back(escaped);
        cursor += 2;
    }
    if (*cursor == kSeparator) {
        ++cursor;
    }
    return true;
}

}  // namespace wbemkit
