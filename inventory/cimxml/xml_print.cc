#include "inventory/cimxml/internal/xml_print.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "inventory/cimxml/internal/sbuf_reserve.h"

namespace cimxml {

namespace {

// What escaping makes of each byte: how many bytes it writes (0: dropped).
// Printable ASCII stays, the five markup characters become entities, and
// every other byte (control bytes, bytes that are not ASCII) is dropped: it
// could make the document ill-formed or mis-encoded.
struct EscapeTable {
    unsigned char width[256];
    const char *entity[256];
};

constexpr EscapeTable makeEscapeTable() {
    EscapeTable table{};
    for (int c = 0x20; c <= 0x7e; ++c) {
        table.width[c] = 1;
    }
    struct Entity {
        unsigned char c;
        const char *text;
        unsigned char length;
    };
    const Entity entities[] = {{'"', "&quot;", 6},
                               {'&', "&amp;", 5},
                               {'\'', "&apos;", 6},
                               {'<', "&lt;", 4},
                               {'>', "&gt;", 4}};
    for (const Entity &e : entities) {
        table.width[e.c] = e.length;
        table.entity[e.c] = e.text;
    }
    return table;
}

constexpr EscapeTable kEscape = makeEscapeTable();

// The bytes `length` bytes of `text` take escaped, and whether they are
// plain (every byte stays as it is, so they can be copied in one piece).
struct Measure {
    size_t size;
    bool plain;
};

Measure measure(const char *text, size_t length) {
    size_t size = 0;
    size_t changed = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned char width = kEscape.width[static_cast<unsigned char>(text[i])];
        size += width;
        changed += width != 1;
    }
    return Measure{size, changed == 0};
}

// Writes `length` bytes of `text` escaped at `out`; returns the end.
char *writeEscaped(char *out, const char *text, size_t length, bool plain) {
    if (plain) {
        memcpy(out, text, length);
        return out + length;
    }
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned char width = kEscape.width[c];
        if (width == 1) {
            *out++ = static_cast<char>(c);
        } else if (width > 1) {
            memcpy(out, kEscape.entity[c], width);
            out += width;
        }
    }
    return out;
}

size_t indentBytes(int indent) {
    return indent > 0 ? 2 * static_cast<size_t>(indent) : 0;
}

const char *const kTypeNames[] = {
    "uint8",        "sint8",          "uint16",       "sint16",        "uint32",
    "sint32",       "uint64",         "sint64",       "string",        "boolean",
    "real32",       "real64",         "datetime",     "char16",        "uint8_array",
    "sint8_array",  "uint16_array",   "sint16_array", "uint32_array",  "sint32_array",
    "uint64_array", "sint64_array",   "string_array", "boolean_array", "real32_array",
    "real64_array", "datetime_array", "char16_array", "reference",     "instance",
};

}  // namespace

int printLine(sbuf *buffer, int indent, std::initializer_list<Piece> pieces) {
    if (buffer == nullptr) {
        return -1;
    }
    // The escaped pieces' measures are kept for the writing pass; a line of
    // more pieces than that measures its extra pieces again.
    constexpr size_t kKept = 8;
    bool plain[kKept];
    size_t blanks = indentBytes(indent);
    size_t total = blanks + 2;
    size_t i = 0;
    for (const Piece &piece : pieces) {
        if (piece.escape) {
            Measure m = measure(piece.text, piece.length);
            total += m.size;
            if (i < kKept) {
                plain[i] = m.plain;
            }
        } else {
            total += piece.length;
        }
        ++i;
    }
    char *out = sbufReserve(buffer, total);
    if (out == nullptr) {
        return -1;
    }
    char *start = out;
    memset(out, ' ', blanks);
    out += blanks;
    i = 0;
    for (const Piece &piece : pieces) {
        if (piece.length == 0) {
            // Nothing to write (and memcpy must not see a null text).
        } else if (!piece.escape) {
            memcpy(out, piece.text, piece.length);
            out += piece.length;
        } else {
            bool copy = i < kKept ? plain[i] : measure(piece.text, piece.length).plain;
            out = writeEscaped(out, piece.text, piece.length, copy);
        }
        ++i;
    }
    out[0] = '\r';
    out[1] = '\n';
    sbufCommit(buffer, static_cast<size_t>(out + 2 - start));
    return 0;
}

int appendEscaped(sbuf *buffer, const char *text) {
    return appendEscapedN(buffer, text, static_cast<size_t>(-1));
}

int appendEscapedN(sbuf *buffer, const char *text, size_t length) {
    if (buffer == nullptr) {
        return -1;
    }
    if (text == nullptr) {
        return 0;
    }
    length = strnlen(text, length);
    Measure m = measure(text, length);
    char *out = sbufReserve(buffer, m.size);
    if (out == nullptr) {
        return -1;
    }
    writeEscaped(out, text, length, m.plain);
    sbufCommit(buffer, m.size);
    return 0;
}

int printIndented(sbuf *buffer, int indent, const char *format, ...) {
    if (buffer == nullptr) {
        return -1;
    }
    if (strchr(format, '%') == nullptr) {
        return printLine(buffer, indent, {raw(format)});
    }
    va_list args;
    va_start(args, format);
    va_list counting;
    va_copy(counting, args);
    int length = vsnprintf(nullptr, 0, format, counting);
    va_end(counting);
    size_t blanks = indentBytes(indent);
    char *out =
        length >= 0 ? sbufReserve(buffer, blanks + static_cast<size_t>(length) + 2) : nullptr;
    if (out != nullptr) {
        memset(out, ' ', blanks);
        // vsnprintf's terminator lands where the line end goes next.
        vsnprintf(out + blanks, static_cast<size_t>(length) + 1, format, args);
        out[blanks + length] = '\r';
        out[blanks + length + 1] = '\n';
        sbufCommit(buffer, blanks + static_cast<size_t>(length) + 2);
    }
    va_end(args);
    return out != nullptr ? 0 : -1;
}

int printPCDataIndented(sbuf *buffer, int indent, const char *open, const char *text,
                        const char *close) {
    return printLine(buffer, indent, {raw(open), escaped(text), raw(close)});
}

int printPCDataIndentedN(sbuf *buffer, int indent, const char *open, const char *text,
                         size_t length, const char *close) {
    return printLine(buffer, indent, {raw(open), escaped(text, length), raw(close)});
}

const char *getTypeString(int type) {
    const int count = sizeof kTypeNames / sizeof kTypeNames[0];
    return type >= 0 && type < count ? kTypeNames[type] : "unknown";
}

bool isNullOrAllWhitespace(const char *text) {
    if (text == nullptr) {
        return true;
    }
    for (; *text != '\0'; ++text) {
        if (strchr(" \t\n\v\f\r", *text) == nullptr) {
            return false;
        }
    }
    return true;
}

int replaceBlankKeyValue(nmspc_cim::CCIMProperty *property) {
    if (!isNullOrAllWhitespace(property->mValue)) {
        return 0;
    }
    // The library releases the old text, which may be one it shares.
    return nmspc_cim::cim_setPropertyValue(property, "0") == cim_true ? 0 : -1;
}

}  // namespace cimxml
