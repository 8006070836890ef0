// Resolution: state words copied down the storage stack, unusable disks taken
// out of the report, service groups grown by what their volume groups and disks
// imply; and the cluster node with the lowest LLT number.
#include <cerrno>
#include <map>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/model/internal/SrmResourceProblem.h"
#include "inventory/passes/internal/SrmStackFields.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

constexpr SrmResourceType kAllKinds[] = {
    SRM_RES_COMPUTER,   SRM_RES_DISK,          SRM_RES_VOLUME,      SRM_RES_FILESYSTEM,
    SRM_RES_MOUNTPOINT, SRM_RES_VIRTUALSERVER, SRM_RES_VOLUMEGROUP, SRM_RES_VOLUMEMANAGER,
    SRM_RES_DISKCHUNK,  SRM_RES_SHARE,         SRM_RES_ID,
};

const char kLowestLLTFailed[] = "Get Lowest LLT node ip failed";
const char kResolveFailed[] = "Failed to resolve the database";

// The whole word is replaced, not ORed: a cleared report bit must travel down.
void copyState(const SrmResource *from, SrmResource *to, int &copies) {
    to->state = from->state;
    ++copies;
}

void resolveVolumeGroups(SrmResourceDatabase *db, int &copies) {
    SrmResourceIdMap *groups = srmKindOf(db->getResourceList(), SRM_RES_VOLUMEGROUP);
    if (groups == nullptr) {
        return;
    }
    for (const auto &entry : *groups) {
        SrmResource *group = entry.second;
        SrmResourceIdMap *disks = srmKindOf(srmVolumeGroupDisks(group), SRM_RES_DISK);
        // A group that never held a disk passes its state to nobody, not even
        // to its volumes.
        if (disks == nullptr) {
            continue;
        }
        for (const auto &disk : *disks) {
            copyState(group, disk.second, copies);
        }
        if (SrmResourceIdMap *volumes = srmKindOf(srmVolumeGroupVolumes(group), SRM_RES_VOLUME)) {
            for (const auto &volume : *volumes) {
                copyState(group, volume.second, copies);
            }
        }
    }
}

void checkDisks(SrmResourceDatabase *db) {
    SrmResourceIdMap *disks = srmKindOf(db->getResourceList(), SRM_RES_DISK);
    if (disks == nullptr) {
        return;
    }
    for (const auto &entry : *disks) {
        SrmResource *disk = entry.second;
        long sign = -1;
        std::string name;
        if (disk->shouldReport() == 0 || !srmDiskSignAndName(disk, &sign, &name)) {
            continue;
        }
        // The name is checked whatever the signature did, so a disk can carry
        // both errors.
        if (sign < 0) {
            srmExcludeResource(db, disk, "Disk signature not generated: " + disk->Id);
        }
        if (name.empty()) {
            srmExcludeResource(db, disk, "Disk Name not generated: " + disk->Id);
        }
    }
}

void resolveChunks(SrmResourceDatabase *db, int &copies) {
    SrmResourceIdMap *chunks = srmKindOf(db->getResourceList(), SRM_RES_DISKCHUNK);
    if (chunks == nullptr) {
        return;
    }
    for (const auto &entry : *chunks) {
        if (SrmResource *disk = db->findResource(SRM_RES_DISK, srmDiskChunkDisk(entry.second))) {
            copyState(disk, entry.second, copies);
        }
    }
}

// Every chunk on a known disk copies; the last one in Id order decides.
void resolveVolumes(SrmResourceDatabase *db, int &copies) {
    srmForEachVolumeChunk(
        db->getResourceList(), [db, &copies](SrmResource *volume, SrmResource *chunk) {
            if (SrmResource *disk = db->findResource(SRM_RES_DISK, srmDiskChunkDisk(chunk))) {
                copyState(disk, volume, copies);
            }
        });
}

// File systems, mount points and shares take the state of the volume that
// `volumeOf` names.
void resolveResidents(SrmResourceDatabase *db, SrmResourceType kind,
                      std::string (*volumeOf)(SrmResource *), int &copies) {
    SrmResourceIdMap *residents = srmKindOf(db->getResourceList(), kind);
    if (residents == nullptr) {
        return;
    }
    for (const auto &entry : *residents) {
        if (SrmResource *volume = db->findResource(SRM_RES_VOLUME, volumeOf(entry.second))) {
            copyState(volume, entry.second, copies);
        }
    }
}

// The database's volumes by the disks their chunks lie on: for each disk Id,
// the volumes having at least one chunk on it, each once, in volume Id order.
// Built once for all service groups, so growing them costs the member disks'
// volumes rather than every volume's chunks for every group.
class VolumesByDisk {
  public:
    void build(SrmResourceDatabase *db) {
        index.clear();
        srmForEachVolumeChunk(db->getResourceList(),
                              [this](SrmResource *volume, SrmResource *chunk) {
                                  std::string disk = srmDiskChunkDisk(chunk);
                                  if (disk.empty()) {
                                      return;
                                  }
                                  std::vector<SrmResource *> &on = index[disk];
                                  if (on.empty() || on.back() != volume) {
                                      on.push_back(volume);
                                  }
                              });
    }

    // Null when no volume has a chunk on `diskId`.
    const std::vector<SrmResource *> *on(const std::string &diskId) const {
        auto it = index.find(diskId);
        return it != index.end() ? &it->second : nullptr;
    }

  private:
    std::unordered_map<std::string, std::vector<SrmResource *>> index;
};

