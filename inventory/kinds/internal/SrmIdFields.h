// The alias identity's record, field by field (SrmFieldTable.h).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMIDFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMIDFIELDS_H

#include "inventory/kinds/SrmId.h"
#include "inventory/kinds/internal/SrmFieldTable.h"

// An alias carries no "State" and no "LId"; its short form is its own
// (SrmId::serialize).
struct SrmIdFields {
    using F = SrmFieldRows<SrmId>;
    using K = SrmId;
    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_Id),
        F::id(),
        F::pubId(),
        // This alias's own values win.
        F::text(SRM_KEY_PrimaryId, &K::PrimaryId, SrmMerge::IfOwnUnset),
        F::text(SRM_KEY_SecondaryId, &K::SecondaryId, SrmMerge::Keep),
        F::text(SRM_KEY_IdType, &K::IdType, SrmMerge::IfOwnUnset),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_ID, rows);
};

#endif
