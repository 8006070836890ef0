// Chained hash table with string keys, a fixed bucket count and chains kept in
// insertion order.
#include "tessel/vst_hash.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "tessel/log.h"
#include "util/internal/VstKeys.h"

struct VstEntry {
    char *key;  // the table's own copy, freed with the entry
    void *value;
    VstEntry *next;
};

struct VstTable {
    VstEntry **buckets;
    int size;
};

namespace {

constexpr int kMinimumSize = 10;
constexpr char kSource[] = "VstHash";

// Writes the "Enter" trace now and the "Exit" trace on every way out.
class Trace {
  public:
    explicit Trace(const char *function) : function(function) { msg(kSource, function, "Enter"); }
    ~Trace() { msg(kSource, function, "Exit"); }
    Trace(const Trace &) = delete;
    Trace &operator=(const Trace &) = delete;

  private:
    const char *function;
};

// The bucket of `key`, or -1 when it has none. Bytes count as signed chars and
// the sum is taken modulo size - 1, so the last bucket stays empty and keys
// with a negative sum are never stored; tables already in use depend on this
// placement for their enumeration order. The sum wraps as a 32-bit two's
// complement value instead of overflowing.
int BucketOf(const VstTable *table, const char *key) {
    uint32_t sum = 0;
    for (const char *p = key; *p != '\0'; ++p) {
        sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    }
    int32_t signed_sum = static_cast<int32_t>(sum);
    if (signed_sum < 0 || table->size < 1) {
        return -1;
    }
    // A table always has at least kMinimumSize buckets, so size - 1 > 0.
    return static_cast<int>(signed_sum % (table->size - 1));
}

// The entry holding `key`, or null. *previous is set to the entry before it
// in the chain (null when it is the head).
VstEntry *FindEntry(const VstTable *table, int bucket, const char *key, VstEntry **previous) {
    VstEntry *before = nullptr;
    for (VstEntry *entry = table->buckets[bucket]; entry != nullptr; entry = entry->next) {
        if (strcmp(entry->key, key) == 0) {
            if (previous != nullptr) {
                *previous = before;
            }
            return entry;
        }
        before = entry;
    }
    return nullptr;
}

}  // namespace

bool vstKeyHasBucket(const char *key) {
    VstTable probe{nullptr, kMinimumSize};
    return key != nullptr && BucketOf(&probe, key) >= 0;
}

extern "C" {

VstTable *vst_hashCreate(int size) {
    Trace trace("vst_hashCreate");
    VstTable *table = static_cast<VstTable *>(calloc(1, sizeof(VstTable)));
    if (table == nullptr) {
        return nullptr;
    }
    if (size < kMinimumSize) {
        size = kMinimumSize;
    }
    table->buckets =
        static_cast<VstEntry **>(calloc(static_cast<size_t>(size), sizeof(VstEntry *)));
    if (table->buckets == nullptr) {
        free(table);
        return nullptr;
    }
    table->size = size;
    return table;
}

void *vst_hashAdd(VstTable *table, const char *key, void *value) {
    Trace trace("vst_hashAdd");
    if (table == nullptr || key == nullptr) {
        return nullptr;
    }
    int bucket = BucketOf(table, key);
    if (bucket < 0) {
        return nullptr;
    }
    VstEntry *last = nullptr;
    for (VstEntry *entry = table->buckets[bucket]; entry != nullptr; entry = entry->next) {
        if (strcmp(entry->key, key) == 0) {
            void *previous = entry->value;
            entry->value = value;
            return previous;
        }
        last = entry;
    }
    VstEntry *entry = static_cast<VstEntry *>(malloc(sizeof(VstEntry)));
    char *copy = strdup(key);
    if (entry == nullptr || copy == nullptr) {
        free(entry);
        free(copy);
        return nullptr;
    }
    entry->key = copy;
    entry->value = value;
    entry->next = nullptr;
    if (last == nullptr) {
        table->buckets[bucket] = entry;
    } else {
        last->next = entry;
    }
    return nullptr;
}

void *vst_hashGet(VstTable *table, const char *key) {
    Trace trace("vst_hashGet");
    if (table == nullptr || key == nullptr) {
        return nullptr;
    }
    int bucket = BucketOf(table, key);
    if (bucket < 0) {
        return nullptr;
    }
    VstEntry *entry = FindEntry(table, bucket, key, nullptr);
    return entry != nullptr ? entry->value : nullptr;
}

void *vst_hashRemove(VstTable *table, const char *key) {
    Trace trace("vst_hashRemove");
    if (table == nullptr || key == nullptr) {
        return nullptr;
    }
    int bucket = BucketOf(table, key);
    if (bucket < 0) {
        return nullptr;
    }
    VstEntry *previous = nullptr;
    VstEntry *entry = FindEntry(table, bucket, key, &previous);
    if (entry == nullptr) {
        return nullptr;
    }
    void *value = entry->value;
    if (previous == nullptr) {
        table->buckets[bucket] = entry->next;
    } else {
        previous->next = entry->next;
    }
    free(entry->key);
    free(entry);
    return value;
}

void vst_hashEnumerate(VstTable *table, VstVisitor visitor) {
    Trace trace("vst_hashEnumerate");
    if (table == nullptr || visitor == nullptr) {
        return;
    }
    for (int bucket = 0; bucket < table->size; ++bucket) {
        VstEntry *entry = table->buckets[bucket];
        while (entry != nullptr) {
            // Taken first: the visitor may remove the entry it is handed (the
            // job registry's sweep of stale jobs does).
            VstEntry *next = entry->next;
            visitor(entry->key, entry->value);
            entry = next;
        }
    }
}

void vst_hashDestroy(VstTable *table, VstVisitor releaser) {
    Trace trace("vst_hashDestroy");
    if (table == nullptr) {
        return;
    }
    for (int bucket = 0; bucket < table->size; ++bucket) {
        VstEntry *entry = table->buckets[bucket];
        while (entry != nullptr) {
            VstEntry *next = entry->next;
            if (releaser != nullptr) {
                releaser(entry->key, entry->value);
            }
            free(entry->key);
            free(entry);
            entry = next;
        }
    }
    free(table->buckets);
    free(table);
}

int vst_hashGetMax(VstTable *table) {
    return table != nullptr ? table->size : 0;
}

}  // extern "C"
