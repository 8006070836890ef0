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

// The VALUE.ARRAY of a property of an array type (14 to 27): one VALUE per
// decoded element, none when the value does not decode.
int writeValueArray(sbuf *buffer, nmspc_cim::CCIMProperty *property, int indent);

// An INSTANCENAME for `path` (not null) with one key binding per key property.
int writeInstanceName(sbuf *buffer, nmspc_cim::CCIMObjectPath *path, int indent);

// A KEYBINDING for `key`: its KEYVALUE, or the VALUE.REFERENCE of a reference.
// A blank value is written, and stored, as "0". With `typed` the KEYVALUE
// carries its VALUETYPE (string, boolean or numeric).
int writeKeyBinding(sbuf *buffer, nmspc_cim::CCIMProperty *key, int indent, bool typed);

// Everything of a response message before its body (the declaration, CIM,
// MESSAGE with `messageId`, SIMPLERSP), and everything after it.
int openMessage(sbuf *buffer, const char *messageId);
int closeMessage(sbuf *buffer);

// While one lives on this thread, marshallHost asks the system for the host
// name once and writes that name in every HOST: a document names one machine,
// and a report has a reference or two in most of its instances. Writers of a
// whole list or message hold one. Scopes nest; the outermost forgets the name.
class HostNameScope {
  public:
    HostNameScope();
    ~HostNameScope();
    HostNameScope(const HostNameScope &) = delete;
    HostNameScope &operator=(const HostNameScope &) = delete;
};

}  // namespace cimxml

#endif
