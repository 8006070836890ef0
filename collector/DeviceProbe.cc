#include "collector/DeviceProbe.h"

#include <blkid.h>
#include <errno.h>
#include <stdint.h>
#include <string.h>

#include <memory>

namespace collector {

namespace {

struct ProbeFree {
    void operator()(blkid_probe p) const { blkid_free_probe(p); }
};

std::string lookup(blkid_probe p, const char *name) {
    const char *value = nullptr;
    if (blkid_probe_lookup_value(p, name, &value, nullptr) == 0 && value != nullptr) {
        return value;
    }
    return std::string();
}

bool probeWithBlkid(const std::string &node, bool partitionTable, DeviceProbe &out, int &err) {
    errno = 0;
    std::unique_ptr<blkid_struct_probe, ProbeFree> p(blkid_new_probe_from_filename(node.c_str()));
    if (!p) {
        err = errno != 0 ? errno : EIO;
        return false;
    }
    blkid_probe_enable_superblocks(p.get(), 1);
    blkid_probe_set_superblocks_flags(p.get(), BLKID_SUBLKS_TYPE | BLKID_SUBLKS_USAGE);
    blkid_probe_enable_partitions(p.get(), partitionTable ? 1 : 0);
    // 1 means nothing was found, which is an answer; only -1 is a failure.
    // -2 (two signatures that contradict each other) leaves the values empty.
    errno = 0;
    if (blkid_do_safeprobe(p.get()) == -1) {
        err = errno != 0 ? errno : EIO;
        return false;
    }
    out.fsType = lookup(p.get(), "TYPE");
    out.fsUsage = lookup(p.get(), "USAGE");
    if (partitionTable) {
        out.ptUuid = lookup(p.get(), "PTUUID");
        out.ptType = lookup(p.get(), "PTTYPE");
    }
    return true;
}

std::string udevValue(const BlockDevice &d, const char *key) {
    auto it = d.udev.find(key);
    return it == d.udev.end() ? std::string() : it->second;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The identifier's hex digits (dashes dropped) XORed in groups of eight; false
// for anything but 8 or 32 hex digits.
bool foldTableId(const std::string &id, unsigned long &out) {
    std::string digits;
    for (char c : id) {
        if (c == '-') {
            continue;
        }
        if (hexDigit(c) < 0) {
            return false;
        }
        digits.push_back(c);
    }
    if (digits.size() != 8 && digits.size() != 32) {
        return false;
    }
    unsigned long folded = 0;
    for (size_t group = 0; group < digits.size(); group += 8) {
        unsigned long word = 0;
        for (size_t i = group; i < group + 8; ++i) {
            word = (word << 4) | static_cast<unsigned long>(hexDigit(digits[i]));
        }
        folded ^= word;
    }
    out = folded & 0xffffffffUL;
    return true;
}

}  // namespace

DeviceProbe probeDevice(const HostRoot &root, const BlockDevice &d, bool partitionTable,
                        const ScanWarnings &warn) {
    DeviceProbe out;
    if (root.live()) {
        int err = 0;
        if (probeWithBlkid("/dev/" + d.name, partitionTable, out, err)) {
            return out;
        }
        if (warn) {
            warn("/dev/" + d.name + ": cannot be read (" + strerror(err) +
                 "); what is on it is taken from the udev database");
        }
        out = DeviceProbe();
    }
    out.fsType = udevValue(d, "ID_FS_TYPE");
    out.fsUsage = udevValue(d, "ID_FS_USAGE");
    if (partitionTable) {
        out.ptUuid = udevValue(d, "ID_PART_TABLE_UUID");
        out.ptType = udevValue(d, "ID_PART_TABLE_TYPE");
    }
    return out;
}

long diskSignature(const std::string &ptUuid, const std::string &diskId, bool *fromTable) {
    unsigned long folded = 0;
    bool table = !ptUuid.empty() && foldTableId(ptUuid, folded);
    if (!table) {
        uint32_t hash = 2166136261u;
        for (unsigned char c : diskId) {
            hash = (hash ^ c) * 16777619u;
        }
        folded = hash;
    }
    if (fromTable != nullptr) {
        *fromTable = table;
    }
    return static_cast<long>(folded);
}

}  // namespace collector
