// The disk's record, field by field (SrmFieldTable.h).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMDISKFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMDISKFIELDS_H

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/internal/SrmFieldTable.h"

struct SrmDiskFields {
    using F = SrmFieldRows<SrmDisk>;
    static constexpr SrmField<SrmDisk> rows[] = {
        F::word(SRM_KEY_Disk),
        F::id(),
        F::pubId(),
        F::number(SRM_KEY_Status, &SrmDisk::Status, SrmMerge::IfSet),
        F::state(SrmMerge::Or),
        F::lid(),
        F::text(SRM_KEY_StatusDesc, &SrmDisk::StatusDesc, SrmMerge::IfSet),
        F::number(SRM_KEY_IdType, &SrmDisk::IdType, SrmMerge::IfSet),
        F::text(SRM_KEY_IdValue, &SrmDisk::IdValue, SrmMerge::IfSet),
        // The first name and signature a disk was seen with stay.
        F::text(SRM_KEY_Name, &SrmDisk::Name, SrmMerge::IfOwnUnset),
        F::text(SRM_KEY_Model, &SrmDisk::Model, SrmMerge::IfSet),
        F::text(SRM_KEY_Make, &SrmDisk::Make, SrmMerge::IfSet),
        F::text(SRM_KEY_Revision, &SrmDisk::Revision, SrmMerge::IfSet),
        F::text(SRM_KEY_SerialNum, &SrmDisk::SerialNum, SrmMerge::IfSet),
        F::number(SRM_KEY_Sign, &SrmDisk::Sign, SrmMerge::IfOwnUnset),
        F::size(SRM_KEY_CapacityKB, &SrmDisk::CapacityKB, SrmMerge::IfSet),
        F::size(SRM_KEY_FreeSpaceKB, &SrmDisk::FreeSpaceKB, SrmMerge::IfSet),
        F::number(SRM_KEY_AWRE, &SrmDisk::AWRE, SrmMerge::IfSet),
        F::number(SRM_KEY_AddrBus, &SrmDisk::AddrBus, SrmMerge::IfSet),
        F::number(SRM_KEY_AddrTarget, &SrmDisk::AddrTarget, SrmMerge::IfSet),
        F::number(SRM_KEY_AddrLUN, &SrmDisk::AddrLUN, SrmMerge::IfSet),
        F::number(SRM_KEY_LLTId, &SrmDisk::LLTId, SrmMerge::IfSet),
        F::number(SRM_KEY_DiskType, &SrmDisk::DiskType, SrmMerge::IfSet),
        F::number(SRM_KEY_RPM, &SrmDisk::RPM, SrmMerge::IfSet),
        F::number(SRM_KEY_FactoryDefect, &SrmDisk::FactoryDefect, SrmMerge::IfSet),
        F::number(SRM_KEY_GrownDefect, &SrmDisk::GrownDefect, SrmMerge::IfSet),
        F::number(SRM_KEY_Sbc, &SrmDisk::Sbc, SrmMerge::IfSet),
        F::number(SRM_KEY_VendorVer, &SrmDisk::VendorVer, SrmMerge::IfSet),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_DISK, rows);
};

#endif
