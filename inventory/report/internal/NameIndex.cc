#include "inventory/report/internal/NameIndex.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace rm_report {

namespace {

// The table is at most half full, so that a probe finds its slot soon.
std::size_t slotsFor(std::size_t entries) {
    std::size_t count = 16;
    while (count < 2 * entries) {
        count *= 2;
    }
    return count;
}

}  // namespace

std::uint32_t NameIndex::hashOf(std::string_view name) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>()(name));
}

std::size_t NameIndex::slotOf(std::string_view name, std::uint32_t hash) const {
    std::size_t mask = slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        std::uint32_t number = slots[i];
        if (number == 0) {
            return i;
        }
        const Entry &entry = filed[number - 1];
        if (entry.hash == hash && nameOf(entry) == name) {
            return i;
        }
    }
}

NameIndex::Entry *NameIndex::find(std::string_view name) {
    if (slots.empty()) {
        return nullptr;
    }
    std::uint32_t number = slots[slotOf(name, hashOf(name))];
    return number != 0 ? &filed[number - 1] : nullptr;
}

NameIndex::Entry &NameIndex::file(std::string_view name, nmspc_cim::CCIMInstance *instance,
                                  bool &made) {
    std::uint32_t hash = hashOf(name);
    if (!slots.empty()) {
        std::uint32_t number = slots[slotOf(name, hash)];
        if (number != 0) {
            made = false;
            return filed[number - 1];
        }
    }
    // Everything that may fail comes first: the index changes only after.
    if (2 * (filed.size() + 1) > slots.size()) {
        rehash(slotsFor(filed.size() + 1));
    }
    // Past the room reserved, the entries grow by doubling: one entry more
    // at a time would copy them all at every filing.
    if (filed.size() == filed.capacity()) {
        filed.reserve(std::max<std::size_t>(16, 2 * filed.capacity()));
    }
    std::size_t offset = names.size();
    names.append(name.data(), name.size());
    filed.push_back(Entry{offset, static_cast<std::uint32_t>(name.size()), hash, instance, false});
    slots[slotOf(name, hash)] = static_cast<std::uint32_t>(filed.size());
    made = true;
    return filed.back();
}

void NameIndex::rehash(std::size_t slotCount) {
    std::vector<std::uint32_t> fresh(slotCount, 0);
    std::size_t mask = slotCount - 1;
    for (std::size_t n = 0; n < filed.size(); ++n) {
        std::size_t i = filed[n].hash & mask;
        while (fresh[i] != 0) {
            i = (i + 1) & mask;
        }
        fresh[i] = static_cast<std::uint32_t>(n + 1);
    }
    slots.swap(fresh);
}

void NameIndex::reserve(std::size_t more) {
    std::size_t total = filed.size() + more;
    filed.reserve(total);
    if (2 * total > slots.size()) {
        rehash(slotsFor(total));
    }
}

void NameIndex::clear() {
    names.clear();
    filed.clear();
    std::fill(slots.begin(), slots.end(), 0u);
}

}  // namespace rm_report
