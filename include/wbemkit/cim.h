// The CIM object library (libwbemkit): CIM instances, properties, object
// paths and lists as plain records, made and freed by cim_... functions.
//
// Records are read directly by callers (the CIM-XML writer walks them), so
// their fields stay in this order. All functions have C linkage.
//
// Ownership, in short:
//  - every cim_create... result belongs to the caller until handed to a list
//    or instance as stated below, and is released with the matching cim_free...;
//  - cim_addProperty(inst, p) returning 1: the instance owns `p`;
//  - cim_addInstance / cim_prependInstance: the list owns the instance; the
//    caller keeps the returned list (use it in place of the one passed);
//  - cim_addPropertyToPropertyList(list, p): the list owns `p`;
//  - cim_free... of a container frees what it owns, recursively.
// A null result means failure; cim_getLastError() then tells why.
//
// Records (instances, properties, object paths, list nodes) come only from
// this library. It carves them from blocks of its own, 64 KiB each, which the
// calling thread fills in turn; a block goes back to the system when the last
// record in it is freed. Freeing is as before: every record is released with
// the cim_free... call that fits it or that of its container, whatever order
// and whichever thread.
//
// Every text the library puts in a record (names, namespaces, values) is its
// own and read-only: one text may serve several records of a block, and the
// block frees its texts with itself, so never write into one and never free()
// one. A caller may put a malloc'd text of its own in a record's place (a
// text of the library's that it replaces needs nothing); the cim_free...
// functions release the caller's text with free(), and so does
// cim_setPropertyValue, which replaces a value text for the caller.
//
// List nodes come only from this library (never malloc a node yourself). The
// first node of a list keeps a hidden pointer to the last one, so that
// appending never walks the list. A caller may read and relink the mNext
// chain, with one rule: after cutting a chain by hand (setting a node's mNext
// to null), do not append to the front part again; use cim_splitList for a
// cut after which both parts stay lists of their own. The part after a hand
// cut is a list of its own (its first append walks it once).
//
// Every function accepts null and bad arguments without crashing and answers
// with its failure value; the free functions accept null and do nothing.
// Functions are thread-safe as long as no object is used by two threads at
// once; the last error and the library-owned texts are per thread.
#ifndef WBEMKIT_CIM_H
#define WBEMKIT_CIM_H

#include <stddef.h>

#include "wbemkit/export.h"

