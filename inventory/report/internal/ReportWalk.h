// Walks over the resources of one kind as the generators need them.
#ifndef INVENTORY_REPORT_INTERNAL_REPORTWALK_H
#define INVENTORY_REPORT_INTERNAL_REPORTWALK_H

#include "inventory/model/SrmResourceList.h"

namespace rm_report {

// Calls `visit` with every resource of `map` (may be null) that is a Kind, in
// Id order, and stops with 0 at the first visit that returns 0. A resource of
// another class is passed over, or, when `strict`, ends the walk with 0. 1
// otherwise.
template <typename Kind, typename Visit>
int forEach(SrmResourceIdMap *map, Visit visit, bool strict = false) {
    if (map == nullptr) {
        return 1;
    }
    for (const auto &entry : *map) {
        auto *resource = dynamic_cast<Kind *>(entry.second);
        if (resource == nullptr) {
            if (strict) {
                return 0;
            }
            continue;
        }
        if (visit(resource) == 0) {
            return 0;
        }
    }
    return 1;
}

// The map of kind `t` of `list` (may be null), or null.
inline SrmResourceIdMap *kindOf(SrmResourceList *list, SrmResourceType t) {
    return list != nullptr ? list->getSrmResourceIdMap(t) : nullptr;
}

}  // namespace rm_report

#endif
