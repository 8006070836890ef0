// What is written on a block device: the identifier and type of its partition
// table, and the type and use of the file system (or swap, RAID member, LVM
// physical volume...) on it. Read with libblkid from the device itself when
// the root is this host, else (or when the device cannot be read) from the
// udev database.
#ifndef COLLECTOR_DEVICE_PROBE_H
#define COLLECTOR_DEVICE_PROBE_H

#include <string>

#include "collector/BlockDevices.h"
#include "collector/HostRoot.h"
#include "collector/HostScan.h"

namespace collector {

struct DeviceProbe {
    std::string ptUuid;   // partition table identifier: MBR "1a2b3c4d", GPT a GUID
    std::string ptType;   // "dos", "gpt"
    std::string fsType;   // "ext4", "xfs", "swap", "linux_raid_member", ...
    std::string fsUsage;  // "filesystem", "raid", "crypto", "other"
};

// Probes `d`. `partitionTable` asks for the partition table too (for whole
// disks). A device that cannot be opened on this host is a warning, and its
// udev data is used instead.
DeviceProbe probeDevice(const HostRoot &root, const BlockDevice &d, bool partitionTable,
                        const ScanWarnings &warn);

// The disk signature: the partition table identifier folded to 32 bits (the
// MBR identifier as it is, a GPT GUID's four 32-bit words XORed), or, for a
// disk without a partition table identifier, the 32-bit FNV-1a hash of
// `diskId`. Never negative. `fromTable` tells which of the two it was.
long diskSignature(const std::string &ptUuid, const std::string &diskId, bool *fromTable);

}  // namespace collector

#endif
