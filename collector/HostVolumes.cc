#include <algorithm>
#include <set>
#include <string>

#include "collector/HostStorage.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"

namespace collector {

// Volumes: MD arrays and device-mapper devices with the chunks and
// sub-volumes they are built from, LVM volume groups, the volume managers in
// use, and the order volumes are written in.

namespace {

// The numbers by which volumes and groups name their manager.
const char kLvmNumber[] = "1";
const char kMdNumber[] = "2";

// A device-mapper UUID made by LVM: "LVM-", the group's and the volume's
// 32-character UUIDs, and a suffix for LVM's own layers ("-real", "-cow", ...).
constexpr size_t kLvmUuidLength = 4 + 32 + 32;

bool isLvm(const BlockDevice &d) {
    return d.kind == BlockKind::Dm && d.dmUuid.compare(0, 4, "LVM-") == 0 &&
           d.dmUuid.size() >= kLvmUuidLength;
}

std::string lvmGroupUuid(const BlockDevice &d) {
    return d.dmUuid.substr(4, 32);
}

std::string volumeIdOf(const BlockDevice &d) {
    return d.kind == BlockKind::Dm ? "/dev/mapper/" + d.dmName : "/dev/" + d.name;
}

}  // namespace

bool hostSplitLvmName(const std::string &dmName, std::string &vg, std::string &lv) {
    for (size_t i = 0; i < dmName.size(); ++i) {
        if (dmName[i] != '-') {
            continue;
        }
        if (i + 1 < dmName.size() && dmName[i + 1] == '-') {
            ++i;  // "--" is a "-" inside a name
            continue;
        }
        auto unescape = [](const std::string &s) {
            std::string out;
            for (size_t j = 0; j < s.size(); ++j) {
                out.push_back(s[j]);
                if (s[j] == '-' && j + 1 < s.size() && s[j + 1] == '-') {
                    ++j;
                }
            }
            return out;
        };
        vg = unescape(dmName.substr(0, i));
        lv = unescape(dmName.substr(i + 1));
        return !vg.empty() && !lv.empty();
    }
    return false;
}

void HostStorage::addVolumeManagers() {
    for (const BlockDevice &d : devices->all()) {
        haveMd = haveMd || d.kind == BlockKind::Md;
        haveLvm = haveLvm || isLvm(d);
    }
    if (haveLvm) {
        if (SrmVolumeManager *m = make<SrmVolumeManager>(HostBatchKind::VolumeManagerInfo, "LVM")) {
            m->VolumeMgrName = "LVM";
            m->IdType = 1;
        }
    }
    if (haveMd) {
        if (SrmVolumeManager *m = make<SrmVolumeManager>(HostBatchKind::VolumeManagerInfo, "md")) {
            m->VolumeMgrName = "md";
            m->IdType = 2;
        }
    }
}

SrmVolume *HostStorage::volumeFor(const BlockDevice &d) {
    auto it = volumes.find(d.name);
    if (it != volumes.end()) {
        return it->second;
    }
    if (d.kind != BlockKind::Partition && d.kind != BlockKind::Disk) {
        return nullptr;
    }
    SrmDiskChunk *c = chunkFor(d);
    if (c == nullptr) {
        return nullptr;
    }
    // A file system needs a volume to sit on: one of this single chunk.
    SrmVolume *v = make<SrmVolume>(HostBatchKind::Volume, volumeIdOf(d));
    if (v != nullptr) {
        v->Name = d.name;
        v->PubId = v->Id;
        v->LId = d.name;
        v->setCapacity(hostSectorsKB(d.sectors));
        v->VolumeTypeDesc = d.kind == BlockKind::Partition ? "partition" : "disk";
        v->addDiskChunk(c);
        volumes[d.name] = v;
    }
    return v;
}

void HostStorage::addArrayVolumes() {
    // Every volume first, then the members, so that a sub-volume is found
    // whatever the order of the devices.
    for (const BlockDevice &d : devices->all()) {
        if (d.kind != BlockKind::Md && d.kind != BlockKind::Dm) {
            continue;
        }
        SrmVolume *v = make<SrmVolume>(HostBatchKind::Volume, volumeIdOf(d));
        if (v == nullptr) {
            continue;
        }
        volumes[d.name] = v;
        v->PubId = v->Id;
        v->LId = d.name;
        v->setCapacity(hostSectorsKB(d.sectors));
        std::string vg;
        std::string lv;
        if (d.kind == BlockKind::Md) {
            v->Name = d.name;
            v->VolumeTypeDesc = d.mdLevel;
            v->StatusDesc = d.mdState;
            v->setVolumeMgrId(kMdNumber);
        } else if (isLvm(d) && hostSplitLvmName(d.dmName, vg, lv)) {
            v->Name = lv;
            v->VolumeTypeDesc = "LVM";
            v->setVolumeMgrId(kLvmNumber);
        } else {
            v->Name = d.dmName;
            // The subsystem that made the device: "CRYPT", "mpath", ...
            v->VolumeTypeDesc = d.dmUuid.substr(0, d.dmUuid.find('-'));
        }
    }
    for (const BlockDevice &d : devices->all()) {
        auto held = volumes.find(d.name);
        if (held == volumes.end() || (d.kind != BlockKind::Md && d.kind != BlockKind::Dm)) {
            continue;
        }
        SrmVolume *v = held->second;
        for (const std::string &s : d.slaves) {
            const BlockDevice *m = devices->find(s);
            auto sub = volumes.find(s);
            if (m != nullptr && (m->kind == BlockKind::Md || m->kind == BlockKind::Dm) &&
                sub != volumes.end()) {
                if (v->addSubVolume(sub->second) != 0) {
                    subVolumes[v].push_back(sub->second);
                } else if (warn) {
                    warn(v->Id + ": sub-volume " + sub->second->Id + " refused (it would hold " +
                         v->Id + "); left out");
                }
                continue;
            }
            SrmDiskChunk *c = m != nullptr ? chunkFor(*m) : nullptr;
            if (c != nullptr) {
                v->addDiskChunk(c);
            } else if (warn) {
                warn(v->Id + ": member " + s +
                     " is no disk, partition or volume of this host; left out");
            }
        }
    }
}

void HostStorage::disksBelow(const BlockDevice &d, std::vector<std::string> &disks, int depth) {
    if (depth > 32) {
        return;  // sysfs never stacks this deep; a recorded tree with a loop might
    }
    if (d.kind == BlockKind::Disk || d.kind == BlockKind::Partition) {
        const std::string &disk = d.kind == BlockKind::Disk ? d.name : d.disk;
        if (diskIds.count(disk) != 0 &&
            std::find(disks.begin(), disks.end(), disk) == disks.end()) {
            disks.push_back(disk);
        }
        return;
    }
    for (const std::string &s : d.slaves) {
        if (const BlockDevice *m = devices->find(s)) {
            disksBelow(*m, disks, depth + 1);
        }
    }
}

void HostStorage::addVolumeGroups() {
    std::vector<std::string> uuids;  // in order of first appearance
    std::map<std::string, std::pair<std::string, std::vector<const BlockDevice *>>> groups;
    for (const BlockDevice &d : devices->all()) {
        std::string vg;
        std::string lv;
        if (!isLvm(d) || !hostSplitLvmName(d.dmName, vg, lv)) {
            continue;
        }
        auto &group = groups[lvmGroupUuid(d)];
        if (group.first.empty()) {
            uuids.push_back(lvmGroupUuid(d));
            group.first = vg;
        }
        group.second.push_back(&d);
    }
    for (const std::string &uuid : uuids) {
        const auto &group = groups[uuid];
        SrmVolumeGroup *g = make<SrmVolumeGroup>(HostBatchKind::VolumeGroup, group.first);
        if (g == nullptr) {
            continue;
        }
        g->Name = group.first;
        g->setVolumeMgrId(kLvmNumber);
        // The physical volumes are the first devices below the group's own
        // devices that do not belong to the group.
        std::vector<const BlockDevice *> pending(group.second.begin(), group.second.end());
        std::set<std::string> seen;
        std::vector<std::string> disks;
        long capacity = 0;
        while (!pending.empty()) {
            const BlockDevice *d = pending.back();
            pending.pop_back();
            for (const std::string &s : d->slaves) {
                const BlockDevice *m = devices->find(s);
                if (m == nullptr || !seen.insert(s).second) {
                    continue;
                }
                if (isLvm(*m) && lvmGroupUuid(*m) == uuid) {
                    pending.push_back(m);
                    continue;
                }
                capacity += hostSectorsKB(m->sectors);
                disksBelow(*m, disks, 0);
            }
        }
        g->setCapacity(capacity);
        std::sort(disks.begin(), disks.end());
        for (const std::string &disk : disks) {
            g->addDisk(db.findResource(SRM_RES_DISK, diskIds[disk]));
        }
        for (const BlockDevice *d : group.second) {
            auto v = volumes.find(d->name);
            if (v != volumes.end()) {
                g->addVolume(v->second);
            }
        }
    }
}

void HostStorage::orderVolumes() {
    // A sub-volume's own record must come before the volume that lists it:
    // read the other way round, the database would first make it an empty
    // placeholder.
    std::vector<SrmResource *> &list = order[static_cast<int>(HostBatchKind::Volume)];
    std::vector<SrmResource *> sorted;
    std::set<SrmVolume *> placed;
    std::vector<std::pair<SrmVolume *, size_t>> stack;
    for (SrmResource *r : list) {
        auto *top = static_cast<SrmVolume *>(r);
        if (!placed.insert(top).second) {
            continue;
        }
        stack.emplace_back(top, 0);
        while (!stack.empty()) {
            SrmVolume *v = stack.back().first;
            size_t next = stack.back().second++;
            const std::vector<SrmVolume *> &subs = subVolumes[v];
            if (next < subs.size()) {
                if (placed.insert(subs[next]).second) {
                    stack.emplace_back(subs[next], 0);
                }
                continue;
            }
            sorted.push_back(v);
            stack.pop_back();
        }
    }
    list.swap(sorted);
}

}  // namespace collector
