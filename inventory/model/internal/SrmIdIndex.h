// A flat hash index over the entries of a resource list's kind maps.
#ifndef INVENTORY_MODEL_INTERNAL_SRMIDINDEX_H
#define INVENTORY_MODEL_INTERNAL_SRMIDINDEX_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceList.h"

// Finds the entry of a (kind, Id) in one probe of a contiguous table, where the
// ordered maps take a search down a tree of scattered nodes. The index owns
// nothing: each slot holds an entry of the list's own maps, which stays put
// until it is erased, and the list tells the index of every entry it adds or
// erases. Slots keep the hash and the kind, so a search touches no entry but the
// one it finds; a lookup of an absent key usually touches none.
//
// Before the table, a search tries the entry last found of its kind and the
// one after it: references in a database file mostly follow one another in Id
// order (a volume group's disks, the volumes under file systems), and those
// two entries are then in cache, where a slot of a large table seldom is. Only
// an index of kFingersFrom entries or more keeps these fingers: a small table
// is in cache anyway, and the many small lists (service groups' members) stay
// as small as they were.
//
// Open addressing with linear probing, at most half full, and deletion by moving
// back the slots that follow (no tombstones), so the cost of a lookup does not
// grow with the number of removals.
class SrmIdIndex {
  public:
    using Entry = std::pair<const std::string, SrmResource *>;
    using Iterator = SrmResourceIdMap::iterator;

    // The entry stored under (t, id), or null.
    Entry *find(SrmResourceType t, const std::string &id) const;

    // Starts fetching the slot where (t, id) would be placed or found, so that
    // work done before the insert or find overlaps the wait for memory.
    void prefetch(SrmResourceType t, const std::string &id) const {
        if (!slots.empty()) {
            __builtin_prefetch(&slots[home(hashOf(t, id))]);
        }
    }

    // Adds `entry` of `map`, the list's map of kind t (REQUIRES: t is not
    // SRM_RES_NONE, no entry indexed under its kind and Id; `map` stays put as
    // long as the index lives). Throws std::bad_alloc when the table cannot
    // grow; the index is then unchanged.
    void insert(SrmResourceType t, SrmResourceIdMap &map, Iterator entry);

    // Drops `entry`, REQUIRES: indexed under kind t. (A release build does
    // nothing for an entry that is not indexed.)
    void erase(SrmResourceType t, Iterator entry);

    // Makes room for `n` entries at once (throws std::bad_alloc).
    void reserve(std::size_t n);

    std::size_t size() const { return count; }

  private:
    struct Slot {
        uint32_t hash;
        uint32_t type;  // SRM_RES_NONE (never indexed): the slot is free
        Iterator entry;
    };
    static bool isFree(const Slot &slot) { return slot.type == SRM_RES_NONE; }

    // Per kind number: the kind's map, once an entry of it was added after the
    // fingers were made, and the entry last found (valid while `found` is set).
    static constexpr std::size_t kKinds = 16;
    static constexpr std::size_t kFingersFrom = 4096;
    struct Finger {
        SrmResourceIdMap *map = nullptr;
        Iterator at;
        bool found = false;
    };
    Entry *findNearFinger(Finger &finger, const std::string &id) const;

    static uint32_t hashOf(SrmResourceType t, const std::string &id);
    std::size_t home(uint32_t hash) const { return hash & mask; }
    void rebuild(std::size_t capacity);
    void place(const Slot &slot);

    // Lookups land on random slots, so a large table is spread over few
    // pages: one that fills whole huge pages asks the system for them (a hint;
    // nothing changes when it is not taken). Others come from operator new.
    template <typename T>
    struct SlotAllocator {
        using value_type = T;
        SlotAllocator() = default;
        template <typename U>
        SlotAllocator(const SlotAllocator<U> &) {}
        T *allocate(std::size_t n) { return static_cast<T *>(allocateSlots(n * sizeof(T))); }
        void deallocate(T *p, std::size_t n) { freeSlots(p, n * sizeof(T)); }
        bool operator==(const SlotAllocator &) const { return true; }
        bool operator!=(const SlotAllocator &) const { return false; }
    };
    static void *allocateSlots(std::size_t bytes);  // throws std::bad_alloc
    static void freeSlots(void *p, std::size_t bytes);

    std::vector<Slot, SlotAllocator<Slot>> slots;
    std::size_t mask = 0;
    std::size_t count = 0;
    std::unique_ptr<Finger[]> fingers;  // null below kFingersFrom entries
};

#endif
