#include "tools/fleet/SqlText.h"

namespace ulvar_fleet {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `p` (`left` bytes remain), or 0
// when none starts there. NUL counts as invalid.
std::size_t sequenceAt(const unsigned char *p, std::size_t left) {
    unsigned char c = p[0];
    if (c >= 0x01 && c <= 0x7F) {
        return 1;
    }
    std::size_t n;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = c == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (left < n || p[1] < low || p[1] > high) {
        return 0;
    }
    for (std::size_t i = 2; i < n; ++i) {
        if (!continuation(p[i])) {
            return 0;
        }
    }
    return n;
}

}  // namespace

bool isCleanUtf8(const char *s, std::size_t n) {
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    for (std::size_t i = 0; i < n;) {
        std::size_t step = sequenceAt(p + i, n - i);
        if (step == 0) {
            return false;
        }
        i += step;
    }
    return true;
}

void appendCleanUtf8(std::string &out, const char *s, std::size_t n) {
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    std::size_t valid = 0;  // where the valid bytes not yet appended begin
    for (std::size_t i = 0; i < n;) {
        std::size_t step = sequenceAt(p + i, n - i);
        if (step != 0) {
            i += step;
            continue;
        }
        out.append(s + valid, i - valid);
        out += kReplacement;
        valid = ++i;
    }
    out.append(s + valid, n - valid);
}

SqlValue cleanText(const std::string &s, std::string &scratch) {
    if (isCleanUtf8(s.data(), s.size())) {
        return SqlValue::of(s);
    }
    scratch.clear();
    appendCleanUtf8(scratch, s.data(), s.size());
    return SqlValue::of(scratch);
}

void appendJsonString(std::string &out, const char *s, std::size_t n) {
    static const char kHex[] = "0123456789abcdef";
    std::string clean;
    if (!isCleanUtf8(s, n)) {
        appendCleanUtf8(clean, s, n);
        s = clean.data();
        n = clean.size();
    }
    out += '"';
    for (std::size_t i = 0; i < n; ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

}  // namespace ulvar_fleet