#ifdef __cplusplus
namespace nmspc_cim {
extern "C" {
#endif

// CIM data types. 14..27 are arrays of 0..13 in the same order.
typedef enum CIMType {
    CIM_UINT8 = 0,
    CIM_SINT8 = 1,
    CIM_UINT16 = 2,
    CIM_SINT16 = 3,
    CIM_UINT32 = 4,
    CIM_SINT32 = 5,
    CIM_UINT64 = 6,
    CIM_SINT64 = 7,
    CIM_STRING = 8,
    CIM_BOOLEAN = 9,
    CIM_REAL32 = 10,
    CIM_REAL64 = 11,
    CIM_DATETIME = 12,
    CIM_CHAR16 = 13,
    CIM_UINT8_ARRAY = 14,
    CIM_SINT8_ARRAY = 15,
    CIM_UINT16_ARRAY = 16,
    CIM_SINT16_ARRAY = 17,
    CIM_UINT32_ARRAY = 18,
    CIM_SINT32_ARRAY = 19,
    CIM_UINT64_ARRAY = 20,
    CIM_SINT64_ARRAY = 21,
    CIM_STRING_ARRAY = 22,
    CIM_BOOLEAN_ARRAY = 23,
    CIM_REAL32_ARRAY = 24,
    CIM_REAL64_ARRAY = 25,
    CIM_DATETIME_ARRAY = 26,
    CIM_CHAR16_ARRAY = 27,
    CIM_REFERENCE = 28,
    CIM_INSTANCE = 29
} CIMType;

// 1 true, 0 false.
typedef int CIMBool;
#define cim_true 1
#define cim_false 0

// A singly linked list node. An empty list is one node with a null element.
// Used for instance lists (elements are CCIMInstance*) and property lists
// (elements are CCIMProperty*).
typedef struct _CCIMList {
    void *mDataObject;        // element, or null in an empty list
    struct _CCIMList *mNext;  // next node, null at the end
} CCIMList;

struct _CCIMObjectPath;
struct _CCIMInstance;

typedef struct _CCIMProperty {
    char *mName;                       // property name
    CIMType mType;                     // value type
    char *mValue;                      // value text; arrays encoded as one text; null if none
    struct _CCIMObjectPath *mObjPath;  // reference value (type reference), else null
    struct _CCIMInstance *mInstance;   // embedded instance (type instance), else null
    CIMBool mKeyProperty;              // 1 for a key property
} CCIMProperty;

typedef struct _CCIMInstance {
    char *mClassName;       // class name
    CCIMList *mProperties;  // property list (elements CCIMProperty*)
} CCIMInstance;

typedef struct _CCIMObjectPath {
    char *mName;               // class name
    char *mNameSpace;          // namespace, such as "root/cimv2"
    CCIMList *mKeyProperties;  // key-property list (elements CCIMProperty*)
} CCIMObjectPath;

typedef struct _CCIMException {
    int mErrorID;        // error code
    char *mErrorString;  // message text
} CCIMException;

#ifdef __cplusplus
#define WBEMKIT_DEFAULT(value) = value
#else
#define WBEMKIT_DEFAULT(value)
#endif

// ---- Instances, properties, object paths ----

// New instance of `className` (copied; null fails) with an empty property
// list. `component` names the caller for diagnostics and may be null.
WBEMKIT_API CCIMInstance *cim_createInstance(const char *className,
                                             const char *component WBEMKIT_DEFAULT(NULL));
// New property holding copies of `name` (null fails), `value` (may be null)
// and `path` (may be null; a deep copy is kept, the caller keeps `path`).
// `type` must be a CIMType (0..29); `isKey` is stored as cim_true or cim_false.
WBEMKIT_API CCIMProperty *cim_createProperty(const char *name, CIMType type, const char *value,
                                             CCIMObjectPath *path, CIMBool isKey);
// Appends `prop` to the instance's property list in O(1) (a null property
// list is made first). On cim_true the instance owns `prop`; on cim_false
// (null argument, memory exhausted) the caller still does.
WBEMKIT_API CIMBool cim_addProperty(CCIMInstance *inst, CCIMProperty *prop);
// New path naming `inst`: its class name, copies of its key properties
// (mKeyProperty set) in order, and the namespace "root/cimv2". The key list
// is always present (empty when the instance has no key). Null for a null
// instance (code CIM_ERR_NO_INSTANCE) or an instance without a class name.
WBEMKIT_API CCIMObjectPath *cim_createObjectPath(CCIMInstance *inst);
// New reference property `name` whose object path names `target`: what
// cim_createProperty(name, CIM_REFERENCE, NULL, cim_createObjectPath(target),
// isKey) gives, without the path in between. Null as those two fail.
WBEMKIT_API CCIMProperty *cim_createReferenceProperty(const char *name, CCIMInstance *target,
                                                      CIMBool isKey);
// Deep copy of `prop`, with its object path and embedded instance.
WBEMKIT_API CCIMProperty *cim_copyProperty(const CCIMProperty *prop);
// Gives `prop` a copy of `value` (null: no value) as its value text, and
// releases the text it had as cim_freeProperty would. cim_false, with `prop`
// unchanged, for a null property or when memory is exhausted.
WBEMKIT_API CIMBool cim_setPropertyValue(CCIMProperty *prop, const char *value);

// ---- Lists ----

// New empty instance list (one node with a null element).
WBEMKIT_API CCIMList *cim_createInstanceList(void);
// Appends `inst` in O(1); the list owns it. Returns the list to use from now on
// (null on failure: the caller keeps `inst` and the list passed in is unchanged).
// The first append to an empty list fills its one node.
WBEMKIT_API CCIMList *cim_addInstance(CCIMList *list, CCIMInstance *inst);
// Puts `inst` in front; `list` may be null (a new list is made). Same ownership
// and result rule as cim_addInstance.
WBEMKIT_API CCIMList *cim_prependInstance(CCIMList *list, CCIMInstance *inst);
// New empty property list.
WBEMKIT_API CCIMList *cim_createPropertyList(void);
// Appends `prop` in O(1); the list owns it. Same result rule as cim_addInstance.
WBEMKIT_API CCIMList *cim_addPropertyToPropertyList(CCIMList *list, CCIMProperty *prop);
// Cuts `list` after its first `count` nodes (count >= 1). `list` keeps those
// nodes; the rest is returned as a list of its own, owned by the caller, and
// both stay lists that appends work on. Null when nothing follows, and for a
// null list or a count below 1 (then with the code CIM_ERR_INVALID_PARAMETER).
WBEMKIT_API CCIMList *cim_splitList(CCIMList *list, int count);

// ---- Release ----  (each accepts null and frees what the object owns)

WBEMKIT_API void cim_freeInstance(CCIMInstance *inst);
WBEMKIT_API void cim_freeInstanceList(CCIMList *list);
WBEMKIT_API void cim_freeProperty(CCIMProperty *prop);
WBEMKIT_API void cim_freePropertyList(CCIMList *list);
WBEMKIT_API void cim_freeObjectPath(CCIMObjectPath *path);

// ---- Array values ----
//
// An array value is one text: every element followed by a comma ("1,2,3,";
// the empty array is ""). In string elements a backslash is written as two
// backslashes and a comma as backslash-comma; every other byte stands as it
// is. Integers are decimal, reals the shortest decimal text that reads back
// to the same value ("inf", "-inf", "nan", "-nan": a NaN keeps its sign but
// not its payload), booleans "true" or "false", datetimes CIM datetimes as
// cim_getDateStr writes them.
//
// cim_encode...Array returns a text owned by the library (the caller does not
// free it); it stays valid on the calling thread for at least the next 7 calls
// of any cim_encode... or cim_getDateStr function. Null (nothing kept) for a
// count below 0, null values with a count above 0, a null string element, or
// an element outside its type's range (uint8 0..255, sint8 -128..127, uint16
// 0..65535, sint16 -32768..32767). Booleans: any non-zero value is true.
//
// cim_decode...Array returns a new array of *count elements to be released
// with free() (strings: cim_freeStringArray; the string array has one more
// slot, holding null), or null with *count 0 for a null or bad text (an
// element outside its type's range included). The empty text gives a
// non-null array and *count 0. A null `count` fails. Every decode reverses
// its encode exactly; booleans decode as 1 and 0; char16 arrays are encoded
// and decoded as Uint16.

WBEMKIT_API const char *cim_encodeStringArray(char *const *values, int count);
WBEMKIT_API const char *cim_encodeUint8Array(const unsigned short *values, int count);
WBEMKIT_API const char *cim_encodeSint8Array(const short *values, int count);
WBEMKIT_API const char *cim_encodeUint16Array(const unsigned int *values, int count);
WBEMKIT_API const char *cim_encodeSint16Array(const int *values, int count);
WBEMKIT_API const char *cim_encodeUint32Array(const unsigned int *values, int count);
WBEMKIT_API const char *cim_encodeSint32Array(const int *values, int count);
WBEMKIT_API const char *cim_encodeUint64Array(const unsigned long long *values, int count);
WBEMKIT_API const char *cim_encodeSint64Array(const long long *values, int count);
WBEMKIT_API const char *cim_encodeReal32Array(const double *values, int count);
WBEMKIT_API const char *cim_encodeReal64Array(const long double *values, int count);
WBEMKIT_API const char *cim_encodeBooleanArray(const int *values, int count);
// Elements are seconds since the epoch, each written as a CIM datetime.
WBEMKIT_API const char *cim_encodeDateTimeArray(const unsigned int *values, int count);

WBEMKIT_API char **cim_decodeStringArray(const char *text, int *count);
WBEMKIT_API unsigned short *cim_decodeUint8Array(const char *text, int *count);
WBEMKIT_API short *cim_decodeSint8Array(const char *text, int *count);
WBEMKIT_API unsigned int *cim_decodeUint16Array(const char *text, int *count);
WBEMKIT_API int *cim_decodeSint16Array(const char *text, int *count);
WBEMKIT_API unsigned int *cim_decodeUint32Array(const char *text, int *count);
WBEMKIT_API int *cim_decodeSint32Array(const char *text, int *count);
WBEMKIT_API unsigned long long *cim_decodeUint64Array(const char *text, int *count);
WBEMKIT_API long long *cim_decodeSint64Array(const char *text, int *count);
WBEMKIT_API double *cim_decodeReal32Array(const char *text, int *count);
WBEMKIT_API long double *cim_decodeReal64Array(const char *text, int *count);
WBEMKIT_API int *cim_decodeBooleanArray(const char *text, int *count);
WBEMKIT_API unsigned int *cim_decodeDateTimeArray(const char *text, int *count);
// Frees the first `count` strings of `values` and the array; accepts null.
WBEMKIT_API void cim_freeStringArray(char **values, int count);

// ---- Dates ----

// CIM datetime "yyyymmddhhmmss.mmmmmm+000" (25 characters, UTC) of `seconds`
// since the epoch (negative: before 1970). Library-owned text, lifetime as for
// the encoders. Null for a time outside the years 0000 to 9999.
WBEMKIT_API const char *cim_getDateStr(long seconds);

// ---- Errors ----
//
// Exceptions are owned by the library: the calling thread has one exception
// record; cim_createException fills it and returns it, every failing cim_
// call fills it too. The caller never frees an exception; its content is
// valid until the next failure on the same thread. Successful calls leave it
// alone. mErrorString is never null.

// Error codes of the library's own failures.
#define CIM_ERR_NONE 0               // no failure yet on this thread
#define CIM_ERR_FAILED 1             // memory exhausted
#define CIM_ERR_NO_INSTANCE 2        // a null instance was passed
#define CIM_ERR_INVALID_PARAMETER 4  // any other null or bad argument, or a bad array text

// Code 2 stands for a missing instance; `message` may be null (an empty
// message); `origin` names the caller (may be null) and is not kept.
WBEMKIT_API CCIMException *cim_createException(int code, const char *message, const char *origin);
// The calling thread's last failure (code 0 and an empty message if none).
WBEMKIT_API CCIMException *cim_getLastError(void);

#undef WBEMKIT_DEFAULT

#ifdef __cplusplus
}  // extern "C"
}  // namespace nmspc_cim
#endif

#endif
