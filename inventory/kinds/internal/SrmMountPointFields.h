// The mount point's record, field by field (SrmFieldTable.h).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMMOUNTPOINTFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMMOUNTPOINTFIELDS_H

#include "inventory/kinds/SrmMountPoint.h"
#include "inventory/kinds/internal/SrmFieldTable.h"

struct SrmMountPointFields {
    using F = SrmFieldRows<SrmMountPoint>;
    using K = SrmMountPoint;
    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_MountPoint),
        F::id(),
        F::pubId(),
        F::state(SrmMerge::Keep),
        F::lid(),
        F::reference(F::text(SRM_KEY_VolumeId, &K::VolumeId, SrmMerge::IfSet), SRM_RES_VOLUME),
        F::text(SRM_KEY_MountPointName, &K::MountPointName, SrmMerge::IfSet),
        F::number(SRM_KEY_MountType, &K::MountType, SrmMerge::IfSet),
        F::text(SRM_KEY_MountToSystem, &K::MountToSystem, SrmMerge::IfSet),
        F::number(SRM_KEY_MountOptions, &K::MountOptions, SrmMerge::IfSet),
        F::number(SRM_KEY_MountAtStartup, &K::MountAtStartup, SrmMerge::IfSet),
        F::number(SRM_KEY_ReadOnly, &K::ReadOnly, SrmMerge::IfSet),
        F::text(SRM_KEY_MountLocation, &K::MountLocation, SrmMerge::IfSet),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_MOUNTPOINT, rows);
};

#endif
