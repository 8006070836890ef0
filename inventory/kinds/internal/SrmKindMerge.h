// What the kinds share when they take values: the steps every merge begins and
// ends with, and the sizes that are never negative. The rule by which each
// field takes a newer value is in the kind's field table.
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMKINDMERGE_H
#define INVENTORY_KINDS_INTERNAL_SRMKINDMERGE_H

#include "inventory/model/SrmResource.h"

// The merge of every kind, around the kind's own rule `fold(Kind *o)`:
//   0 for a null `other`, one of another kind (by type or by class), or when
//     `fold` returns 0 (`other` is then left unmarked);
//   1 without change when `other` is this very resource or is already merged;
//   otherwise `fold(o)`, then `other` marked SRM_STATE_MERGED, and 1.
// Lists that share a resource hand it to its own merge (a list merge has no
// identity shortcut); marking it would make the held resource look absorbed,
// and every later merge in which it is the newcomer would be skipped.
template <typename Kind, typename Fold>
int srmMergeKind(Kind *self, SrmResource *other, SrmResourceType t, Fold fold) {
    if (other == nullptr || other->type != t) {
        return 0;
    }
    auto *o = dynamic_cast<Kind *>(other);
    if (o == nullptr) {
        return 0;
    }
    if (o == self || o->isMerged()) {
        return 1;
    }
    if (fold(o) == 0) {
        return 0;
    }
    o->state |= SRM_STATE_MERGED;
    return 1;
}

// A size that is never negative: a negative `kb` is refused with 0 and the
// field kept; otherwise stored, 1.
inline int srmSetSize(long &field, long kb) {
    if (kb < 0) {
        return 0;
    }
    field = kb;
    return 1;
}

#endif
