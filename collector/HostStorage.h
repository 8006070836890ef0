// The host's storage as resources: disks and their partitions (disk chunks),
// MD and device-mapper volumes with the chunks and sub-volumes they are built
// from, LVM volume groups, the volume managers in use, file systems and mount
// points of block devices, NFS exports and the disks' other names (aliases).
//
// Identities, chosen so that no two kinds share one (the report keys its
// associations by the identities of both ends):
//   disk         "wwn-0x<naa>", "eui-<eui64>", "serial-<serial>", else the kernel name
//   disk chunk   the partition's kernel name; "<disk>-whole" for a whole disk
//                used as one piece (an array member, a file system without partitions)
//   volume       the device path: "/dev/md0", "/dev/mapper/<name>", "/dev/sda1"
//   volume group the LVM volume group name
//   file system  "fs:" and its volume's identity
//   mount point  the mount path
//   share        "nfs:" and the exported path
//   alias        the other name itself (kernel name, /dev/disk/by-id name)
//   volume manager "LVM" (number 1), "md" (number 2)
#ifndef COLLECTOR_HOST_STORAGE_H
#define COLLECTOR_HOST_STORAGE_H

#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <vector>

#include "collector/BlockDevices.h"
#include "collector/DeviceProbe.h"
#include "collector/HostRoot.h"
#include "collector/HostScan.h"
#include "collector/MountTable.h"
#include "collector/NfsExports.h"

class SrmDiskChunk;
class SrmFileSystem;
class SrmResource;
class SrmResourceDatabase;
class SrmVolume;

namespace collector {

// Its steps are in HostDisks.cc (disks, chunks, aliases), HostVolumes.cc
// (volume managers, arrays, LVM groups, the order of volumes) and
// HostFileSystems.cc (file systems, mount points, shares).
class HostStorage {
  public:
    // Resources are added to `db`, which must outlive this and holds them.
    HostStorage(SrmResourceDatabase &db, const HostRoot &root, const ScanWarnings &warn);

    HostStorage(const HostStorage &) = delete;
    HostStorage &operator=(const HostStorage &) = delete;

    // Makes every resource. `hostName` names the computer mounts belong to.
    void build(const BlockDevices &devices, const MountTable &mounts,
               const std::vector<NfsExport> &exports, const std::string &hostName);

    // The resources of one batch in the order they are written: each volume
    // after its sub-volumes. The database holds them.
    const std::vector<SrmResource *> &batch(HostBatchKind kind) const {
        return order[static_cast<int>(kind)];
    }
    // The capacity of all disks, in KB.
    long diskCapacityKB() const { return capacityKB; }

  private:
    // A new resource of kind T with `id`, added to the database and to the
    // batch `kind`; null (with a warning) when the identity is taken.
    template <typename T>
    T *make(HostBatchKind kind, const std::string &id);

    void addDisks();
    void addVolumeManagers();
    void addArrayVolumes();
    void addVolumeGroups();
    void addFileSystems(const MountTable &mounts, const std::string &hostName);
    void addShares(const std::vector<NfsExport> &exports, const std::string &hostName);
    void addAliases();
    void orderVolumes();

    // The chunk that stands for partition or disk `d` (a whole disk's chunk is
    // made on first use); null for other devices and unknown disks.
    SrmDiskChunk *chunkFor(const BlockDevice &d);
    // The volume of device `d`; for a partition or a disk, a volume of its one
    // chunk is made on first use. Null when `d` cannot carry one.
    SrmVolume *volumeFor(const BlockDevice &d);
    SrmFileSystem *fileSystemFor(const BlockDevice &d, const std::string &type,
                                 const std::string &mountPath);
    const DeviceProbe &probe(const BlockDevice &d);
    // Each hardware disk below `d`, by kernel name, added to `disks` once.
    void disksBelow(const BlockDevice &d, std::vector<std::string> &disks, int depth);

    SrmResourceDatabase &db;
    const HostRoot &root;
    const ScanWarnings &warn;
    const BlockDevices *devices = nullptr;

    std::vector<SrmResource *> order[kHostBatchKindCount];
    std::map<std::string, std::string> diskIds;          // kernel name -> disk Id
    std::map<std::string, SrmDiskChunk *> chunks;        // kernel name -> chunk
    std::map<std::string, SrmVolume *> volumes;          // kernel name -> volume
    std::map<std::string, SrmFileSystem *> fileSystems;  // kernel name -> file system
    std::map<std::string, DeviceProbe> probes;
    std::map<SrmVolume *, std::vector<SrmVolume *>> subVolumes;  // as linked
    std::map<std::string, std::string> mountedVolumes;  // mount path -> volume Id, "" for none
    bool haveMd = false;
    bool haveLvm = false;
    long capacityKB = 0;
};

// Sizes as records carry them: 512-byte sectors in KB, and a count that
// stays within an int.
inline long hostSectorsKB(unsigned long long sectors) {
    return static_cast<long>(std::min<unsigned long long>(sectors / 2, LONG_MAX));
}
inline int hostClampInt(unsigned long long n) {
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

// The disk's identity from its WWN or EUI-64 ("naa.…", "eui.…" as sysfs
// writes them) or its serial number; "" when it has none of them.
std::string hostStableDiskId(const BlockDevice &d);

// The volume group and logical volume names of a device-mapper name made by
// LVM ("vg-lv", with a "-" inside a name written "--"); false when `dmName`
// has no single "-".
bool hostSplitLvmName(const std::string &dmName, std::string &vg, std::string &lv);

}  // namespace collector

#endif
