// A small chained hash table with string keys and opaque values.
//
// The table copies and owns its keys; it never copies, frees or dereferences
// values: the caller releases them through the releaser given to
// vst_hashDestroy. Null values cannot be told from absent keys: store non-null
// values only. Every operation but vst_hashGetMax writes an "Enter" and an
// "Exit" trace line through msg(). No locking: callers that share a table
// serialise every call.
#ifndef TESSEL_VST_HASH_H
#define TESSEL_VST_HASH_H

#include "tessel/export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VstEntry VstEntry;
typedef struct VstTable VstTable;

typedef void (*VstVisitor)(const char *key, void *value);

// New table of max(size, 10) buckets, or null when memory runs out.
TESSEL_API VstTable *vst_hashCreate(int size);
// Stores key -> value (the key is copied). Returns the value the key held
// before, or null: for a new key, and also when nothing is stored (bad
// argument, out of memory, or a key whose bytes, summed as signed chars, give
// a negative number: such a key has no bucket and is never stored).
TESSEL_API void *vst_hashAdd(VstTable *table, const char *key, void *value);
// The key's value, or null when absent.
TESSEL_API void *vst_hashGet(VstTable *table, const char *key);
// Unlinks the key and returns its value (not freed), or null when absent.
TESSEL_API void *vst_hashRemove(VstTable *table, const char *key);
// Visits every entry, bucket by bucket, each chain in insertion order. The
// visitor may remove the entry it was handed, and no other.
TESSEL_API void vst_hashEnumerate(VstTable *table, VstVisitor visitor);
// Calls `releaser` (when not null) on every entry, then frees the table. The
// releaser must not call back into this table.
TESSEL_API void vst_hashDestroy(VstTable *table, VstVisitor releaser);
// The bucket count, or 0 for a null table.
TESSEL_API int vst_hashGetMax(VstTable *table);

#ifdef __cplusplus
}
#endif

#endif
