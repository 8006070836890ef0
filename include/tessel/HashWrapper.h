// The job table of the registry: one process-wide hash table that maps job ids
// to their Tessel objects.
//
// HashWrapper has no state of its own; every member works on the static
// m_hashTable. All results are int, 0 for success. When no table exists,
// addHashEntry, getFromHash, destroyHashEntry and enumerateHash do nothing
// and return 0. Values are never freed here except through CleanUp. No lock is
// taken: callers use the registry from one thread at a time. No member lets an
// exception escape.
#ifndef TESSEL_HASHWRAPPER_H
#define TESSEL_HASHWRAPPER_H

#include <string>

#include "tessel/export.h"
#include "tessel/vst_hash.h"

// Result codes of the registry.
enum {
    TESSEL_ERR_NO_MEMORY = -2,
    TESSEL_ERR_BAD_ARGUMENT = -4,
    TESSEL_ERR_NOT_FOUND = -7,
    TESSEL_ERR_CIM_OBJECT = -9,
    TESSEL_ERR_MAP_INSERT = -12,
    TESSEL_ERR_REMOVE_NO_VALUE = -16,
    TESSEL_ERR_KEY_ABSENT = -17
};

// Job objects at least this old are swept away.
#define TESSEL_STALE_JOB_SECONDS 43200L
// A sweep runs only while more than this many job objects live.
#define TESSEL_SWEEP_THRESHOLD 10

class TESSEL_API HashWrapper {
  public:
    // Calls Initialize.
    HashWrapper();
    // Calls CleanUp, which deletes every job object still in the table. When
    // this is the wrapper of the registry (Tessel::m_pHashObj), the registry
    // forgets it, so that the next Tessel::getInstance builds a new one.
    ~HashWrapper();

    HashWrapper(const HashWrapper &) = delete;
    HashWrapper &operator=(const HashWrapper &) = delete;

    // Creates a table of 10 buckets unless one exists (then logs an error and
    // keeps it). Returns 0, also when the table could not be made.
    int Initialize();
    // Destroys the table, deleting every job object in it through FreeMemory.
    // The table is detached first, so the job objects' destructors find no
    // table to remove themselves from. Returns 0; afterwards no table exists.
    int CleanUp();
    // Enters key -> value (value not null). Replacing a previous value is
    // logged as an error; the previous value is not freed. Returns 0.
    int addHashEntry(const std::string key, void *value);
    // Stores the key's value in *value (null when absent) and returns 0, or
    // -7 when absent. With no table *value is left as it was and 0 returned.
    int getFromHash(const std::string key, void **value);
    // Removes the key's entry without freeing its value: 0 removed, -17 key
    // absent, -16 the removal gave no value.
    int destroyHashEntry(const std::string key);
    // Calls `visit` on every entry; `visit` may remove the entry it was handed,
    // and no other. Returns 0.
    int enumerateHash(void (*visit)(const char *key, void *value));

    // The sweep visitor: deletes the job object `value` (a Tessel *) and
    // removes its entry when it is TESSEL_STALE_JOB_SECONDS old or more.
    static void CheckForCruft(const char *key, void *value);

    // The job table: job id -> Tessel *; null until the first HashWrapper is
    // made and after CleanUp.
    static VstTable *m_hashTable;
};

extern "C" {
// The releaser CleanUp hands to vst_hashDestroy: deletes the job object
// `value` (a Tessel *) through Tessel::deleteInstance. A null value is logged.
TESSEL_API void FreeMemory(const char *key, void *value);
}

#endif
