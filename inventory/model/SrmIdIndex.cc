#include "inventory/model/internal/SrmIdIndex.h"

#include <sys/mman.h>

#include <cassert>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <new>
#include <string_view>

namespace {

constexpr std::size_t kHugePage = 2u << 20;

}  // namespace

void *SrmIdIndex::allocateSlots(std::size_t bytes) {
    if (bytes < kHugePage) {
        return ::operator new(bytes);
    }
    std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void *p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

void SrmIdIndex::freeSlots(void *p, std::size_t bytes) {
    if (bytes < kHugePage) {
        ::operator delete(p);
    } else {
        std::free(p);
    }
}

uint32_t SrmIdIndex::hashOf(SrmResourceType t, const std::string &id) {
    uint64_t h = std::hash<std::string_view>()(id);
    h ^= static_cast<uint64_t>(static_cast<uint32_t>(t)) * 0x9E3779B97F4A7C15ull;
    // Fold the high bits in: the slot is taken from the low ones.
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<uint32_t>(h);
}

SrmIdIndex::Entry *SrmIdIndex::findNearFinger(Finger &finger, const std::string &id) const {
    if (!finger.found) {
        return nullptr;
    }
    // Stepping to the next entry may climb the tree through nodes out of
    // cache: it is taken only for an Id that sorts after the finger's.
    int order = id.compare(finger.at->first);
    if (order == 0) {
        return &*finger.at;
    }
    if (order < 0) {
        return nullptr;
    }
    Iterator next = std::next(finger.at);
    if (next != finger.map->end() && next->first == id) {
        finger.at = next;
        return &*next;
    }
    return nullptr;
}

SrmIdIndex::Entry *SrmIdIndex::find(SrmResourceType t, const std::string &id) const {
    if (count == 0) {
        return nullptr;
    }
    const uint32_t type = static_cast<uint32_t>(t);
    Finger *finger =
        fingers && type < kKinds && fingers[type].map != nullptr ? &fingers[type] : nullptr;
    if (finger != nullptr) {
        if (Entry *near = findNearFinger(*finger, id)) {
            return near;
        }
    }
    const uint32_t hash = hashOf(t, id);
    for (std::size_t i = home(hash);; i = (i + 1) & mask) {
        const Slot &slot = slots[i];
        if (isFree(slot)) {
            return nullptr;
        }
        if (slot.hash == hash && slot.type == type && slot.entry->first == id) {
            if (finger != nullptr) {
                finger->at = slot.entry;
                finger->found = true;
            }
            return &*slot.entry;
        }
    }
}

void SrmIdIndex::place(const Slot &slot) {
    std::size_t i = home(slot.hash);
    while (!isFree(slots[i])) {
        i = (i + 1) & mask;
    }
    slots[i] = slot;
}

void SrmIdIndex::rebuild(std::size_t capacity) {
    std::vector<Slot, SlotAllocator<Slot>> grown(capacity, Slot{0, SRM_RES_NONE, Iterator()});
    grown.swap(slots);
    mask = capacity - 1;
    for (const Slot &slot : grown) {
        if (!isFree(slot)) {
            place(slot);
        }
    }
}

void SrmIdIndex::reserve(std::size_t n) {
    std::size_t capacity = 16;
    while (capacity < 2 * n) {
        capacity *= 2;
    }
    if (capacity > slots.size()) {
        rebuild(capacity);
    }
}

void SrmIdIndex::insert(SrmResourceType t, SrmResourceIdMap &map, Iterator entry) {
    assert(t != SRM_RES_NONE);
    assert(find(t, entry->first) == nullptr);
    reserve(count + 1);
    // At most half full, so every probe meets a free slot.
    assert(2 * (count + 1) <= slots.size());
    place(Slot{hashOf(t, entry->first), static_cast<uint32_t>(t), entry});
    ++count;
    if (!fingers && count >= kFingersFrom) {
        // Without them lookups only take longer.
        fingers.reset(new (std::nothrow) Finger[kKinds]);
    }
    const uint32_t type = static_cast<uint32_t>(t);
    if (fingers && type < kKinds) {
        fingers[type].map = &map;
    }
}

void SrmIdIndex::erase(SrmResourceType t, Iterator entry) {
    assert(count > 0);
    if (count == 0) {
        return;
    }
    const uint32_t type = static_cast<uint32_t>(t);
    if (fingers && type < kKinds && fingers[type].found && fingers[type].at == entry) {
        fingers[type].found = false;
    }
    // Iterators are compared within one kind only, so within one map.
    std::size_t i = home(hashOf(t, entry->first));
    for (;; i = (i + 1) & mask) {
        const Slot &slot = slots[i];
        if (isFree(slot)) {
            assert(!"erasing an entry that is not indexed");
            return;
        }
        if (slot.type == type && slot.entry == entry) {
            break;
        }
    }
    // Move back every following slot of the run that may sit at or before the
    // freed one, so that no search stops early at the hole.
    std::size_t hole = i;
    for (std::size_t j = (i + 1) & mask; !isFree(slots[j]); j = (j + 1) & mask) {
        const std::size_t want = home(slots[j].hash);
        // The slot at j may move to the hole when its home does not lie in the
        // cyclic range (hole, j].
        const bool between = hole <= j ? (hole < want && want <= j) : (hole < want || want <= j);
        if (!between) {
            slots[hole] = slots[j];
            hole = j;
        }
    }
    slots[hole] = Slot{0, SRM_RES_NONE, Iterator()};
    --count;
}
