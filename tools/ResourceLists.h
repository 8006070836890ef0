// Walking the resources of one kind in a resource list, which a command does
// in many places.
#ifndef TOOLS_RESOURCELISTS_H
#define TOOLS_RESOURCELISTS_H

#include "inventory/model/SrmResourceList.h"

namespace ulvar_tool {

// Calls `f(SrmResource *)` for every resource of kind `t` in `list`, in Id
// order; nothing for a null list or a kind it does not hold.
template <typename F>
void forEachResource(SrmResourceList *list, SrmResourceType t, F f) {
    SrmResourceIdMap *kind = list != nullptr ? list->getSrmResourceIdMap(t) : nullptr;
    if (kind != nullptr) {
        for (const auto &entry : *kind) {
            f(entry.second);
        }
    }
}

}  // namespace ulvar_tool

#endif
