// Instances filed under names: the report's instance maps (natural names) and
// its association map (association keys).
#ifndef INVENTORY_REPORT_INTERNAL_NAMEINDEX_H
#define INVENTORY_REPORT_INTERNAL_NAMEINDEX_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wbemkit/cim.h"

namespace rm_report {

// The names lie back to back in one buffer, the entries in filing order in
// one array, and a table of entry numbers with open addressing finds them: a
// million names cost three allocations that grow by doubling, not a node and
// a string each, and a lookup is one probe into the table. Entries are never
// removed one by one. Functions that add may throw std::bad_alloc; the index
// is then as it was before the call.
class NameIndex {
  public:
    struct Entry {
        std::size_t offset;  // of the name in the buffer
        std::uint32_t length;
        std::uint32_t hash;
        nmspc_cim::CCIMInstance *instance;
        bool listed;  // handed over by GetReport (for associations)
    };

    // The entry filed under `name`, or null. Valid until the next file().
    Entry *find(std::string_view name);
    // The entry filed under `name`, filed with `instance` (not listed) when
    // there was none; `made` tells which. Valid until the next file().
    Entry &file(std::string_view name, nmspc_cim::CCIMInstance *instance, bool &made);

    // Starts loading the table's slot for `name` into the cache, so that a
    // find() or file() of it after other work does not wait for memory.
    void prefetch(std::string_view name) const {
        if (!slots.empty()) {
            __builtin_prefetch(&slots[hashOf(name) & (slots.size() - 1)]);
        }
    }

    std::string_view nameOf(const Entry &entry) const {
        return std::string_view(names.data() + entry.offset, entry.length);
    }
    // Every entry, in filing order.
    std::vector<Entry> &entries() { return filed; }
    bool empty() const { return filed.empty(); }

    // Room for `more` entries beyond those filed, so that filing them grows
    // nothing but the names.
    void reserve(std::size_t more);
    void clear();

  private:
    static std::uint32_t hashOf(std::string_view name);
    // The slot of `name` (`hash`): the one holding its entry, or the empty
    // one where it would go.
    std::size_t slotOf(std::string_view name, std::uint32_t hash) const;
    void rehash(std::size_t slotCount);

    std::string names;
    std::vector<Entry> filed;
    std::vector<std::uint32_t> slots;  // entry number + 1; 0 for an empty slot
};

}  // namespace rm_report

#endif
