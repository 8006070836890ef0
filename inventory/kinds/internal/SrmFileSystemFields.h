// The file system's record, field by field (SrmFieldTable.h).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMFILESYSTEMFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMFILESYSTEMFIELDS_H

#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/internal/SrmFieldTable.h"

struct SrmFileSystemFields {
    using F = SrmFieldRows<SrmFileSystem>;
    using K = SrmFileSystem;
    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_FileSystem),
        F::id(),
        // The volume stays what it was.
        F::reference(F::text(SRM_KEY_Volume, &K::Volume, SrmMerge::Keep), SRM_RES_VOLUME),
        F::pubId(),
        F::state(SrmMerge::Keep),
        F::lid(),
        // The scanner reports the type it sees now; an empty one means the file
        // system no longer has a known type.
        F::text(SRM_KEY_FSType, &K::FSType, SrmMerge::Always),
        F::number(SRM_KEY_Pack, &K::Pack, SrmMerge::IfSet),
        F::number(SRM_KEY_Encrypt, &K::Encrypt, SrmMerge::IfSet),
        F::number(SRM_KEY_FileCnt, &K::FileCnt, SrmMerge::IfNotNegative),
        F::number(SRM_KEY_MaxFileCnt, &K::MaxFileCnt, SrmMerge::IfNotNegative),
        F::number(SRM_KEY_MaxFileSz, &K::MaxFileSz, SrmMerge::IfNotNegative),
        F::size(SRM_KEY_CapacityKB, &K::CapacityKB, SrmMerge::Always),
        F::size(SRM_KEY_FreeSpaceKB, &K::FreeSpaceKB, SrmMerge::Always),
        F::size(SRM_KEY_UsedSpaceKB, &K::UsedSpaceKB, SrmMerge::Always),
        F::size(SRM_KEY_ReservedSpaceKB, &K::ReservedSpaceKB, SrmMerge::Always),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_FILESYSTEM, rows);
};

#endif
