// Line and text helpers shared by the CIM-XML element writers: indented
// lines, escaped character data, type names. Internal to the writer.
#ifndef INVENTORY_CIMXML_INTERNAL_XML_PRINT_H
#define INVENTORY_CIMXML_INTERNAL_XML_PRINT_H

#include <stddef.h>

#include "inventory/cimxml/sbuf.h"
#include "wbemkit/cim.h"

namespace cimxml {

// Appends 2 x indent blanks (none for a negative indent). 0, or -1 when an
// append failed.
int appendIndent(sbuf *buffer, int indent);

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

// Gives a key property whose value is null or blank the value "0", allocated
// with malloc (the old text is freed only once the new one exists).
// 0, or -1 if the allocation failed and the property is unchanged.
int replaceBlankKeyValue(nmspc_cim::CCIMProperty *property);

}  // namespace cimxml

#endif
