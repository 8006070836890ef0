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
    if (bad_ || *next_ == '\0') {
        return false;
    }
    element.clear();
    for (;;) {
        const std::size_t plain = std::strcspn(next_, kSpecial);
        element.append(next_, plain);
        next_ += plain;
        if (*next_ != kEscape) {
            break;
        }
        const char escaped = next_[1];
        if (escaped != kEscape && escaped != kSeparator) {
            bad_ = true;
            return false;
        }
        element.push_back(escaped);
        next_ += 2;
    }
    if (*next_ == kSeparator) {
        ++next_;
    }
    return true;
}

}  // namespace wbemkit
