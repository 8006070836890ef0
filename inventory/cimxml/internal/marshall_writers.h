// Element writers shared between the files of the CIM-XML writer. Internal;
// results as in cimxml.h (0, or -1 when an append failed).
#ifndef INVENTORY_CIMXML_INTERNAL_MARSHALL_WRITERS_H
#define INVENTORY_CIMXML_INTERNAL_MARSHALL_WRITERS_H

#include "inventory/cimxml/sbuf.h"
#include "wbemkit/cim.h"

namespace cimxml {

// One opening line `<tag NAME="name">`, or `<tag NAME="name" TYPE="type">`
// when `type` is not null; the name is escaped.
int openWithName(sbuf *buffer, int indent, const char *tag, const char *name, const char *type);

// A PROPERTY.ARRAY for a property of an array type (14 to 27).
int writePropertyArray(sbuf *buffer, nmspc_cim::CCIMProperty *property, int indent);

// An INSTANCENAME for `path` (not null) with one key binding per key property.
int writeInstanceName(sbuf *buffer, nmspc_cim::CCIMObjectPath *path, int indent);

}  // namespace cimxml

#endif
