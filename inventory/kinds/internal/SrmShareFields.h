// The share's record, field by field (SrmFieldTable.h).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMSHAREFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMSHAREFIELDS_H

#include "inventory/kinds/SrmShare.h"
#include "inventory/kinds/internal/SrmFieldTable.h"

struct SrmShareFields {
    using F = SrmFieldRows<SrmShare>;
    using K = SrmShare;
    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_Share),
        F::id(),
        F::pubId(),
        // A share's record carries its whole state word.
        F::state(SrmMerge::Keep, SRM_FIELD_REPLACE),
        F::lid(),
        F::text(SRM_KEY_ShareName, &K::ShareName, SrmMerge::IfSet),
        F::text(SRM_KEY_SharePath, &K::SharePath, SrmMerge::IfSet),
        F::number(SRM_KEY_ShareFsType, &K::ShareFsType, SrmMerge::IfSet),
        F::number(SRM_KEY_ShareFlags, &K::ShareFlags, SrmMerge::IfSet),
        F::text(SRM_KEY_ShareUser, &K::ShareUser, SrmMerge::IfSet),
        F::text(SRM_KEY_Domain, &K::Domain, SrmMerge::IfSet),
        F::text(SRM_KEY_ShareDesc, &K::ShareDesc, SrmMerge::IfSet),
        // Stored as read: a share names its volume's Id.
        F::text(SRM_KEY_VolumeId, &K::VolumeId, SrmMerge::IfSet),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_SHARE, rows);
};

#endif
