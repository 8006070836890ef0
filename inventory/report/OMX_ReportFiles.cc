// The end of the report: alias entries, file systems with the volume each
// lies on, NFS shares with the file system they export, and, in a cluster,
// what each virtual server's service groups depend on.
#include <string>

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/report/OMX_Report.h"
#include "inventory/report/RM_KeyTables.h"
#include "inventory/report/internal/InstanceHoldings.h"
#include "inventory/report/internal/ReportBuild.h"
#include "inventory/report/internal/ReportPin.h"
#include "inventory/report/internal/ReportStatus.h"
#include "inventory/report/internal/ReportWalk.h"
#include "tessel/log.h"

using nmspc_cim::CCIMInstance;
using nmspc_cim::CIM_UINT64;
using rm_report::bytesFromKB;
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

constexpr const char *kFileSystemClass = "Kalora_RM_UnixLocalFileSystem";
constexpr const char *kShareClass = "Kalora_RM_FileShare";
constexpr bool kStrict = true;

}  // namespace

int OMX_Report::Get_Alias_Instances() {
    const char *const fn = "Get_Alias_Instances";
    SrmResourceIdMap *aliases = kind(SRM_RES_ID);
    if (aliases == nullptr) {
        prv_log(kLogInfo, kModule, fn, "No aliases found.");
        return 1;
    }
    // Without its table an alias would name no class ("unknown") where it
    // names one: the report fails rather than say so.
    if (classNamesMissing) {
        if (!makeClassNames()) {
            prv_log(kLogError, kModule, fn, "Out of memory");
            return 0;
        }
        classNamesMissing = false;
    }
    int done = forEach<SrmId>(aliases, [&](SrmId *alias) {
        auto known = classNames.find(alias->IdType);
        ReportBuild build(jobId, "Kalora_RM_AliasEntry", 2, rm_alias_keys);
        build.text("ReportedOMXIdentity", alias->PrimaryId, kKey)
            .text("OMXIdentityAlias", alias->SecondaryId, kKey)
            .text("AssociatedObjectType", known != classNames.end() ? known->second : "unknown");
        std::string name = alias->Id;  // copied while the builder still owns the instance
        CCIMInstance *instance = build.take();
        return instance != nullptr ? UpdateCIMInstMaps(instance, std::move(name), kAliases) : 0;
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Alias CIM Instances");
    return 1;
}

int OMX_Report::Get_FileSystem_Instances() {
    const char *const fn = "Get_FileSystem_Instances";
    SrmResourceIdMap *fileSystems = kind(SRM_RES_FILESYSTEM);
    if (fileSystems == nullptr) {
        prv_log(kLogInfo, kModule, fn, "No file systems found.");
        return 1;
    }
    int done = forEach<SrmFileSystem>(fileSystems, [&](SrmFileSystem *fs) {
        if (!fs->shouldReport()) {
            return 1;
        }
        std::string name = DecodeOMXID(fs->Id);
        ReportBuild build(jobId, kFileSystemClass, 4, rm_fs_keys);
        build.text("CSCreationClassName", "CIM_ComputerSystem", kKey)
            .text("CreationClassName", kFileSystemClass, kKey)
            .text("CSName", systemNaturalName, kKey)
            .text("Name", name, kKey | kNatural)
            .text("ElementName", fs->PubId)
            .text("FileSystemType", fs->FSType)
            .set("FileSystemSize", CIM_UINT64, bytesFromKB(fs->CapacityKB))
            .set("AvailableSpace", CIM_UINT64, bytesFromKB(fs->FreeSpaceKB))
            .set("UsedSpace", CIM_UINT64, bytesFromKB(fs->UsedSpaceKB));
        if (fs->ReservedSpaceKB >= 0) {
            build.set("FSReservedCapacity", CIM_UINT64, bytesFromKB(fs->ReservedSpaceKB));
        }
        CCIMInstance *instance = build.take();
        if (instance == nullptr) {
            return 0;
        }
        // Filed twice: held here until the second filing is done.
        Pin pin(*this, instance);
        if (UpdateCIMInstMaps(instance, build.naturalName(), kFileSystems) == 0) {
            return 0;
        }
        CCIMInstance *volume = find(fs->Volume, kVolumes);
        CCIMInstance *resides = find(name, kFileSystems);
        if (volume == nullptr || resides == nullptr ||
            associate("Kalora_RM_ResidesOnVolume", rm_antdep_asso_keys, "Dependent", resides,
                      "Antecedent", volume, fs->Volume + "~" + fs->Id) == 0) {
            return 0;
        }
        if (UpdateCIMInstMaps(instance, fs->Volume, kFileSystemsByVolume) == 0) {
            return 0;
        }
        CCIMInstance *system = find(systemNaturalName, kComputerSystems);
        CCIMInstance *hosted = find(name, kFileSystems);
        if (system == nullptr || hosted == nullptr) {
            return 0;
        }
        return associate("CIM_HostedFileSystem", rm_grppart_asso_keys, "GroupComponent", system,
                         "PartComponent", hosted, systemNaturalName + "~" + fs->Id);
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created File System CIM Instances");
    return 1;
}

int OMX_Report::Get_Share_Instances() {
    const char *const fn = "Get_Share_Instances";
    SrmResourceIdMap *shares = kind(SRM_RES_SHARE);
    if (shares == nullptr) {
        prv_log(kLogInfo, kModule, fn, "No Shares found.");
        return 1;
    }
    int done = forEach<SrmShare>(shares, [&](SrmShare *share) {
        if (!share->shouldReport()) {
            return 1;
        }
        if (share->ShareFsType != 0) {
            prv_log(kLogWarning, kModule, fn, "Share type not supported.");
            return 1;
        }
        std::string name = DecodeOMXID(share->Id);
        ReportBuild build(jobId, kShareClass, 4, rm_share_keys);
        build.text("SystemCreationClassName", "CIM_ComputerSystem", kKey)
            .text("CreationClassName", kShareClass, kKey)
            .text("SystemName", systemNaturalName, kKey)
            .text("Name", name, kKey | kNatural)
            .text("Type", "NFS")
            .text("DirectoryName", share->SharePath)
            .text("ElementName", share->ShareName);
        CCIMInstance *instance = build.take();
        if (instance == nullptr) {
            return 0;
        }
        // In the list at once. GetReport does not hand category 7 over, so a
        // share that cannot join the list would be missing from the report
        // without a word: the generator fails instead.
        Pin pin(*this, instance);
        if (appendToList(instance) == 0) {
            return 0;
        }
        held().of(instance).listed = true;
        if (UpdateCIMInstMaps(instance, build.naturalName(), kShares) == 0) {
            return 0;
        }
        CCIMInstance *exported = find(share->VolumeId, kFileSystemsByVolume);
        if (exported == nullptr) {
            prv_log(kLogWarning, kModule, fn,
                    "Could not link following share to file system...Invalid volumeid : %s",
                    name.c_str());
            return 1;
        }
        CCIMInstance *same = find(name, kShares);
        if (same == nullptr ||
            associate("CIM_SharedElement", rm_sharedelement_asso_keys, "SameElement", same,
                      "SystemElement", exported, share->VolumeId + "~" + share->Id) == 0) {
            return 0;
        }
        CCIMInstance *system = find(systemNaturalName, kComputerSystems);
        CCIMInstance *hosted = find(name, kShares);
        if (system == nullptr || hosted == nullptr) {
            return 0;
        }
        return associate("CIM_HostedShare", rm_antdep_asso_keys, "Antecedent", system, "Dependent",
                         hosted, systemNaturalName + "~" + share->Id);
    });
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Share CIM Instances");
    return 1;
}

int OMX_Report::Get_ServiceGroup_Instances() {
    const char *const fn = "Get_ServiceGroup_Instances";
    if (database == nullptr || database->getServiceGroups().empty()) {
        prv_log(kLogInfo, kModule, fn, "No Service Groups found.");
        return 1;
    }
    for (const auto &entry : database->getServiceGroups()) {
        SrmServiceGroup *group = entry.second;
        SrmResourceIdMap *servers = nullptr;
        if (group == nullptr || group->getVirtualServerList(&servers) == 0) {
            continue;  // nothing to link its resources to: they are not even collected
        }
        SrmResourceList dependants(database);
        for (SrmResourceType t : {SRM_RES_DISK, SRM_RES_VOLUME, SRM_RES_VOLUMEGROUP, SRM_RES_SHARE,
                                  SRM_RES_MOUNTPOINT}) {
            group->getDependantResourceList(&dependants, t);
        }
        int done = forEach<SrmResource>(
            servers, [&](SrmResource *server) { return linkServiceGroup(dependants, server); });
        if (done == 0) {
            return 0;
        }
    }
    return 1;
}

// Links one virtual server of a service group to every reported resource the
// group depends on. A resource whose instance is missing is skipped; a
// resource filed under a kind it is not of ends the conversion.
int OMX_Report::linkServiceGroup(SrmResourceList &dependants, SrmResource *resource) {
    const char *const fn = "Get_ServiceGroup_Instances";
    auto *server = dynamic_cast<SrmVirtualServer *>(resource);
    if (server == nullptr) {
        return 0;
    }
    if (!server->shouldVirtualReport()) {
        return 1;
    }
    CCIMInstance *hosting = find(DecodeOMXID(server->Id), kComputerSystems);
    if (hosting == nullptr) {
        return 1;
    }
    const std::string &serverId = server->Id;
    auto found = [&](SrmResource *r, int category) {
        return r->shouldReport() ? find(DecodeOMXID(r->Id), category) : nullptr;
    };

    int done = forEach<SrmDisk>(
        kindOf(&dependants, SRM_RES_DISK),
        [&](SrmDisk *d) {
            CCIMInstance *disk = found(d, kDevices);
            return disk == nullptr || (linkDisk(false, hosting, serverId, disk, *d) != 0 &&
                                       linkDisk(true, hosting, serverId, disk, *d) != 0)
                       ? 1
                       : 0;
        },
        kStrict);
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Disk CIM Associations");

    done = forEach<SrmVolume>(
        kindOf(&dependants, SRM_RES_VOLUME),
        [&](SrmVolume *v) {
            CCIMInstance *volume = found(v, kVolumes);
            return volume == nullptr
                       ? 1
                       : associate("CIM_SystemDevice", rm_grppart_asso_keys, "GroupComponent",
                                   hosting, "PartComponent", volume, serverId + "~" + v->Id);
        },
        kStrict);
    if (done == 0) {
        return 0;
    }
    prv_log(kLogInfo, kModule, fn, "Successfully created Volume CIM Associations");

    done = forEach<SrmVolumeGroup>(
        kindOf(&dependants, SRM_RES_VOLUMEGROUP),
        [&](SrmVolumeGroup *g) {
            CCIMInstance *group = found(g, kDiskGroups);
            return group == nullptr ? 1
                                    : associate("Kalora_RM_SystemDiskGroup", rm_grppart_asso_keys,
                                                "GroupComponent", hosting, "PartComponent", group,
                                                serverId + "~" + g->Id);
        },
        kStrict);
    if (done == 0) {
        return 0;
    }

    done = forEach<SrmShare>(
        kindOf(&dependants, SRM_RES_SHARE),
        [&](SrmShare *s) {
            CCIMInstance *share = found(s, kShares);
            return share == nullptr
                       ? 1
                       : associate("CIM_HostedShare", rm_antdep_asso_keys, "Antecedent", hosting,
                                   "Dependent", share, serverId + "~" + s->Id);
        },
        kStrict);
    if (done == 0) {
        return 0;
    }

    // The file system is the one the database knows under the mount point's Id.
    return forEach<SrmMountPoint>(
        kindOf(&dependants, SRM_RES_MOUNTPOINT),
        [&](SrmMountPoint *mount) {
            if (!mount->shouldReport()) {
                return 1;
            }
            SrmResource *fs = database->findGlobalResource(SRM_RES_FILESYSTEM, mount->Id);
            CCIMInstance *hosted =
                fs != nullptr ? find(DecodeOMXID(fs->Id), kFileSystems) : nullptr;
            return hosted == nullptr
                       ? 1
                       : associate("CIM_HostedFileSystem", rm_grppart_asso_keys, "GroupComponent",
                                   hosting, "PartComponent", hosted, serverId + "~" + fs->Id);
        },
        kStrict);
}
