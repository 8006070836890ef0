// The block devices of a host as sysfs shows them under /sys/block: hardware
// disks with their partitions, MD RAID arrays and device-mapper devices, each
// with what the udev database and /dev/disk/by-id add to it. Loop, RAM,
// zram and other virtual devices are left out.
#ifndef COLLECTOR_BLOCK_DEVICES_H
#define COLLECTOR_BLOCK_DEVICES_H

#include <map>
#include <string>
#include <vector>

#include "collector/HostRoot.h"
#include "collector/HostScan.h"

namespace collector {

enum class BlockKind { Disk, Partition, Md, Dm };

// How a disk is attached, from its place in the sysfs device tree.
enum class DiskTransport { Unknown, Ata, Scsi, Sas, FibreChannel, Nvme, Virtio, Usb, Mmc };

struct BlockDevice {
    std::string name;  // kernel name: "sda", "sda1", "md0", "dm-2"
    BlockKind kind = BlockKind::Disk;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long long sectors = 0;  // size in 512-byte sectors

    // Partitions: the disk they lie on and where.
    std::string disk;
    unsigned long long startSector = 0;
    unsigned partitionNumber = 0;
    // Disks: their partitions' kernel names, in partition number order.
    std::vector<std::string> partitions;

    // The devices this one is built from, and those built on it.
    std::vector<std::string> slaves;
    std::vector<std::string> holders;

    // Disks.
    DiskTransport transport = DiskTransport::Unknown;
    std::string vendor;
    std::string model;
    std::string revision;
    std::string serial;
    std::string wwid;  // the device's world-wide identifier as sysfs or udev gives it
    bool hasScsiAddress = false;
    unsigned scsiChannel = 0;
    unsigned scsiTarget = 0;
    unsigned scsiLun = 0;
    unsigned rpm = 0;

    // MD arrays.
    std::string mdLevel;
    std::string mdState;

    // Device-mapper devices.
    std::string dmName;
    std::string dmUuid;

    // udev database properties (E: lines) and the /dev/disk/by-id names that
    // point at this device, sorted.
    std::map<std::string, std::string> udev;
    std::vector<std::string> byId;
};

class BlockDevices {
  public:
    // Reads /sys/block below `root`. A device whose attributes cannot be read
    // or make no sense is left out with a warning; nothing else stops the read.
    void read(const HostRoot &root, const ScanWarnings &warn);

    // The devices in kernel name order (partitions after their disk).
    const std::vector<BlockDevice> &all() const { return devices; }
    // The device of that kernel name, or null. Valid until the next read.
    const BlockDevice *find(const std::string &name) const;
    const BlockDevice *findByNumber(unsigned major, unsigned minor) const;
    // The device a path below /dev names ("/dev/sda1", "/dev/mapper/vg-lv",
    // "/dev/md0", a /dev/disk/... link), or null.
    const BlockDevice *findByPath(const HostRoot &root, const std::string &path) const;

  private:
    bool readDevice(const HostRoot &root, const std::string &name, BlockDevice &d,
                    const ScanWarnings &warn);
    void readDisk(const HostRoot &root, const std::string &sys, BlockDevice &d);
    void readPartitions(const HostRoot &root, BlockDevice &disk, const ScanWarnings &warn);
    void readByIdLinks(const HostRoot &root);

    std::vector<BlockDevice> devices;
    std::map<std::string, size_t> byName;
};

// The transport of a disk whose /sys/block link reads `sysfsLink`, and the
// disk type code the report shows for it (0 unknown, 2 SCSI, 3 FC, 5 serial,
// 6 other).
DiskTransport blockTransportOf(const std::string &sysfsLink);
int blockDiskType(DiskTransport t);

// Parses a udev database file: its "E:KEY=value" lines.
std::map<std::string, std::string> blockParseUdev(const std::string &text);

}  // namespace collector

#endif
