// The integrity check: reported resources whose references dangle are taken
// out of the report (the check still passes), and every service group must
// hold only resources of the database.
#include <cerrno>
#include <new>
#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/model/internal/SrmResourceProblem.h"
#include "inventory/passes/internal/SrmStackFields.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

// The order a group's members are checked in.
constexpr SrmResourceType kMemberKinds[] = {
    SRM_RES_DISK,       SRM_RES_DISKCHUNK,     SRM_RES_VOLUME,
    SRM_RES_FILESYSTEM, SRM_RES_MOUNTPOINT,    SRM_RES_SHARE,
    SRM_RES_COMPUTER,   SRM_RES_VIRTUALSERVER, SRM_RES_VOLUMEGROUP,
};

const char kInvalidType[] = "Invalid resource in invalid type-list";
const char kMemberNotFound[] = "Service group resource not found";
const char kCheckFailed[] = "Failed to check the database";

// Disks are matched by Id; volumes must be the database's very objects.
void checkVolumeGroups(SrmResourceDatabase *db) {
    SrmResourceIdMap *groups = srmKindOf(db->getResourceList(), SRM_RES_VOLUMEGROUP);
    if (groups == nullptr) {
        return;
    }
    for (const auto &entry : *groups) {
        SrmResource *group = entry.second;
        if (group->shouldReport() == 0) {
            continue;
        }
        SrmResourceIdMap *disks = srmKindOf(srmVolumeGroupDisks(group), SRM_RES_DISK);
        // Without disks the group's volumes go unchecked.
        if (disks == nullptr) {
            continue;
        }
        for (const auto &disk : *disks) {
            if (db->findResource(SRM_RES_DISK, disk.second->Id) == nullptr) {
                srmExcludeResource(db, disk.second,
                                   "Volume Group Disk not found: " + disk.second->Id);
            }
        }
        SrmResourceIdMap *volumes = srmKindOf(srmVolumeGroupVolumes(group), SRM_RES_VOLUME);
        if (volumes == nullptr) {
            continue;
        }
        for (const auto &volume : *volumes) {
            if (db->findResource(SRM_RES_VOLUME, volume.second->Id) != volume.second) {
                srmExcludeResource(db, volume.second,
                                   "Volume Group Volume not found: " + volume.second->Id);
            }
        }
    }
}

void checkVolumes(SrmResourceDatabase *db) {
    srmForEachVolumeChunk(db->getResourceList(), [db](SrmResource *volume, SrmResource *chunk) {
        if (volume->shouldReport() != 0 &&
            db->findResource(SRM_RES_DISK, srmDiskChunkDisk(chunk)) == nullptr) {
            srmExcludeResource(db, chunk, "Disk Chunk Disk not found: " + chunk->Id);
        }
    });
}

// File systems and mount points whose volume (as `volumeOf` names it) the
// database lacks; the text names that volume, not the resource.
void checkResidents(SrmResourceDatabase *db, SrmResourceType kind,
                    std::string (*volumeOf)(SrmResource *), const char *prefix) {
    SrmResourceIdMap *residents = srmKindOf(db->getResourceList(), kind);
    if (residents == nullptr) {
        return;
    }
    for (const auto &entry : *residents) {
        if (entry.second->shouldReport() == 0) {
            continue;
        }
        std::string volume = volumeOf(entry.second);
        if (db->findResource(SRM_RES_VOLUME, volume) == nullptr) {
            srmExcludeResource(db, entry.second, prefix + volume);
        }
    }
}

}  // namespace

int SrmResourceDatabase::checkIntegrity() {
    if (!resources) {
        return 1;
    }
    // Only the texts of the records cost memory. A check that ran short of
    // it may have left an offender in the report or lost its record: it fails.
    SrmOutOfMemoryWatch watch;
    int result = 1;
    try {
        checkVolumeGroups(this);
        checkVolumes(this);
        checkResidents(this, SRM_RES_FILESYSTEM, srmFileSystemVolume,
                       "Missing or unsupported fs: ");
        checkResidents(this, SRM_RES_MOUNTPOINT, srmMountPointVolumeId,
                       "MountPoint missing or invalid: ");
        for (const auto &entry : serviceGroups) {
            if (entry.second->checkIntegrity() == 0) {
                result = 0;
                break;
            }
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
    }
    if (watch.ranOut()) {
        setErrorInfo(ENOMEM, kCheckFailed, nullptr);
        return 0;
    }
    return result;
}

int SrmServiceGroup::checkIntegrity() {
    if (db == nullptr) {
        return 0;
    }
    // A failing member stays in the report; it fails the group instead.
    for (SrmResourceType kind : kMemberKinds) {
        SrmResourceIdMap *map = srmKindOf(members.get(), kind);
        if (map == nullptr) {
            continue;
        }
        for (const auto &entry : *map) {
            SrmResource *member = entry.second;
            if (member->shouldReport() == 0) {
                continue;
            }
            if (member->type != kind) {
                srmRecordResourceProblem(db, member, kInvalidType, kInvalidType);
                return 0;
            }
            SrmResource *held = db->findResource(kind, member->Id);
            if (held == nullptr || held->type != kind) {
                srmRecordResourceProblem(db, member, kMemberNotFound,
                                         std::string(kMemberNotFound) + ": " + member->Id);
                return 0;
            }
        }
    }
    return 1;
}