// True when merging `list` into `members` would fold one of its resources into
// a different object that `members` holds under the same key. Such a merge may
// change that object's chunks, which a built volume index no longer sees.
bool mergeFoldsIntoOthers(SrmResourceList *members, SrmResourceList *list) {
    for (SrmResourceType t : kAllKinds) {
        SrmResourceIdMap *map = srmKindOf(list, t);
        if (map == nullptr) {
            continue;
        }
        for (const auto &entry : *map) {
            SrmResource *held = members->findResource(entry.second->type, entry.second->Id);
            if (held != nullptr && held != entry.second) {
                return true;
            }
        }
    }
    return false;
}

// Step one of growing a group: the members' volume groups bring their volumes,
// then their disks. Returns true when the volume index may have gone stale.
bool addVolumeGroupMembers(SrmResourceList *members) {
    SrmResourceIdMap *groups = members->getSrmResourceIdMap(SRM_RES_VOLUMEGROUP);
    if (groups == nullptr) {
        return false;
    }
    bool stale = false;
    // Merges only add to the members' maps; the walk over this one stays valid.
    for (const auto &entry : *groups) {
        SrmResourceList *volumes = srmVolumeGroupVolumes(entry.second);
        // Without a volume list a group brings nothing, not even its disks.
        if (volumes == nullptr) {
            continue;
        }
        SrmResourceList *disks = srmVolumeGroupDisks(entry.second);
        stale = stale || mergeFoldsIntoOthers(members, volumes) ||
                (disks != nullptr && mergeFoldsIntoOthers(members, disks));
        members->mergeResources(volumes);
        members->mergeResources(disks);
    }
    return stale;
}

// Step two: every volume of the database with a chunk on a member disk joins,
// unless a volume of its Id already is a member.
void addVolumesOnMemberDisks(SrmServiceGroup *group, SrmResourceList *members,
                             const VolumesByDisk &byDisk) {
    SrmResourceIdMap *disks = members->getSrmResourceIdMap(SRM_RES_DISK);
    if (disks == nullptr || disks->empty()) {
        return;
    }
    std::map<std::string, SrmResource *> joining;
    for (const auto &disk : *disks) {
        if (const std::vector<SrmResource *> *volumes = byDisk.on(disk.first)) {
            for (SrmResource *volume : *volumes) {
                joining.emplace(volume->Id, volume);
            }
        }
    }
    for (const auto &entry : joining) {
        if (members->findResource(SRM_RES_VOLUME, entry.first) == nullptr) {
            group->addResource(entry.second);
        }
    }
}

void growServiceGroups(SrmResourceDatabase *db) {
    VolumesByDisk byDisk;
    bool built = false;
    for (const auto &entry : db->getServiceGroups()) {
        SrmServiceGroup *group = entry.second;
        SrmResourceList *members = group->getResourceList();
        if (members == nullptr) {
            continue;
        }
        if (addVolumeGroupMembers(members)) {
            built = false;
        }
        if (members->getTypeCount(SRM_RES_DISK) == 0) {
            continue;
        }
        if (!built) {
            byDisk.build(db);
            built = true;
        }
        addVolumesOnMemberDisks(group, members, byDisk);
    }
}

}  // namespace

int SrmResourceDatabase::resolveDatabase() {
    int copies = 0;
    if (!resources) {
        return 0;
    }
    // The steps allocate only for error records and group members, so each
    // goes on when one before it ran out of memory: every state copy that can
    // be made is made. A resolution that missed anything says so, though,
    // rather than pass for a whole one.
    SrmOutOfMemoryWatch watch;
    auto step = [](auto &&run) {
        try {
            run();
        } catch (const std::bad_alloc &) {
            srmNoteOutOfMemory();
        }
    };
    step([&] { resolveVolumeGroups(this, copies); });
    step([&] { checkDisks(this); });
    step([&] { resolveChunks(this, copies); });
    step([&] { resolveVolumes(this, copies); });
    step([&] { resolveResidents(this, SRM_RES_FILESYSTEM, srmFileSystemVolume, copies); });
    step([&] { resolveResidents(this, SRM_RES_MOUNTPOINT, srmMountPointVolumeId, copies); });
    step([&] { resolveResidents(this, SRM_RES_SHARE, srmShareVolumeId, copies); });
    step([&] { growServiceGroups(this); });
    if (watch.ranOut()) {
        setErrorInfo(ENOMEM, kResolveFailed, nullptr);
        return -1;
    }
    return copies;
}

std::string SrmResourceDatabase::getLowestLLTNodeIp() {
    SrmResourceIdMap *nodes = srmKindOf(computers.get(), SRM_RES_COMPUTER);
    if (nodes == nullptr || nodes->empty()) {
        setErrorInfo(ENOMEM, kLowestLLTFailed, nullptr);
        return std::string();
    }
    bool chosen = false;
    int32_t lowest = 0;
    std::string ip;
    for (const auto &entry : *nodes) {
        int32_t llt = 0;
        std::string addr;
        if (!srmComputerLLTNode(entry.second, &llt, &addr)) {
            continue;
        }
        // Strictly lower only: among equal numbers the first in Id order stays.
        if (!chosen || llt < lowest) {
            chosen = true;
            lowest = llt;
            ip = std::move(addr);
        }
    }
    if (!chosen) {
        setErrorInfo(ENOENT, kLowestLLTFailed, nullptr);
        return std::string();
    }
    if (ip.empty()) {
        setErrorInfo(ENOMEM, kLowestLLTFailed, nullptr);
    }
    return ip;
}
