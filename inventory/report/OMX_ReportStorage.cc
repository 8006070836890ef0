// The storage of the reported system: disk drives, their partitions, the
// volumes built on partitions and sub-volumes, and the volume-manager disk
// groups, each linked to the system and to one another.
#include <string>

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeWalk.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/report/RM_KeyTables.h"
#include "inventory/report/internal/ReportBuild.h"
#include "inventory/report/internal/ReportMaps.h"
#include "inventory/report/internal/ReportStatus.h"
#include "inventory/report/internal/ReportWalk.h"
#include "tessel/log.h"

using nmspc_cim::CCIMInstance;
using nmspc_cim::CIM_UINT16;
using nmspc_cim::CIM_UINT64;
using rm_report::bytesFromKB;
using rm_report::decimal;
using rm_report::forEach;
using rm_report::kindOf;
using rm_report::kKey;
using rm_report::kLogError;
using rm_report::kLogInfo;
using rm_report::kLogWarning;
using rm_report::kModule;
using rm_report::kNatural;
using rm_report::ReportBuild;

namespace {

constexpr const char *kDiskClass = "Kalora_RM_DiskDrive";
constexpr const char *kPartitionClass = "Kalora_RM_DiskPartition";
constexpr const char *kVolumeClass = "Kalora_RM_StorageVolume";
constexpr const char *kGroupClass = "Kalora_RM_VMDiskGroup";

}  // namespace

int OMX_Report::linkDisk(bool pathToDisk, CCIMInstance *system, const std::string &systemName,
                         CCIMInstance *disk, const SrmDisk &d) {
    std::string key = systemName + "~" + DecodeOMXID(d.Id);
    if (!pathToDisk) {
        return associate("CIM_SystemDevice", rm_grppart_asso_keys, "GroupComponent", system,
                         "PartComponent", disk, key + "~SystemDevice");
    }
    key += "~PathToDisk";
    maps().associations.prefetch(key);
    ReportBuild build(jobId, "Kalora_RM_PathToDisk", 2, rm_grppart_asso_keys);
    build.ref("GroupComponent", system).ref("PartComponent", disk).text("PathName", d.Name);
    return fileAssociation(build, key);
}

