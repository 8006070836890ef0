// CIM-XML writer: renders CIM objects of the CIM object library as CIM-XML
// text (DTD version 2.0) into a string buffer.
//
// Three functions write a complete response message (ExecQuery,
// CreateInstance, extrinsic method result); the others write one element with
// its children at a given indent level and may be called alone. Lines end
// with "\r\n" and are indented by two blanks per level.
//
// Every function returns 0 on success and -1 on failure: a null buffer, or a
// buffer that could not grow (memory exhausted; the text written so far stays
// and the document is incomplete). A null object to write is not a failure:
// nothing is written and 0 is returned, unless stated otherwise.
//
// The writer reads the records without taking ownership, with one exception:
// a key property whose value is null or only white space gets the value "0"
// in the property itself (with cim_setPropertyValue), so the record shows
// what was written.
// Character data and attribute values are escaped; bytes that are not
// printable ASCII are dropped. A buffer and the objects it is given must be
// used by one thread at a time.
#ifndef INVENTORY_CIMXML_CIMXML_H
#define INVENTORY_CIMXML_CIMXML_H

#include "inventory/cimxml/sbuf.h"
#include "ulvar/export.h"
#include "wbemkit/cim.h"

// The CIM records live in a namespace when seen from C++.
#ifdef __cplusplus
#define ULVAR_CIM(type) nmspc_cim::type
extern "C" {
#else
#define ULVAR_CIM(type) type
#endif

// ---- Complete messages ----

// An ExecQuery response holding one VALUE.OBJECT per instance of `instances`
// (null or empty: none). -1 as soon as an instance fails.
ULVAR_API int marshallExecQueryResults(sbuf *buffer, ULVAR_CIM(CCIMList) * instances,
                                       const char *messageId);

// A CreateInstance response naming the new instance by `path`, or holding
// ERROR CODE="1" when `path` is null (which is still a success, 0).
ULVAR_API int marshallCreateInstanceResults(sbuf *buffer, ULVAR_CIM(CCIMObjectPath) * path,
                                            const char *messageId);

// A method response for `methodName` whose return value is the value text of
// `returnValue` (empty when the property or its value is null).
ULVAR_API int marshallInvokeMethodResults(sbuf *buffer, ULVAR_CIM(CCIMProperty) * returnValue,
                                          const char *messageId, const char *methodName);

// ---- Elements ----

// One VALUE.OBJECT per non-null instance of the list, in list order.
ULVAR_API int marshallInstanceList(sbuf *buffer, ULVAR_CIM(CCIMList) * instances, int indent);

// One INSTANCE with its properties; -1 for a null instance or class name.
ULVAR_API int marshallInstance(sbuf *buffer, ULVAR_CIM(CCIMInstance) * instance, int indent);

// The properties in list order (null elements skipped); stops at the first
// failing property and returns its status.
ULVAR_API int marshallPropertyList(sbuf *buffer, ULVAR_CIM(CCIMList) * properties, int indent);

// One property by its type: PROPERTY.ARRAY for arrays, PROPERTY.REFERENCE
// for references, nothing for embedded instances, PROPERTY otherwise.
ULVAR_API int marshallProperty(sbuf *buffer, ULVAR_CIM(CCIMProperty) * property, int indent);

// A scalar PROPERTY; a key gets the key qualifier (and "0" for a blank value).
ULVAR_API int marshallPropertyValue(sbuf *buffer, ULVAR_CIM(CCIMProperty) * property, int indent);

// A PROPERTY.REFERENCE; nothing when the property has no object path.
ULVAR_API int marshallPropertyReference(sbuf *buffer, ULVAR_CIM(CCIMProperty) * property,
                                        int indent);

// A VALUE.REFERENCE holding the instance path of the property's object path.
ULVAR_API int marshallPropertyValueReference(sbuf *buffer, ULVAR_CIM(CCIMProperty) * property,
                                             int indent);

// An INSTANCEPATH for the property's object path; nothing without one.
ULVAR_API int marshallPropertyInstancePath(sbuf *buffer, ULVAR_CIM(CCIMProperty) * property,
                                           int indent);

// An INSTANCENAME with the key bindings of the property's object path;
// nothing without one.
ULVAR_API int marshallInstanceName(sbuf *buffer, ULVAR_CIM(CCIMProperty) * property, int indent);

// One KEYBINDING per key property of the property's object path; a blank
// non-reference key value is written, and stored, as "0".
ULVAR_API int marshallKeybindings(sbuf *buffer, ULVAR_CIM(CCIMProperty) * property, int indent);

// A NAMESPACEPATH (this host and the local namespace path); nothing for a
// null namespace.
ULVAR_API int marshallNameSpacePath(sbuf *buffer, const char *nameSpace, int indent);

// A HOST element with this machine's host name; -1 if the name cannot be had.
ULVAR_API int marshallHost(sbuf *buffer, int indent);

// A LOCALNAMESPACEPATH: one NAMESPACE per non-empty piece of `nameSpace`
// split at "/" (so "/root//cimv2/" gives root and cimv2).
ULVAR_API int marshallLocalNameSpacePath(sbuf *buffer, const char *nameSpace, int indent);

// The qualifier that marks a key property (Key, boolean, true).
ULVAR_API int marshallKeyQualifier(sbuf *buffer, int indent);

#ifdef __cplusplus
}  // extern "C"
#endif

#undef ULVAR_CIM

#endif
