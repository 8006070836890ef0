// The volume group's record, field by field (SrmFieldTable.h). The member
// records that follow it are the group's own (SrmVolumeGroup::serialize,
// deserialize).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMVOLUMEGROUPFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMVOLUMEGROUPFIELDS_H

#include <string>
#include <string_view>

#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/kinds/internal/SrmFieldTable.h"
#include "inventory/model/SrmResourceList.h"

struct SrmVolumeGroupFields {
    using F = SrmFieldRows<SrmVolumeGroup>;
    using K = SrmVolumeGroup;
    // The counts of the member records that follow, as read.
    static constexpr uint8_t kDiskCount = 0;
    static constexpr uint8_t kVolumeCount = 1;

    static long long diskCount(const K &g) {
        return g.getDiskList() != nullptr ? g.getDiskList()->getTypeCount(SRM_RES_DISK) : 0;
    }
    static long long volumeCount(const K &g) {
        return g.getVolumeList() != nullptr ? g.getVolumeList()->getTypeCount(SRM_RES_VOLUME) : 0;
    }
    static void readManager(K &g, std::string_view id) { g.setVolumeMgrId(std::string(id)); }
    static void readComputer(K &g, std::string_view id) { g.joinComputer(std::string(id)); }

    // Status, its text and the name stay what they were; a group's own
    // positive sizes win over the newcomer's.
    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_VolumeGroup),
        F::id(),
        F::pubId(),
        F::state(SrmMerge::Keep),
        F::lid(),
        F::size(SRM_KEY_CapacityKB, &K::CapacityKB, SrmMerge::IfOwnBelowOne),
        F::size(SRM_KEY_FreeSpaceKB, &K::FreeSpaceKB, SrmMerge::IfOwnBelowOne),
        F::number(SRM_KEY_Status, &K::Status, SrmMerge::Keep),
        F::text(SRM_KEY_StatusDesc, &K::StatusDesc, SrmMerge::Keep),
        F::text(SRM_KEY_Name, &K::Name, SrmMerge::Keep),
        F::readBy(F::text(SRM_KEY_VolumeManager, &K::VolumeManager, SrmMerge::Keep), readManager),
        // The computer the group lives on; never written.
        F::readOnly(F::readBy(F::text(SRM_KEY_OSystem, nullptr, SrmMerge::Keep), readComputer)),
        F::count(SRM_KEY_DiskCount, diskCount, kDiskCount),
        F::count(SRM_KEY_VolumeCount, volumeCount, kVolumeCount),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_VOLUMEGROUP, rows);
};

#endif
