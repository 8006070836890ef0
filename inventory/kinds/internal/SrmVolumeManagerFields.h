// The volume manager's record, field by field (SrmFieldTable.h).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMVOLUMEMANAGERFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMVOLUMEMANAGERFIELDS_H

#include "inventory/kinds/SrmVolumeManager.h"
#include "inventory/kinds/internal/SrmFieldTable.h"

struct SrmVolumeManagerFields {
    using F = SrmFieldRows<SrmVolumeManager>;
    using K = SrmVolumeManager;
    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_VolumeManager),
        F::id(),
        F::pubId(),
        F::number(SRM_KEY_IdType, &K::IdType, SrmMerge::IfSet),
        F::text(SRM_KEY_VolumeMgrName, &K::VolumeMgrName, SrmMerge::IfSet),
        F::text(SRM_KEY_VolumeMgrVersion, &K::VolumeMgrVersion, SrmMerge::IfSet),
        // Read, but written by no record of a volume manager (nor is "LId").
        F::readOnly(F::state(SrmMerge::Keep)),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_VOLUMEMANAGER, rows);
};

#endif
