// The mounts of the host, from its mount table (/proc/self/mountinfo, parsed
// with libmount), and which mount points /etc/fstab mounts at startup.
#ifndef COLLECTOR_MOUNT_TABLE_H
#define COLLECTOR_MOUNT_TABLE_H

#include <set>
#include <string>
#include <vector>

#include "collector/HostRoot.h"
#include "collector/HostScan.h"

namespace collector {

struct MountEntry {
    std::string source;  // "/dev/sda1", "proc", "server:/export"
    std::string target;  // where it is mounted
    std::string fsType;
    std::string fsRoot;  // the folder of the file system mounted here ("/" unless a bind mount)
    unsigned major = 0;  // the mounted device's number (0:N for file systems without one)
    unsigned minor = 0;
    bool readOnly = false;
};

class MountTable {
  public:
    // Reads /proc/self/mountinfo (or /proc/mounts) and /etc/fstab below
    // `root`. Lines libmount cannot parse are skipped with a warning; a
    // missing fstab is no problem.
    void read(const HostRoot &root, const ScanWarnings &warn);

    // In mount order.
    const std::vector<MountEntry> &mounts() const { return entries; }
    // True when /etc/fstab mounts `target` at startup (listed without "noauto").
    bool mountedAtStartup(const std::string &target) const { return startup.count(target) != 0; }

  private:
    std::vector<MountEntry> entries;
    std::set<std::string> startup;
};

}  // namespace collector

#endif
