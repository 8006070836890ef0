// Line and text helpers shared by the CIM-XML element writers: indented
// lines, escaped character data, type names. Internal to the writer.
//
// Every line is measured first and then written into room reserved once
// (sbuf_reserve.h): a failed line leaves nothing of itself in the buffer.
#ifndef INVENTORY_CIMXML_INTERNAL_XML_PRINT_H
#define INVENTORY_CIMXML_INTERNAL_XML_PRINT_H

#include <stddef.h>
#include <string.h>

#include <initializer_list>

#include "inventory/cimxml/sbuf.h"
#include "wbemkit/cim.h"

namespace cimxml {

// One piece of a line: `length` bytes of `text`, as they stand or escaped as
// character data (see appendEscaped).
struct Piece {
    const char *text;
    size_t length;
    bool escape;
};

// `text` as it stands (null: nothing).
inline Piece raw(const char *text) {
    return Piece{text, text != nullptr ? strlen(text) : 0, false};
}
// `text` escaped (null: nothing).
inline Piece escaped(const char *text) {
    return Piece{text, text != nullptr ? strlen(text) : 0, true};
}
// The first `length` bytes of `text` escaped, or fewer up to a NUL.
inline Piece escaped(const char *text, size_t length) {
    return Piece{text, text != nullptr ? strnlen(text, length) : 0, true};
}

// Appends one line: 2 x indent blanks (none for a negative indent), the
// pieces in order, "\r\n". 0, or -1 when the buffer is null or cannot grow
// (nothing of the line is appended then).
int printLine(sbuf *buffer, int indent, std::initializer_list<Piece> pieces);

// Appends one line: 2 x indent blanks (none for a negative indent), the
// formatted text, "\r\n". 0, or -1 when the buffer is null or an append failed.
int printIndented(sbuf *buffer, int indent, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// Appends one line: 2 x indent blanks, `open` as it stands, `text` escaped
// (nothing for null), `close` as it stands, "\r\n". Result as printIndented.
int printPCDataIndented(sbuf *buffer, int indent, const char *open, const char *text,
                        const char *close);

// printPCDataIndented for the first `length` bytes of `text` (stops early at
// a NUL).
int printPCDataIndentedN(sbuf *buffer, int indent, const char *open, const char *text,
                         size_t length, const char *close);

// Appends `text` escaped for XML character data and attribute values: the five
// markup characters become entities, bytes that are not printable ASCII
// (0x20 to 0x7E) are dropped. Null appends nothing. 0, or -1 on failure.
int appendEscaped(sbuf *buffer, const char *text);
int appendEscapedN(sbuf *buffer, const char *text, size_t length);

// The CIM-XML name of a type code ("uint8" ... "instance"), "unknown" for any
// other value. A static string.
const char *getTypeString(int type);

// True for null, empty, or only white space (blank, \t, \n, \v, \f, \r).
bool isNullOrAllWhitespace(const char *text);

// Gives a key property whose value is null or blank the value "0"
// (cim_setPropertyValue). 0, or -1 if memory ran out and the property is
// unchanged.
int replaceBlankKeyValue(nmspc_cim::CCIMProperty *property);

}  // namespace cimxml

#endif
