#include "tools/ResourceJson.h"

#include <string>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/kinds/SrmVolumeManager.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "tools/Kinds.h"

namespace ulvar_tool {

namespace {

// The kinds a container lists, in the order its record writes them.
constexpr SrmResourceType kMemberOrder[] = {
    SRM_RES_DISK,        SRM_RES_DISKCHUNK,  SRM_RES_VOLUMEMANAGER,
    SRM_RES_VOLUME,      SRM_RES_FILESYSTEM, SRM_RES_MOUNTPOINT,
    SRM_RES_SHARE,       SRM_RES_COMPUTER,   SRM_RES_VIRTUALSERVER,
    SRM_RES_VOLUMEGROUP, SRM_RES_ID,
};

Json idsOf(SrmResourceList *list, SrmResourceType t) {
    Json ids = Json::array();
    SrmResourceIdMap *kind = list != nullptr ? list->getSrmResourceIdMap(t) : nullptr;
    if (kind != nullptr) {
        for (const auto &entry : *kind) {
            ids.push_back(entry.first);
        }
    }
    return ids;
}

Json idsByKind(SrmResourceList *list) {
    Json byKind = Json::object();
    for (SrmResourceType t : kMemberOrder) {
        if (list != nullptr && list->getTypeCount(t) > 0) {
            byKind[kindOf(t).word] = idsOf(list, t);
        }
    }
    return byKind;
}

int countOf(SrmResourceList *list, SrmResourceType t) {
    return list != nullptr ? list->getTypeCount(t) : 0;
}

// The value a record's key has for each kind; null for a key the kind does not
// write (which the tests of the tool would catch).
Json computerValue(SrmComputer &c, int key) {
    switch (key) {
        case SRM_KEY_HostName:
            return c.HostName;
        case SRM_KEY_RAMMB:
            return c.RAMMB;
        case SRM_KEY_SwapMB:
            return c.SwapMB;
        case SRM_KEY_AddrSpaceMB:
            return c.AddrSpaceMB;
        case SRM_KEY_CapacityKB:
            return c.getCapacity();
        case SRM_KEY_FreeSpaceKB:
            return c.getFreeSpace();
        case SRM_KEY_ProcCount:
            return c.ProcCount;
        case SRM_KEY_ProcSpeedMHz:
            return c.ProcSpeedMHz;
        case SRM_KEY_CPUInfo:
            return c.CPUInfo;
        case SRM_KEY_HWInfo:
            return c.HWInfo;
        case SRM_KEY_OS:
            return c.OS;
        case SRM_KEY_OSInfo:
            return c.OSInfo;
        case SRM_KEY_MgmtURL:
            return c.MgmtURL;
        case SRM_KEY_DisplayMgmtURL:
            return c.DisplayMgmtURL;
        case SRM_KEY_HostId:
            return c.HostId;
        case SRM_KEY_IPAddr:
            return c.IPAddr;
        case SRM_KEY_NodeId:
            return c.NodeId;
        case SRM_KEY_LLTId:
            return c.LLTId;
        case SRM_KEY_ResourceCount: {
            int n = 0;
            for (SrmResourceType t : kMemberOrder) {
                if (t != SRM_RES_COMPUTER && t != SRM_RES_ID) {
                    n += countOf(c.getResourceList(), t);
                }
            }
            return n;
        }
        case SRM_KEY_SGCount:
            return c.getServiceGroupMap().size();
        case SRM_KEY_TIM:
            return c.TIM;
        default:
            return nullptr;
    }
}

Json diskValue(SrmDisk &d, int key) {
    switch (key) {
        case SRM_KEY_Status:
            return d.Status;
        case SRM_KEY_StatusDesc:
            return d.StatusDesc;
        case SRM_KEY_IdType:
            return d.IdType;
        case SRM_KEY_IdValue:
            return d.IdValue;
        case SRM_KEY_Name:
            return d.Name;
        case SRM_KEY_Model:
            return d.Model;
        case SRM_KEY_Make:
            return d.Make;
        case SRM_KEY_Revision:
            return d.Revision;
        case SRM_KEY_SerialNum:
            return d.SerialNum;
        case SRM_KEY_Sign:
            return d.Sign;
        case SRM_KEY_CapacityKB:
            return d.CapacityKB;
        case SRM_KEY_FreeSpaceKB:
            return d.FreeSpaceKB;
        case SRM_KEY_AWRE:
            return d.AWRE;
        case SRM_KEY_AddrBus:
            return d.AddrBus;
        case SRM_KEY_AddrTarget:
            return d.AddrTarget;
        case SRM_KEY_AddrLUN:
            return d.AddrLUN;
        case SRM_KEY_LLTId:
            return d.LLTId;
        case SRM_KEY_DiskType:
            return d.DiskType;
        case SRM_KEY_RPM:
            return d.RPM;
        case SRM_KEY_FactoryDefect:
            return d.FactoryDefect;
        case SRM_KEY_GrownDefect:
            return d.GrownDefect;
        case SRM_KEY_Sbc:
            return d.Sbc;
        case SRM_KEY_VendorVer:
            return d.VendorVer;
        default:
            return nullptr;
    }
}

Json chunkValue(SrmDiskChunk &c, int key) {
    switch (key) {
        case SRM_KEY_DiskChunk:
            return c.DiskChunk;
        case SRM_KEY_Disk:
            return c.Disk;
        case SRM_KEY_Start:
            return c.Start;
        case SRM_KEY_Length:
            return c.Length;
        default:
            return nullptr;
    }
}

Json volumeValue(SrmVolume &v, int key) {
    switch (key) {
        case SRM_KEY_Name:
            return v.Name;
        case SRM_KEY_HierType:
            return v.HierType;
        case SRM_KEY_CapacityKB:
            return v.CapacityKB;
        case SRM_KEY_FreeSpaceKB:
            return v.FreeSpaceKB;
        case SRM_KEY_MgmtURL:
            return v.MgmtURL;
        case SRM_KEY_DisplayMgmtURL:
            return v.DisplayMgmtURL;
        case SRM_KEY_VolumeType:
            return v.VolumeType;
        case SRM_KEY_VolumeTypeDesc:
            return v.VolumeTypeDesc;
        case SRM_KEY_Status:
            return v.Status;
        case SRM_KEY_StatusDesc:
            return v.StatusDesc;
        case SRM_KEY_DiskChunkCount:
            return countOf(v.getDiskChunkList(), SRM_RES_DISKCHUNK);
        case SRM_KEY_SubVolumeCount:
            return countOf(v.getSubVolumeList(), SRM_RES_VOLUME);
        // Written only for a volume that found its manager.
        case SRM_KEY_VolumeManager:
            return v.getVolumeManager() != nullptr ? v.VolumeManager : std::string();
        default:
            return nullptr;
    }
}

Json volumeGroupValue(SrmVolumeGroup &g, int key) {
    switch (key) {
        case SRM_KEY_CapacityKB:
            return g.CapacityKB;
        case SRM_KEY_FreeSpaceKB:
            return g.FreeSpaceKB;
        case SRM_KEY_Status:
            return g.Status;
        case SRM_KEY_StatusDesc:
            return g.StatusDesc;
        case SRM_KEY_Name:
            return g.Name;
        case SRM_KEY_VolumeManager:
            return g.VolumeManager;
        case SRM_KEY_DiskCount:
            return countOf(g.getDiskList(), SRM_RES_DISK);
        case SRM_KEY_VolumeCount:
            return countOf(g.getVolumeList(), SRM_RES_VOLUME);
        default:
            return nullptr;
    }
}

Json volumeManagerValue(SrmVolumeManager &m, int key) {
    switch (key) {
        case SRM_KEY_IdType:
            return m.IdType;
        case SRM_KEY_VolumeMgrName:
            return m.VolumeMgrName;
        case SRM_KEY_VolumeMgrVersion:
            return m.VolumeMgrVersion;
        default:
            return nullptr;
    }
}

Json fileSystemValue(SrmFileSystem &f, int key) {
    switch (key) {
        case SRM_KEY_Volume:
            return f.Volume;
        case SRM_KEY_FSType:
            return f.FSType;
        case SRM_KEY_Pack:
            return f.Pack;
        case SRM_KEY_Encrypt:
            return f.Encrypt;
        case SRM_KEY_FileCnt:
            return f.FileCnt;
        case SRM_KEY_MaxFileCnt:
            return f.MaxFileCnt;
        case SRM_KEY_MaxFileSz:
            return f.MaxFileSz;
        case SRM_KEY_CapacityKB:
            return f.CapacityKB;
        case SRM_KEY_FreeSpaceKB:
            return f.FreeSpaceKB;
        case SRM_KEY_UsedSpaceKB:
            return f.UsedSpaceKB;
        case SRM_KEY_ReservedSpaceKB:
            return f.ReservedSpaceKB;
        default:
            return nullptr;
    }
}

Json mountPointValue(SrmMountPoint &m, int key) {
    switch (key) {
        case SRM_KEY_VolumeId:
            return m.VolumeId;
        case SRM_KEY_MountPointName:
            return m.MountPointName;
        case SRM_KEY_MountType:
            return m.MountType;
        case SRM_KEY_MountToSystem:
            return m.MountToSystem;
        case SRM_KEY_MountOptions:
            return m.MountOptions;
        case SRM_KEY_MountAtStartup:
            return m.MountAtStartup;
        case SRM_KEY_ReadOnly:
            return m.ReadOnly;
        case SRM_KEY_MountLocation:
            return m.MountLocation;
        default:
            return nullptr;
    }
}

Json shareValue(SrmShare &s, int key) {
    switch (key) {
        case SRM_KEY_ShareName:
            return s.ShareName;
        case SRM_KEY_SharePath:
            return s.SharePath;
        case SRM_KEY_ShareFsType:
            return s.ShareFsType;
        case SRM_KEY_ShareFlags:
            return s.ShareFlags;
        case SRM_KEY_ShareUser:
            return s.ShareUser;
        case SRM_KEY_Domain:
            return s.Domain;
        case SRM_KEY_ShareDesc:
            return s.ShareDesc;
        case SRM_KEY_VolumeId:
            return s.VolumeId;
        default:
            return nullptr;
    }
}

Json virtualServerValue(SrmVirtualServer &v, int key) {
    switch (key) {
        case SRM_KEY_HostName:
            return v.HostName;
        case SRM_KEY_IPAddr:
            return v.IPAddr;
        case SRM_KEY_Name:
            return v.Name;
        case SRM_KEY_ServiceGroup:
            return v.getServiceGroup() != nullptr ? v.getServiceGroup()->getName() : std::string();
        default:
            return nullptr;
    }
}

Json aliasValue(SrmId &a, int key) {
    switch (key) {
        case SRM_KEY_PrimaryId:
            return a.PrimaryId;
        case SRM_KEY_SecondaryId:
            return a.SecondaryId;
        case SRM_KEY_IdType:
            return a.IdType;
        default:
            return nullptr;
    }
}

Json kindValue(SrmResource *r, int key) {
    switch (r->type) {
        case SRM_RES_COMPUTER:
            return computerValue(static_cast<SrmComputer &>(*r), key);
        case SRM_RES_DISK:
            return diskValue(static_cast<SrmDisk &>(*r), key);
        case SRM_RES_DISKCHUNK:
            return chunkValue(static_cast<SrmDiskChunk &>(*r), key);
        case SRM_RES_VOLUME:
            return volumeValue(static_cast<SrmVolume &>(*r), key);
        case SRM_RES_VOLUMEGROUP:
            return volumeGroupValue(static_cast<SrmVolumeGroup &>(*r), key);
        case SRM_RES_VOLUMEMANAGER:
            return volumeManagerValue(static_cast<SrmVolumeManager &>(*r), key);
        case SRM_RES_FILESYSTEM:
            return fileSystemValue(static_cast<SrmFileSystem &>(*r), key);
        case SRM_RES_MOUNTPOINT:
            return mountPointValue(static_cast<SrmMountPoint &>(*r), key);
        case SRM_RES_SHARE:
            return shareValue(static_cast<SrmShare &>(*r), key);
        case SRM_RES_VIRTUALSERVER:
            return virtualServerValue(static_cast<SrmVirtualServer &>(*r), key);
        case SRM_RES_ID:
            return aliasValue(static_cast<SrmId &>(*r), key);
        default:
            return nullptr;
    }
}

}  // namespace

Json resourceJson(SrmResource *r) {
    Json out = Json::object();
    const Kind &kind = kindOf(r->type);
    const SrmRecordLayout *layout = SrmRecordLayoutOf(SrmUlvarGetStringId(kind.word));
    for (std::size_t i = 0; layout != nullptr && i < layout->fullKeyCount; ++i) {
        int key = layout->fullKeys[i];
        const char *name = SrmRecordKeyText(key);
        switch (key) {
            case SRM_KEY_Type:
                out[name] = kind.word;
                break;
            case SRM_KEY_Id:
                out[name] = r->Id;
                break;
            case SRM_KEY_PubId:
                out[name] = r->PubId;
                break;
            case SRM_KEY_LId:
                out[name] = r->LId;
                break;
            case SRM_KEY_State:
                out[name] = static_cast<int>(r->state);
                break;
            default:
                out[name] = kindValue(r, key);
                break;
        }
    }
    switch (r->type) {
        case SRM_RES_COMPUTER: {
            auto &c = static_cast<SrmComputer &>(*r);
            out["Resources"] = idsByKind(c.getResourceList());
            Json groups = Json::array();
            for (const auto &entry : c.getServiceGroupMap()) {
                groups.push_back(entry.first);
            }
            out["ServiceGroups"] = groups;
            break;
        }
        case SRM_RES_VOLUME: {
            auto &v = static_cast<SrmVolume &>(*r);
            out["DiskChunks"] = idsOf(v.getDiskChunkList(), SRM_RES_DISKCHUNK);
            out["SubVolumes"] = idsOf(v.getSubVolumeList(), SRM_RES_VOLUME);
            break;
        }
        case SRM_RES_VOLUMEGROUP: {
            auto &g = static_cast<SrmVolumeGroup &>(*r);
            out["Disks"] = idsOf(g.getDiskList(), SRM_RES_DISK);
            out["Volumes"] = idsOf(g.getVolumeList(), SRM_RES_VOLUME);
            break;
        }
        default:
            break;
    }
    return out;
}

Json serviceGroupJson(SrmServiceGroup *g) {
    Json out = Json::object();
    out["Type"] = "ServiceGroup";
    out["Id"] = g->getName();
    SrmServiceGroup *child = g->getNextServiceGroup();
    out["ChildServiceGroup"] = child != nullptr ? child->getName() : std::string();
    out["ResourceCount"] = g->getRecordedMemberCount();
    out["Members"] = idsByKind(g->getResourceList());
    return out;
}

Json errorJson(const std::string &key, const SrmError &e) {
    Json out = Json::object();
    out["Type"] = "Error";
    out["Id"] = key;
    out["ErrorDesc"] = e.ErrorDesc;
    out["Ecode"] = e.Ecode;
    out["Sev"] = e.Sev;
    out["FileName"] = e.FileName;
    out["Etype"] = e.Etype;
    out["Eclass"] = e.Eclass;
    out["Efunc"] = e.Efunc;
    return out;
}

}  // namespace ulvar_tool
