#include <string>

#include "collector/HostStorage.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/model/SrmResourceDatabase.h"

namespace collector {

// Disks, their partitions (disk chunks) and the disks' other names (aliases),
// and the identities of disks.

namespace {

bool startsWith(const std::string &s, const std::string &prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::string lowerHex(const std::string &s) {
    if (s.empty()) {
        return std::string();
    }
    std::string out;
    for (char c : s) {
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return std::string();
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace

std::string hostStableDiskId(const BlockDevice &d) {
    if (startsWith(d.wwid, "naa.")) {
        std::string hex = lowerHex(d.wwid.substr(4));
        if (!hex.empty()) {
            return "wwn-0x" + hex;
        }
    }
    if (startsWith(d.wwid, "eui.")) {
        std::string hex = lowerHex(d.wwid.substr(4));
        if (!hex.empty()) {
            return "eui-" + hex;
        }
    }
    std::string serial = hostTrim(d.serial);
    if (serial.empty()) {
        return std::string();
    }
    for (char &c : serial) {
        bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                     c == '.' || c == '-' || c == '_';
        if (!plain) {
            c = '_';
        }
    }
    return "serial-" + serial;
}

void HostStorage::addDisks() {
    for (const BlockDevice &d : devices->all()) {
        if (d.kind != BlockKind::Disk) {
            continue;
        }
        std::string id = hostStableDiskId(d);
        if (id.empty()) {
            id = d.name;
        } else if (db.findResource(SRM_RES_DISK, id) != nullptr) {
            if (warn) {
                warn(d.name + ": identity " + id +
                     " is another disk's too; the kernel name is used");
            }
            id = d.name;
        }
        SrmDisk *disk = make<SrmDisk>(HostBatchKind::Disk, id);
        if (disk == nullptr) {
            continue;
        }
        diskIds[d.name] = id;
        disk->Name = d.name;
        disk->PubId = "/dev/" + d.name;
        disk->LId = d.name;
        disk->Make = d.vendor;
        disk->Model = d.model;
        disk->Revision = d.revision;
        disk->SerialNum = d.serial;
        disk->IdValue = d.wwid.empty() ? d.serial : d.wwid;
        disk->setCapacity(hostSectorsKB(d.sectors));
        capacityKB += disk->CapacityKB;
        disk->DiskType = blockDiskType(d.transport);
        disk->RPM = static_cast<int>(d.rpm);
        if (d.hasScsiAddress) {
            disk->AddrBus = hostClampInt(d.scsiChannel);
            disk->AddrTarget = hostClampInt(d.scsiTarget);
            disk->AddrLUN = hostClampInt(d.scsiLun);
        }
        bool fromTable = false;
        disk->Sign = diskSignature(probe(d).ptUuid, id, &fromTable);
        if (!fromTable && !d.partitions.empty() && warn) {
            warn(d.name +
                 ": partition table identifier unknown; signature made from the disk's identity");
        }

        for (const std::string &name : d.partitions) {
            const BlockDevice *p = devices->find(name);
            if (p == nullptr) {
                continue;
            }
            if (p->startSector > static_cast<unsigned long long>(LONG_MAX) / 512) {
                if (warn) {
                    warn(name + ": partition start beyond any disk; left out");
                }
                continue;
            }
            SrmDiskChunk *c = make<SrmDiskChunk>(HostBatchKind::DiskChunk, name);
            if (c == nullptr) {
                continue;
            }
            c->Disk = id;
            c->DiskChunk = name;
            c->PubId = "/dev/" + name;
            c->LId = name;
            // Start is a byte offset, Length kilobytes.
            c->setStartAndLength(static_cast<long>(p->startSector * 512),
                                 hostSectorsKB(p->sectors));
            chunks[name] = c;
        }
    }
}

SrmDiskChunk *HostStorage::chunkFor(const BlockDevice &d) {
    auto it = chunks.find(d.name);
    if (it != chunks.end()) {
        return it->second;
    }
    auto disk = diskIds.find(d.name);
    if (d.kind != BlockKind::Disk || disk == diskIds.end()) {
        return nullptr;
    }
    SrmDiskChunk *c = make<SrmDiskChunk>(HostBatchKind::DiskChunk, d.name + "-whole");
    if (c != nullptr) {
        c->Disk = disk->second;
        c->DiskChunk = d.name;
        c->PubId = "/dev/" + d.name;
        c->setStartAndLength(0, hostSectorsKB(d.sectors));
        chunks[d.name] = c;
    }
    return c;
}

void HostStorage::addAliases() {
    for (const BlockDevice &d : devices->all()) {
        auto id = diskIds.find(d.name);
        if (d.kind != BlockKind::Disk || id == diskIds.end()) {
            continue;
        }
        std::vector<std::string> names = {d.name};
        names.insert(names.end(), d.byId.begin(), d.byId.end());
        for (const std::string &name : names) {
            if (name == id->second) {
                continue;
            }
            if (SrmId *a = make<SrmId>(HostBatchKind::Alias, name)) {
                a->PrimaryId = id->second;
                a->SecondaryId = name;
                a->IdType = "Disk";
            }
        }
    }
}

}  // namespace collector
