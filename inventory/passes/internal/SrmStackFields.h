// The fields of particular kinds that the passes over a whole database read:
// the members of volume groups and volumes, a disk's signature and name, the
// disk a chunk lies on, the volume a file system, mount point or share sits on
// and a computer's LLT node. Each is a checked cast (a resource of another
// class, such as a test kind, answers as not of that kind) and a field read.
//
// Internal to libulvar (not exported, not installed).
#ifndef INVENTORY_PASSES_INTERNAL_SRMSTACKFIELDS_H
#define INVENTORY_PASSES_INTERNAL_SRMSTACKFIELDS_H

#include <cstdint>
#include <string>

#include "inventory/model/SrmResourceList.h"

class SrmResource;

// A volume group's disk list and volume list, and a volume's disk-chunk list.
// Null when `r` is not of that class or the list could not be made. The lists
// belong to their volume group or volume and live as long as it does.
SrmResourceList *srmVolumeGroupDisks(SrmResource *r);
SrmResourceList *srmVolumeGroupVolumes(SrmResource *r);
SrmResourceList *srmVolumeDiskChunks(SrmResource *r);

// Kind t of `list`; null for a null list or a kind it never held.
inline SrmResourceIdMap *srmKindOf(SrmResourceList *list, SrmResourceType t) {
    return list != nullptr ? list->getSrmResourceIdMap(t) : nullptr;
}

// Calls visit(volume, chunk) for every disk chunk of every volume of `resources`
// (null: none): volumes in Id order, each volume's chunks in Id order. `visit`
// must not add to or remove from those lists.
template <typename Visit>
void srmForEachVolumeChunk(SrmResourceList *resources, Visit visit) {
    SrmResourceIdMap *volumes = srmKindOf(resources, SRM_RES_VOLUME);
    if (volumes == nullptr) {
        return;
    }
    for (const auto &volume : *volumes) {
        SrmResourceIdMap *chunks = srmKindOf(srmVolumeDiskChunks(volume.second), SRM_RES_DISKCHUNK);
        if (chunks == nullptr) {
            continue;
        }
        for (const auto &chunk : *chunks) {
            visit(volume.second, chunk.second);
        }
    }
}

// A disk's Sign and Name; false, with nothing stored, when `r` is not a disk.
bool srmDiskSignAndName(SrmResource *r, long *sign, std::string *name);

// The chunk's Disk, and the file system's Volume, the mount point's and the
// share's VolumeId; empty when `r` is not of that class.
std::string srmDiskChunkDisk(SrmResource *r);
std::string srmFileSystemVolume(SrmResource *r);
std::string srmMountPointVolumeId(SrmResource *r);
std::string srmShareVolumeId(SrmResource *r);

// A computer's LLTId and IPAddr; false, with nothing stored, when `r` is not a
// computer.
bool srmComputerLLTNode(SrmResource *r, int32_t *lltId, std::string *ipAddr);

#endif