int OMX_Report::Get_Disk_Instances() {
    const char *const fn = "Get_Disk_Instances";
    SrmResourceIdMap *disks = kind(SRM_RES_DISK);
    if (disks == nullptr) {
        prv_log(kLogInfo, kModule, fn, "No disks found.");
        return 1;
    }
    int done = forEach<SrmDisk>(disks, [&](SrmDisk *d) {
        std::string name = DecodeOMXID(d->Id);
        if (d->shouldReport()) {
            ReportBuild build(jobId, kDiskClass, 4, rm_logdev_keys);
            build.text("SystemCreationClassName", "CIM_ComputerSystem", kKey)
                .text("SystemName", systemNaturalName, kKey)
                .text("CreationClassName", kDiskClass, kKey)
                .text("DeviceID", name, kKey | kNatural)
                .text("Name", name)
                .text("ElementName", d->Name)
                .text("DiskMake", d->Make)
                .text("DiskModel", d->Model)
                .text("Revision", d->Revision)
                .set("DiskRPM", CIM_UINT64, decimal(d->RPM))
                .text("SerialNumber", d->SerialNum)
                .text("DiskType", GetDiskTypeAsString(d->DiskType))
                .set("TotalCapacity", CIM_UINT64, bytesFromKB(d->CapacityKB));
            if (file(build, kDevices) == 0) {
                return 0;
            }
        }
        // A disk left out of the report may still have an instance filed
        // under its name; without one its links are skipped, not failed.
        for (bool pathToDisk : {false, true}) {
            CCIMInstance *system = find(systemNaturalName, kComputerSystems);
            CCIMInstance *disk = find(name, kDevices);
            if (system == nullptr || disk == nullptr) {
                if (d->shouldReport()) {
                    return 0;
                }
                continue;
            }
            if (linkDisk(pathToDisk, system, systemNaturalName, disk, *d) == 0) {
                return 0;
            }
        }
        return 1;
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Disk CIM Instances");
    return 1;
}

int OMX_Report::Get_DiskPartition_Instances() {
    const char *const fn = "Get_DiskPartition_Instances";
    SrmResourceIdMap *chunks = kind(SRM_RES_DISKCHUNK);
    if (chunks == nullptr) {
        prv_log(kLogWarning, kModule, fn, "No disk partitions found.");
        return 1;
    }
    int done = forEach<SrmDiskChunk>(chunks, [&](SrmDiskChunk *chunk) {
        if (!chunk->shouldReport()) {
            return 1;
        }
        std::string name = DecodeOMXID(chunk->Id);
        ReportBuild build(jobId, kPartitionClass, 4, rm_logdev_keys);
        build.text("SystemCreationClassName", "CIM_ComputerSystem", kKey)
            .text("SystemName", systemNaturalName, kKey)
            .text("CreationClassName", kPartitionClass, kKey)
            .text("DeviceID", name, kKey | kNatural)
            .text("Name", name)
            .text("ElementName", chunk->DiskChunk)
            .set("StartByte", CIM_UINT64, rm_report::unsignedDecimal(chunk->Start))
            .set("Length", CIM_UINT64, bytesFromKB(chunk->Length));
        if (file(build, kDevices) == 0) {
            return 0;
        }
        CCIMInstance *partition = find(name, kDevices);
        CCIMInstance *disk = find(chunk->Disk, kDevices);
        if (partition == nullptr || disk == nullptr) {
            return 0;
        }
        return associate("CIM_ConcreteComponent", rm_grppart_asso_keys, "GroupComponent", disk,
                         "PartComponent", partition, name + "~" + chunk->Disk);
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Disk Partition CIM Instances");
    return 1;
}

// The walk keeps its own stack and enters no volume twice, so neither the
// depth of a hierarchy read from a file nor a list that loops decides how
// deep the machine stack grows.
int OMX_Report::CollectDiskChunks(SrmVolume *volume) {
    SrmVolumeWalk walk;
    return walk.subVolumesFirst(volume, [this](SrmVolume *v) {
        SrmResourceIdMap *chunks = kindOf(v->getDiskChunkList(), SRM_RES_DISKCHUNK);
        if (chunks != nullptr) {
            for (const auto &entry : *chunks) {
                chunkIds.emplace(DecodeOMXID(entry.second->Id), 0);
            }
        }
        return 1;
    });
}

int OMX_Report::Get_Volumes_Instances() {
    const char *const fn = "Get_Volume_Instances";
    SrmResourceIdMap *volumes = kind(SRM_RES_VOLUME);
    if (volumes == nullptr) {
        prv_log(kLogWarning, kModule, fn, "No volumes found.");
        return 1;
    }
    int done = forEach<SrmVolume>(volumes, [&](SrmVolume *v) {
        if (!v->shouldReport() || v->HierType == SRM_HIER_SUBVOLUME) {
            return 1;
        }
        chunkIds.clear();
        if (CollectDiskChunks(v) == 0) {
            return 0;
        }
        std::string name = DecodeOMXID(v->Id);
        ReportBuild build(jobId, kVolumeClass, 4, rm_logdev_keys);
        build.text("SystemCreationClassName", "CIM_ComputerSystem", kKey)
            .text("SystemName", systemNaturalName, kKey)
            .text("CreationClassName", kVolumeClass, kKey)
            .text("DeviceID", name, kKey | kNatural)
            .text("ElementName", v->Name);
        if (!v->VolumeManager.empty()) {
            std::string manager, version;
            GetVolMgrNameandVer(v->VolumeManager, manager, version);
            build.text("VolMgrName", manager).text("VolMgrVersion", version);
        }
        build.set("StatusCode", CIM_UINT16, decimal(v->Status))
            .set("VolumeType", CIM_UINT16, decimal(v->VolumeType))
            .set("TotalStorage", CIM_UINT64, bytesFromKB(v->CapacityKB))
            .set("AvailableStorage", CIM_UINT64, bytesFromKB(v->FreeSpaceKB));
        if (!v->VolumeTypeDesc.empty()) {
            build.text("Description", v->VolumeTypeDesc);
        }
        if (file(build, kVolumes) == 0) {
            return 0;
        }
        // Based directly on every partition beneath it, sub-volumes included.
        for (const auto &chunk : chunkIds) {
            CCIMInstance *volume = find(name, kVolumes);
            CCIMInstance *partition = find(chunk.first, kDevices);
            if (volume == nullptr || partition == nullptr) {
                return 0;
            }
            ReportBuild basedOn(jobId, "CIM_BasedOn", 2, rm_antdep_asso_keys);
            basedOn.ref("Dependent", volume)
                .ref("Antecedent", partition)
                .set("StartingAddress", CIM_UINT64, "0")
                .set("EndingAddress", CIM_UINT64, "0")
                .set("OrderIndex", CIM_UINT16, "0");
            if (fileAssociation(basedOn, v->Id + "~" + chunk.first) == 0) {
                return 0;
            }
        }
        CCIMInstance *system = find(systemNaturalName, kComputerSystems);
        CCIMInstance *volume = find(name, kVolumes);
        if (system == nullptr || volume == nullptr) {
            return 0;
        }
        return associate("CIM_SystemDevice", rm_grppart_asso_keys, "GroupComponent", system,
                         "PartComponent", volume, systemNaturalName + "~" + v->Id);
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Volume CIM Instances");
    return 1;
}

int OMX_Report::Get_DiskGroup_Instances() {
    const char *const fn = "Get_DiskGroup_Instances";
    SrmResourceIdMap *groups = kind(SRM_RES_VOLUMEGROUP);
    if (groups == nullptr) {
        prv_log(kLogInfo, kModule, fn, "No volume groups found.");
        return 1;
    }
    int done = forEach<SrmVolumeGroup>(groups, [&](SrmVolumeGroup *g) {
        if (!g->shouldReport()) {
            return 1;
        }
        std::string name = DecodeOMXID(g->Id);
        ReportBuild build(jobId, kGroupClass, 1, rm_diskgroup_keys);
        build.text("CollectionID", name, kKey | kNatural)
            .text("CreationClassName", kGroupClass)
            .text("ElementName", g->Name)
            .set("TotalStorage", CIM_UINT64, bytesFromKB(g->CapacityKB))
            .set("AvailableStorage", CIM_UINT64, bytesFromKB(g->FreeSpaceKB));
        if (!build.ok()) {
            return 0;
        }
        if (g->VolumeManager.empty()) {
            prv_log(kLogError, kModule, fn, "Volume belongs to unknown Volumes Manager.");
            return 0;
        }
        std::string manager, version;
        GetVolMgrNameandVer(g->VolumeManager, manager, version);
        build.text("VolMgrName", manager).text("VolMgrVersion", version);
        if (file(build, kDiskGroups) == 0) {
            return 0;
        }
        CCIMInstance *system = find(systemNaturalName, kComputerSystems);
        CCIMInstance *group = find(name, kDiskGroups);
        if (system == nullptr || group == nullptr ||
            associate("Kalora_RM_SystemDiskGroup", rm_grppart_asso_keys, "GroupComponent", system,
                      "PartComponent", group, systemNaturalName + "~" + name) == 0) {
            return 0;
        }
        int drives =
            forEach<SrmResource>(kindOf(g->getDiskList(), SRM_RES_DISK), [&](SrmResource *d) {
                CCIMInstance *disk = find(DecodeOMXID(d->Id), kDevices);
                CCIMInstance *collection = find(name, kDiskGroups);
                return disk != nullptr && collection != nullptr &&
                               associate("CIM_DriveInDiskGroup", rm_collmem_asso_keys, "Collection",
                                         collection, "Member", disk, d->Id + "~" + name)
                           ? 1
                           : 0;
            });
        if (drives == 0) {
            return 0;
        }
        return forEach<SrmVolume>(kindOf(g->getVolumeList(), SRM_RES_VOLUME), [&](SrmVolume *v) {
            if (v->HierType == SRM_HIER_SUBVOLUME) {
                return 1;
            }
            CCIMInstance *volume = find(DecodeOMXID(v->Id), kVolumes);
            CCIMInstance *collection = find(name, kDiskGroups);
            return volume != nullptr && collection != nullptr &&
                           associate("CIM_ExtentInDiskGroup", rm_collmem_asso_keys, "Collection",
                                     collection, "Member", volume, v->Id + "~" + name)
                       ? 1
                       : 0;
        });
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created DiskGroup CIM Instances");
    return 1;
}
