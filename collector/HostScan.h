// Scanning the Linux host the collector runs on (or a recorded copy of its
// /sys, /proc, /etc, /run/udev and /dev/disk) into the record-text batches the
// scanner hands to the database's add... methods, one batch per kind.
//
//   HostBatches batches;
//   if (scanHost(HostScanOptions{"/"}, warn, batches)) {
//       writeHostBatches(batches, "out", warn);
//   }
//
// Nothing here throws, aborts or stops at one bad device: what cannot be read
// is left out and reported through the warning sink, once per problem.
#ifndef COLLECTOR_HOST_SCAN_H
#define COLLECTOR_HOST_SCAN_H

#include <functional>
#include <string>

#include "inventory/persist/SrmBatches.h"

namespace collector {

// Receives one line of text per problem (no line end); the command-line tool
// prints them on standard error. May be empty: warnings are then dropped.
using ScanWarnings = std::function<void(const std::string &message)>;

// The batches in the order a scanner sends them, which is the order of
// kSrmBatches (inventory/persist/SrmBatches.h).
enum class HostBatchKind {
    Computer,
    VolumeManagerInfo,
    Disk,
    DiskChunk,
    Volume,
    VolumeGroup,
    FileSystem,
    MountPoint,
    Share,
    Alias,
};
constexpr int kHostBatchKindCount = static_cast<int>(kSrmBatchCount);

// The batch's kind, file name and add... native.
constexpr const SrmBatch &hostBatch(HostBatchKind kind) {
    return kSrmBatches[static_cast<int>(kind)];
}
static_assert(hostBatch(HostBatchKind::Computer).kind == SRM_RES_COMPUTER &&
                  hostBatch(HostBatchKind::VolumeManagerInfo).kind == SRM_RES_VOLUMEMANAGER &&
                  hostBatch(HostBatchKind::Disk).kind == SRM_RES_DISK &&
                  hostBatch(HostBatchKind::DiskChunk).kind == SRM_RES_DISKCHUNK &&
                  hostBatch(HostBatchKind::Volume).kind == SRM_RES_VOLUME &&
                  hostBatch(HostBatchKind::VolumeGroup).kind == SRM_RES_VOLUMEGROUP &&
                  hostBatch(HostBatchKind::FileSystem).kind == SRM_RES_FILESYSTEM &&
                  hostBatch(HostBatchKind::MountPoint).kind == SRM_RES_MOUNTPOINT &&
                  hostBatch(HostBatchKind::Share).kind == SRM_RES_SHARE &&
                  hostBatch(HostBatchKind::Alias).kind == SRM_RES_ID,
              "HostBatchKind follows kSrmBatches");

struct HostScanOptions {
    // The root folder everything is read below; "" or "/" is this host, and
    // only then are devices probed with libblkid, mounted file systems asked
    // for their sizes and network interfaces listed.
    std::string root = "/";
};

// One record-text batch per kind; an empty text is a batch without records.
struct HostBatches {
    std::string text[kHostBatchKindCount];

    const std::string &operator[](HostBatchKind k) const { return text[static_cast<int>(k)]; }
    std::string &operator[](HostBatchKind k) { return text[static_cast<int>(k)]; }
};

// Scans the host below `options.root` into `out` (replacing what it held).
// False only when no batch could be made at all (memory ran out, no root
// folder); unreadable devices, mounts and files are warnings, not failures.
bool scanHost(const HostScanOptions &options, const ScanWarnings &warn, HostBatches &out);

// Writes every batch to `dir` (which must exist) under its file name,
// replacing files of those names. False, with a warning, at the first file
// that cannot be written whole.
bool writeHostBatches(const HostBatches &batches, const std::string &dir, const ScanWarnings &warn);

}  // namespace collector

#endif
