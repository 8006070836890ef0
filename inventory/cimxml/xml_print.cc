#include "inventory/cimxml/internal/xml_print.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace cimxml {

namespace {

const char kBlanks[] = "                                                                ";
const int kBlankCount = sizeof kBlanks - 1;

// The entity for a markup character, null for any other byte.
const char *entityFor(unsigned char c) {
    switch (c) {
        case '"':
            return "&quot;";
        case '&':
            return "&amp;";
        case '\'':
            return "&apos;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        default:
            return nullptr;
    }
}

// Printable in the POSIX locale; everything else could make the document
// ill-formed (control bytes) or mis-encoded (bytes that are not ASCII).
bool isPlain(unsigned char c) {
    return c >= 0x20 && c <= 0x7e;
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

int appendIndent(sbuf *buffer, int indent) {
    int blanks = indent > 0 ? 2 * indent : 0;
    while (blanks > 0) {
        int chunk = blanks < kBlankCount ? blanks : kBlankCount;
        if (sbufAppendN(buffer, kBlanks, chunk) == nullptr) {
            return -1;
        }
        blanks -= chunk;
    }
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
    // Runs of bytes that need no change go in with one append each.
    const char *run = text;
    for (const char *p = text;; ++p) {
        unsigned char c =
            static_cast<size_t>(p - text) < length ? static_cast<unsigned char>(*p) : 0;
        const char *entity = c != 0 ? entityFor(c) : nullptr;
        if (c != 0 && entity == nullptr && isPlain(c)) {
            continue;
        }
        if (p > run && sbufAppendN(buffer, run, static_cast<int>(p - run)) == nullptr) {
            return -1;
        }
        if (c == 0) {
            return 0;
        }
        if (entity != nullptr && sbufAppend(buffer, entity) == nullptr) {
            return -1;
        }
        run = p + 1;
    }
}

int printIndented(sbuf *buffer, int indent, const char *format, ...) {
    if (buffer == nullptr) {
        return -1;
    }
    int status = appendIndent(buffer, indent);
    va_list args;
    va_start(args, format);
    if (status == 0 && sbufVPrintf(buffer, format, args) == nullptr) {
        status = -1;
    }
    va_end(args);
    if (status == 0 && sbufAppendN(buffer, "\r\n", 2) == nullptr) {
        status = -1;
    }
    return status;
}

int printPCDataIndented(sbuf *buffer, int indent, const char *open, const char *text,
                        const char *close) {
    return printPCDataIndentedN(buffer, indent, open, text, static_cast<size_t>(-1), close);
}

int printPCDataIndentedN(sbuf *buffer, int indent, const char *open, const char *text,
                         size_t length, const char *close) {
    if (buffer == nullptr) {
        return -1;
    }
    if (appendIndent(buffer, indent) != 0 || (open && sbufAppend(buffer, open) == nullptr) ||
        appendEscapedN(buffer, text, length) != 0 ||
        (close && sbufAppend(buffer, close) == nullptr) ||
        sbufAppendN(buffer, "\r\n", 2) == nullptr) {
        return -1;
    }
    return 0;
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
    // The new text is made before the old one goes, so a failed allocation
    // leaves the property as it was rather than pointing at freed memory.
    char *zero = static_cast<char *>(malloc(2));
    if (zero == nullptr) {
        return -1;
    }
    zero[0] = '0';
    zero[1] = '\0';
    free(property->mValue);
    property->mValue = zero;
    return 0;
}

}  // namespace cimxml
