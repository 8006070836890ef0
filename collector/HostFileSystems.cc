#include <sys/statvfs.h>

#include <climits>
#include <set>

#include "collector/HostStorage.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVolume.h"

namespace collector {

// File systems, mount points and NFS shares of the host's storage.

namespace {

long blocksToKB(unsigned long long blocks, unsigned long long blockSize) {
    unsigned __int128 kb = static_cast<unsigned __int128>(blocks) * blockSize / 1024;
    return kb > LONG_MAX ? LONG_MAX : static_cast<long>(kb);
}

bool covers(const std::string &mountPath, const std::string &path) {
    return mountPath == "/" || path == mountPath ||
           (path.compare(0, mountPath.size(), mountPath) == 0 && path[mountPath.size()] == '/');
}

}  // namespace

SrmFileSystem *HostStorage::fileSystemFor(const BlockDevice &d, const std::string &type,
                                          const std::string &mountPath) {
    auto it = fileSystems.find(d.name);
    if (it != fileSystems.end()) {
        return it->second;
    }
    SrmVolume *v = volumeFor(d);
    if (v == nullptr) {
        return nullptr;
    }
    SrmFileSystem *fs = make<SrmFileSystem>(HostBatchKind::FileSystem, "fs:" + v->Id);
    if (fs == nullptr) {
        return nullptr;
    }
    fs->Volume = v->Id;
    fs->LId = fs->Id;
    fs->FSType = type;
    fs->PubId = mountPath.empty() ? v->Id : mountPath;
    fileSystems[d.name] = fs;
    if (!root.live() || mountPath.empty()) {
        return fs;  // sizes only of the live host's mounted file systems
    }
    struct statvfs st;
    if (statvfs(mountPath.c_str(), &st) != 0) {
        if (warn) {
            warn(mountPath + ": file system sizes cannot be read; left at 0");
        }
        return fs;
    }
    unsigned long long unit = st.f_frsize != 0 ? st.f_frsize : st.f_bsize;
    fs->setCapacity(blocksToKB(st.f_blocks, unit));
    fs->setFreeSpace(blocksToKB(st.f_bavail, unit));
    fs->setUsedSpace(blocksToKB(st.f_blocks >= st.f_bfree ? st.f_blocks - st.f_bfree : 0, unit));
    fs->setReservedSpace(
        blocksToKB(st.f_bfree >= st.f_bavail ? st.f_bfree - st.f_bavail : 0, unit));
    fs->setMaxFileCount(hostClampInt(st.f_files));
    fs->setFileCount(hostClampInt(st.f_files >= st.f_ffree ? st.f_files - st.f_ffree : 0));
    return fs;
}

void HostStorage::addFileSystems(const MountTable &mounts, const std::string &hostName) {
    std::set<std::string> mounted;
    std::map<std::string, SrmMountPoint *> byPath;
    mountedVolumes.clear();
    for (const MountEntry &m : mounts.mounts()) {
        // Mounts come in mount order: a later one on the same path hides the
        // earlier, whatever it is.
        mountedVolumes[m.target].clear();
        const BlockDevice *d = m.major != 0 ? devices->findByNumber(m.major, m.minor) : nullptr;
        if (d == nullptr && m.source.compare(0, 5, "/dev/") == 0) {
            d = devices->findByPath(root, m.source);  // btrfs and others without a device number
        }
        if (d == nullptr) {
            continue;  // no block device of this host's storage
        }
        mounted.insert(d->name);
        bool fresh = fileSystems.count(d->name) == 0;
        SrmFileSystem *fs = fileSystemFor(*d, m.fsType, m.fsRoot == "/" ? m.target : "");
        if (fs == nullptr) {
            continue;
        }
        if (!fresh && m.fsRoot == "/" && fs->PubId == fs->Volume) {
            fs->PubId = m.target;  // first seen through a bind mount of a sub-folder
        }
        SrmMountPoint *mp = byPath[m.target];
        if (mp == nullptr) {
            mp = byPath[m.target] = make<SrmMountPoint>(HostBatchKind::MountPoint, m.target);
            if (mp == nullptr) {
                continue;
            }
        }
        mp->PubId = m.target;
        mp->VolumeId = fs->Volume;
        mp->MountPointName = m.target;
        mp->MountToSystem = hostName;
        mp->MountAtStartup = mounts.mountedAtStartup(m.target) ? 1 : 0;
        mp->ReadOnly = m.readOnly ? 1 : 0;
        mp->MountLocation = fs->LId;
        mountedVolumes[m.target] = fs->Volume;
    }

    // File systems that are on a device but not mounted: only a device that
    // nothing else is built on and that is used as a whole (a disk with
    // partitions is not) can hold one.
    for (const BlockDevice &d : devices->all()) {
        if (mounted.count(d.name) != 0 || !d.holders.empty() ||
            (d.kind == BlockKind::Disk && (!d.partitions.empty() || diskIds.count(d.name) == 0)) ||
            (d.kind == BlockKind::Partition && chunks.count(d.name) == 0) ||
            ((d.kind == BlockKind::Md || d.kind == BlockKind::Dm) && volumes.count(d.name) == 0)) {
            continue;
        }
        const DeviceProbe &p = probe(d);
        if (p.fsUsage == "filesystem") {
            fileSystemFor(d, p.fsType, "");
        }
    }
}

void HostStorage::addShares(const std::vector<NfsExport> &exports, const std::string &hostName) {
    for (const NfsExport &e : exports) {
        // The file system the path lies on is the last mount of the longest
        // mount path that holds it; it counts only when it is on a volume.
        std::string best;
        for (const auto &m : mountedVolumes) {
            if (covers(m.first, e.path) && m.first.size() >= best.size()) {
                best = m.first;
            }
        }
        SrmShare *s = make<SrmShare>(HostBatchKind::Share, "nfs:" + e.path);
        if (s == nullptr) {
            continue;
        }
        s->PubId = hostName + ":" + e.path;
        s->ShareName = e.path;
        s->SharePath = e.path;
        s->ShareFsType = 0;  // NFS
        s->ShareDesc = e.clients;
        s->VolumeId = best.empty() ? std::string() : mountedVolumes[best];
        if (s->VolumeId.empty() && warn) {
            warn("export " + e.path +
                 " is on no file system of this host's disks; written without a volume");
        }
    }
}

}  // namespace collector
