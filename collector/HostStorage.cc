#include "collector/HostStorage.h"

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"

namespace collector {

// The host's storage as a whole: the steps in their order, and how every
// resource is made. The steps are in HostDisks.cc, HostVolumes.cc and
// HostFileSystems.cc.

namespace {

std::string kindWord(HostBatchKind k) {
    std::string file = hostBatch(k).file;
    return file.substr(0, file.find('.'));
}

}  // namespace

HostStorage::HostStorage(SrmResourceDatabase &database, const HostRoot &hostRoot,
                         const ScanWarnings &warnings)
    : db(database), root(hostRoot), warn(warnings) {}

template <typename T>
T *HostStorage::make(HostBatchKind kind, const std::string &id) {
    T *r = new T(id);
    // Two records of one identity would be merged into one by the database.
    if (db.findResource(r->type, id) != nullptr || db.addResource(r) == 0) {
        if (warn) {
            warn(kindWord(kind) + " \"" + id + "\" is already taken; the second one is left out");
        }
        r->Release();
        return nullptr;
    }
    r->Release();  // the database holds it
    order[static_cast<int>(kind)].push_back(r);
    return r;
}

void HostStorage::build(const BlockDevices &all, const MountTable &mounts,
                        const std::vector<NfsExport> &exports, const std::string &hostName) {
    devices = &all;
    addDisks();
    addVolumeManagers();
    addArrayVolumes();
    addVolumeGroups();
    addFileSystems(mounts, hostName);
    addShares(exports, hostName);
    addAliases();
    orderVolumes();
}

const DeviceProbe &HostStorage::probe(const BlockDevice &d) {
    auto it = probes.find(d.name);
    if (it == probes.end()) {
        it = probes.emplace(d.name, probeDevice(root, d, d.kind == BlockKind::Disk, warn)).first;
    }
    return it->second;
}

template SrmDisk *HostStorage::make<SrmDisk>(HostBatchKind, const std::string &);
template SrmDiskChunk *HostStorage::make<SrmDiskChunk>(HostBatchKind, const std::string &);
template SrmId *HostStorage::make<SrmId>(HostBatchKind, const std::string &);
template SrmVolumeManager *HostStorage::make<SrmVolumeManager>(HostBatchKind, const std::string &);
template SrmVolume *HostStorage::make<SrmVolume>(HostBatchKind, const std::string &);
template SrmVolumeGroup *HostStorage::make<SrmVolumeGroup>(HostBatchKind, const std::string &);
template SrmFileSystem *HostStorage::make<SrmFileSystem>(HostBatchKind, const std::string &);
template SrmMountPoint *HostStorage::make<SrmMountPoint>(HostBatchKind, const std::string &);
template SrmShare *HostStorage::make<SrmShare>(HostBatchKind, const std::string &);

}  // namespace collector
