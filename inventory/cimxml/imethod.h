// CIM-XML writer, the elements a WBEM server answers intrinsic methods with:
// the IMETHODRESPONSE frame, ERROR, and the objects an IRETURNVALUE holds
// (VALUE.NAMEDINSTANCE, INSTANCENAME, VALUE.OBJECTWITHPATH, INSTANCEPATH,
// OBJECTPATH, INSTANCE, VALUE, CLASSNAME, CLASS).
//
// Conventions, results and ownership as in cimxml.h: 0 on success, -1 for a
// null buffer or a buffer that could not grow; the records are read, never
// owned. A response is written in three steps, so that a large one can be
// sent while it is written: marshallIMethodResponseBegin, the objects of the
// result at indent marshallIMethodResultIndent, marshallIMethodResponseEnd.
//
// Instance names and paths are made from an instance's own key properties, in
// its property order. A key whose value is null or only white space is
// written as "0" and gets that value in the record, as everywhere in the
// writer; marshallPrepareInstance does that once ahead, after which writing an
// instance changes nothing, so that several threads may write it at once.
#ifndef INVENTORY_CIMXML_IMETHOD_H
#define INVENTORY_CIMXML_IMETHOD_H

#include "inventory/cimxml/sbuf.h"
#include "ulvar/export.h"
#include "wbemkit/cim.h"

#ifdef __cplusplus
#define ULVAR_CIM(type) nmspc_cim::type
extern "C" {
#else
#define ULVAR_CIM(type) type
#endif

// The indent of the objects inside IRETURNVALUE.
enum { marshallIMethodResultIndent = 5 };

// What of an instance a response shows. A null view shows everything.
typedef struct marshallInstanceView {
    // Names of the properties shown (compared ignoring case); null: all of
    // them. With a non-null list and a count of 0, none.
    const char *const *propertyNames;
    int propertyCount;
    // Non-zero: key properties carry the Key qualifier.
    int includeQualifiers;
} marshallInstanceView;

// One property of a class definition.
typedef struct marshallClassProperty {
    const char *name;
    int type;                    // a CIMType; 28 for a reference
    int key;                     // non-zero for a key property
    const char *referenceClass;  // the class a reference names; null otherwise
} marshallClassProperty;

// A class definition: its properties, inherited ones included, in order.
typedef struct marshallClassDefinition {
    const char *name;
    const char *superClass;  // null for a class without one
    int association;         // non-zero for an association class
    const marshallClassProperty *properties;
    int propertyCount;
} marshallClassDefinition;

// ---- The message ----

// The declaration, CIM, MESSAGE with `messageId`, SIMPLERSP, an
// IMETHODRESPONSE named `methodName` and the opening of its IRETURNVALUE.
ULVAR_API int marshallIMethodResponseBegin(sbuf *buffer, const char *messageId,
                                           const char *methodName);

// The closing of the IRETURNVALUE and of everything Begin opened.
ULVAR_API int marshallIMethodResponseEnd(sbuf *buffer);

// A whole response whose IMETHODRESPONSE (or, with `intrinsic` 0, whose
// METHODRESPONSE) named `methodName` holds only an ERROR.
ULVAR_API int marshallErrorResponse(sbuf *buffer, const char *messageId, const char *methodName,
                                    int intrinsic, int code, const char *description);

// An empty ERROR with its CODE and, when not null, its DESCRIPTION.
ULVAR_API int marshallError(sbuf *buffer, int code, const char *description, int indent);

// ---- Instances and their names ----

// Gives every blank key of `instance`, and of the paths its references hold,
// the value "0" (see above). 0, or -1 when memory ran out (then some keys may
// be left as they were).
ULVAR_API int marshallPrepareInstance(ULVAR_CIM(CCIMInstance) * instance);

// An INSTANCE showing what `view` lets through; -1 for a null instance or
// class name.
ULVAR_API int marshallInstanceShown(sbuf *buffer, ULVAR_CIM(CCIMInstance) * instance,
                                    const marshallInstanceView *view, int indent);

// An INSTANCENAME naming `instance` by its key properties, each KEYVALUE with
// its VALUETYPE; -1 for a null instance or class name.
ULVAR_API int marshallInstanceNameOf(sbuf *buffer, ULVAR_CIM(CCIMInstance) * instance, int indent);

// An INSTANCEPATH: this host and `nameSpace`, and the instance's name.
ULVAR_API int marshallInstancePathOf(sbuf *buffer, ULVAR_CIM(CCIMInstance) * instance,
                                     const char *nameSpace, int indent);

// An OBJECTPATH holding the instance's INSTANCEPATH.
ULVAR_API int marshallObjectPathOf(sbuf *buffer, ULVAR_CIM(CCIMInstance) * instance,
                                   const char *nameSpace, int indent);

// A VALUE.NAMEDINSTANCE: the instance's name (all its keys, whatever the
// view) and the instance as `view` shows it.
ULVAR_API int marshallValueNamedInstance(sbuf *buffer, ULVAR_CIM(CCIMInstance) * instance,
                                         const marshallInstanceView *view, int indent);

// A VALUE.OBJECTWITHPATH: the instance's path and the instance as `view`
// shows it.
ULVAR_API int marshallValueObjectWithPath(sbuf *buffer, ULVAR_CIM(CCIMInstance) * instance,
                                          const char *nameSpace, const marshallInstanceView *view,
                                          int indent);

// The value of one property as GetProperty returns it: a VALUE, a
// VALUE.ARRAY or a VALUE.REFERENCE; nothing for a null value or an embedded
// instance.
ULVAR_API int marshallPropertyValueOnly(sbuf *buffer, ULVAR_CIM(CCIMProperty) * property,
                                        int indent);

// ---- Classes ----

// A CLASSNAME element.
ULVAR_API int marshallClassName(sbuf *buffer, const char *className, int indent);

// A CLASS with its properties; with `includeQualifiers` the Association
// qualifier of an association and the Key qualifier of each key. -1 for a
// null definition or name.
ULVAR_API int marshallClass(sbuf *buffer, const marshallClassDefinition *definition,
                            int includeQualifiers, int indent);

#ifdef __cplusplus
}  // extern "C"
#endif

#undef ULVAR_CIM

#endif
