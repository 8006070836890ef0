#include "collector/HostScan.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <new>

#include "collector/BlockDevices.h"
#include "collector/HostFacts.h"
#include "collector/HostRoot.h"
#include "collector/HostStorage.h"
#include "collector/MountTable.h"
#include "collector/NfsExports.h"
#include "inventory/kinds/SrmComputer.h"
#include "inventory/model/SrmResourceDatabase.h"

namespace collector {

namespace {

class Fd {
  public:
    explicit Fd(int fd) : fd(fd) {}
    ~Fd() {
        if (fd >= 0) {
            close(fd);
        }
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd; }

  private:
    int fd;
};

// The records the resources write, in order: each kind writes itself (and
// volumes and groups their member records) to a descriptor, here a file in
// memory that is emptied for every batch.
bool writeRecords(int fd, const std::vector<SrmResource *> &resources, std::string &out) {
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) {
        return false;
    }
    for (SrmResource *r : resources) {
        if (r->serialize(fd, 0) == 0) {
            return false;
        }
    }
    off_t size = lseek(fd, 0, SEEK_CUR);
    if (size < 0 || lseek(fd, 0, SEEK_SET) != 0) {
        return false;
    }
    out.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = read(fd, &out[done], out.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool scan(const HostScanOptions &options, const ScanWarnings &warn, HostBatches &out) {
    HostRoot root(options.root);
    if (!root.exists("/")) {
        if (warn) {
            warn(options.root + ": no such folder; nothing scanned");
        }
        return false;
    }
    Fd records(memfd_create("ulvar-batch", MFD_CLOEXEC));
    if (records.get() < 0) {
        if (warn) {
            warn(std::string("no memory file for the records: ") + strerror(errno));
        }
        return false;
    }

    SrmResourceDatabase db;
    std::vector<SrmResource *> computers;
    SrmComputer *computer = new SrmComputer();
    if (hostReadComputer(root, *computer, warn) && db.addComputer(computer, 1) != 0) {
        computers.push_back(computer);
    }
    computer->Release();  // the database holds it, or it is not wanted

    BlockDevices devices;
    devices.read(root, warn);
    MountTable mounts;
    mounts.read(root, warn);
    std::vector<NfsExport> exports = nfsReadExports(root, warn);

    HostStorage storage(db, root, warn);
    std::string hostName = computers.empty() ? std::string() : computer->HostName;
    storage.build(devices, mounts, exports, hostName);
    if (!computers.empty()) {
        computer->setCapacity(storage.diskCapacityKB());
    }

    for (int k = 0; k < kHostBatchKindCount; ++k) {
        auto kind = static_cast<HostBatchKind>(k);
        const std::vector<SrmResource *> &resources =
            kind == HostBatchKind::Computer ? computers : storage.batch(kind);
        if (!writeRecords(records.get(), resources, out[kind])) {
            if (warn) {
                warn(std::string(hostBatch(kind).file) + ": records cannot be written");
            }
            return false;
        }
    }
    return true;
}

}  // namespace

bool scanHost(const HostScanOptions &options, const ScanWarnings &warn, HostBatches &out) {
    try {
        out = HostBatches();
        return scan(options, warn, out);
    } catch (const std::bad_alloc &) {
        if (warn) {
            warn("out of memory; scan abandoned");
        }
    } catch (...) {
        if (warn) {
            warn("scan abandoned on an unexpected failure");
        }
    }
    return false;
}

bool writeHostBatches(const HostBatches &batches, const std::string &dir,
                      const ScanWarnings &warn) {
    try {
        for (int k = 0; k < kHostBatchKindCount; ++k) {
            auto kind = static_cast<HostBatchKind>(k);
            std::string path = dir + "/" + hostBatch(kind).file;
            const std::string &text = batches[kind];
            Fd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
            size_t done = 0;
            while (fd.get() >= 0 && done < text.size()) {
                ssize_t n = write(fd.get(), text.data() + done, text.size() - done);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    break;
                }
                done += static_cast<size_t>(n);
            }
            if (fd.get() < 0 || done < text.size() || fsync(fd.get()) != 0) {
                if (warn) {
                    warn(path + ": cannot be written (" + strerror(errno) + ")");
                }
                return false;
            }
        }
        return true;
    } catch (...) {
        if (warn) {
            warn("out of memory while writing the batches");
        }
        return false;
    }
}

}  // namespace collector
