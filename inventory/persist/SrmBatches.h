// The ten batches a scanner sends: the kind of their records, the files a
// scanner keeps them in and the add... native of the Java class that takes
// each. One table for every program that sends, writes or names batches (the
// collector, the ulvar command, the benchmarks, the tests).
#ifndef INVENTORY_PERSIST_SRMBATCHES_H
#define INVENTORY_PERSIST_SRMBATCHES_H

#include <cstddef>
#include <cstring>

#include "inventory/model/SrmResource.h"
#include "inventory/record/SrmRecordKeys.h"

struct SrmBatch {
    SrmResourceType kind;  // the kind of its records
    int word;              // their "Type" word, as a key id (SrmRecordKeyText gives it)
    const char *file;      // "computer.txt", ...
    const char *native;    // "addComputer", ...
};

// In the order a scanner sends them: computers first, so that error records
// have a host to be filed under; volume managers before the volumes and
// groups that name them; chunks before the volumes built on them, volumes
// before the groups, file systems, mount points and shares that name them.
inline constexpr SrmBatch kSrmBatches[] = {
    {SRM_RES_COMPUTER, SRM_KEY_System, "computer.txt", "addComputer"},
    {SRM_RES_VOLUMEMANAGER, SRM_KEY_VolumeManager, "volumemanagerinfo.txt", "addVolumeManagerInfo"},
    {SRM_RES_DISK, SRM_KEY_Disk, "disk.txt", "addDisk"},
    {SRM_RES_DISKCHUNK, SRM_KEY_DiskChunk, "diskchunk.txt", "addDiskChunk"},
    {SRM_RES_VOLUME, SRM_KEY_Volume, "volume.txt", "addVolume"},
    {SRM_RES_VOLUMEGROUP, SRM_KEY_VolumeGroup, "volumegroup.txt", "addVolumeGroup"},
    {SRM_RES_FILESYSTEM, SRM_KEY_FileSystem, "filesystem.txt", "addFileSystem"},
    {SRM_RES_MOUNTPOINT, SRM_KEY_MountPoint, "mountpoint.txt", "addMountpoint"},
    {SRM_RES_SHARE, SRM_KEY_Share, "share.txt", "addShare"},
    {SRM_RES_ID, SRM_KEY_Id, "alias.txt", "addAlias"},
};
inline constexpr std::size_t kSrmBatchCount = sizeof kSrmBatches / sizeof kSrmBatches[0];

// The batch of kind `t`, and the batch kept in the file named `file` (not
// null); null for any other.
constexpr const SrmBatch *SrmBatchOfKind(SrmResourceType t) {
    for (const SrmBatch &b : kSrmBatches) {
        if (b.kind == t) {
            return &b;
        }
    }
    return nullptr;
}
inline const SrmBatch *SrmBatchOfFile(const char *file) {
    for (const SrmBatch &b : kSrmBatches) {
        if (std::strcmp(b.file, file) == 0) {
            return &b;
        }
    }
    return nullptr;
}

#endif
