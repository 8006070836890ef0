// The volume's record, field by field (SrmFieldTable.h). The member records
// that follow it are the volume's own (SrmVolume::serialize, deserialize).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMVOLUMEFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMVOLUMEFIELDS_H

#include <string>
#include <string_view>

#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/internal/SrmFieldTable.h"
#include "inventory/model/SrmResourceList.h"

struct SrmVolumeFields {
    using F = SrmFieldRows<SrmVolume>;
    using K = SrmVolume;
    // The counts of the member records that follow, as read.
    static constexpr uint8_t kChunkCount = 0;
    static constexpr uint8_t kSubVolumeCount = 1;

    // The Id is also the volume key.
    static void readId(K &v, std::string_view id) {
        v.Id = id;
        v.volumeKey = id;
    }
    // A count is written only for a list the volume has.
    static bool hasChunkList(const K &v) { return v.getDiskChunkList() != nullptr; }
    static bool hasSubVolumeList(const K &v) { return v.getSubVolumeList() != nullptr; }
    static long long chunkCount(const K &v) {
        return hasChunkList(v) ? v.getDiskChunkList()->getTypeCount(SRM_RES_DISKCHUNK) : 0;
    }
    static long long subVolumeCount(const K &v) {
        return hasSubVolumeList(v) ? v.getSubVolumeList()->getTypeCount(SRM_RES_VOLUME) : 0;
    }
    // "VolumeManager" points the volume at its manager, and is written only for
    // a volume that found one.
    static void readManager(K &v, std::string_view id) { v.setVolumeMgrId(std::string(id)); }
    static bool hasManager(const K &v) { return v.getVolumeManager() != nullptr; }

    // Name, manager, status and hierarchy type merge by the volume's own
    // rules (SrmVolume::mergeResource).
    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_Volume),
        F::readBy(F::id(), readId),
        F::pubId(),
        F::lid(),
        F::text(SRM_KEY_Name, &K::Name, SrmMerge::Keep),
        F::state(SrmMerge::Keep),
        F::number(SRM_KEY_HierType, &K::HierType, SrmMerge::Keep),
        F::size(SRM_KEY_CapacityKB, &K::CapacityKB, SrmMerge::Always),
        F::size(SRM_KEY_FreeSpaceKB, &K::FreeSpaceKB, SrmMerge::Always),
        F::text(SRM_KEY_MgmtURL, &K::MgmtURL, SrmMerge::IfSet),
        F::text(SRM_KEY_DisplayMgmtURL, &K::DisplayMgmtURL, SrmMerge::IfSet),
        F::number(SRM_KEY_VolumeType, &K::VolumeType, SrmMerge::IfNotNegative),
        F::text(SRM_KEY_VolumeTypeDesc, &K::VolumeTypeDesc, SrmMerge::IfSet),
        F::number(SRM_KEY_Status, &K::Status, SrmMerge::Keep),
        F::text(SRM_KEY_StatusDesc, &K::StatusDesc, SrmMerge::Keep),
        F::writtenWhen(F::count(SRM_KEY_DiskChunkCount, chunkCount, kChunkCount), hasChunkList),
        F::writtenWhen(F::count(SRM_KEY_SubVolumeCount, subVolumeCount, kSubVolumeCount),
                       hasSubVolumeList),
        F::writtenWhen(F::readBy(F::text(SRM_KEY_VolumeManager, &K::VolumeManager, SrmMerge::Keep),
                                 readManager),
                       hasManager),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_VOLUME, rows);
};

#endif
