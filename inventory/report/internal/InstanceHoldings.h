// The report's record of the instances it took over: for each, how many map
// entries (and pins) point at it, and whether an instance list owns it.
#ifndef INVENTORY_REPORT_INTERNAL_INSTANCEHOLDINGS_H
#define INVENTORY_REPORT_INTERNAL_INSTANCEHOLDINGS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "wbemkit/cim.h"

namespace rm_report {

// One flat table with open addressing, keyed by the instance's address, so
// that a report of millions of instances pays one probe per question. A
// holding is never erased: a freed instance leaves its slot dead, and an
// instance made later at the same address takes the slot over, fresh.
class InstanceHoldings {
  public:
    struct Holding {
        nmspc_cim::CCIMInstance *instance = nullptr;  // null: a slot never used
        uint32_t entries = 0;
        bool listed = false;
        bool live = false;
    };

    // The live holding of `instance`, made (no entries, not listed) when there
    // is none. Valid until the next call of `of`.
    Holding &of(nmspc_cim::CCIMInstance *instance);
    // The live holding of `instance`, or null. Valid until the next `of`.
    Holding *find(nmspc_cim::CCIMInstance *instance);

    // Calls visit(Holding &) for every live holding.
    template <typename Visit>
    void forEach(Visit visit) {
        for (Holding &slot : slots) {
            if (slot.live) {
                visit(slot);
            }
        }
    }

  private:
    std::size_t slotOf(const nmspc_cim::CCIMInstance *instance) const;
    void grow();

    std::vector<Holding> slots;
    std::size_t used = 0;  // slots with an instance, dead ones included
};

}  // namespace rm_report

#endif
