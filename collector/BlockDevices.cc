#include "collector/BlockDevices.h"

#include <stdio.h>

#include <algorithm>

namespace collector {

namespace {

std::string baseName(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool parseDeviceNumber(const std::string &text, unsigned &major, unsigned &minor) {
    size_t colon = text.find(':');
    unsigned long long ma = 0;
    unsigned long long mi = 0;
    if (colon == std::string::npos || !hostParseNumber(text.substr(0, colon), ma) ||
        !hostParseNumber(text.substr(colon + 1), mi) || ma > 0xfffff || mi > 0xfffff) {
        return false;
    }
    major = static_cast<unsigned>(ma);
    minor = static_cast<unsigned>(mi);
    return true;
}

// "H:C:T:L", the name of a SCSI device's folder.
bool parseScsiAddress(const std::string &name, BlockDevice &d) {
    unsigned long long part[4];
    size_t from = 0;
    for (int i = 0; i < 4; ++i) {
        size_t colon = i < 3 ? name.find(':', from) : name.size();
        if (colon == std::string::npos ||
            !hostParseNumber(name.substr(from, colon - from), part[i]) || part[i] > 0xffffffffULL) {
            return false;
        }
        from = colon + 1;
    }
    d.hasScsiAddress = true;
    d.scsiChannel = static_cast<unsigned>(part[1]);
    d.scsiTarget = static_cast<unsigned>(part[2]);
    d.scsiLun = static_cast<unsigned>(part[3]);
    return true;
}

bool hasComponent(const std::string &link, const char *prefix, bool digitFollows) {
    std::string needle = std::string("/") + prefix;
    for (size_t at = link.find(needle); at != std::string::npos; at = link.find(needle, at + 1)) {
        size_t next = at + needle.size();
        if (!digitFollows || (next < link.size() && link[next] >= '0' && link[next] <= '9')) {
            return true;
        }
    }
    return false;
}

bool scsiLike(DiskTransport t) {
    return t == DiskTransport::Ata || t == DiskTransport::Scsi || t == DiskTransport::Sas ||
           t == DiskTransport::FibreChannel || t == DiskTransport::Usb;
}

std::string udevValue(const BlockDevice &d, const char *key) {
    auto it = d.udev.find(key);
    return it == d.udev.end() ? std::string() : it->second;
}

}  // namespace

DiskTransport blockTransportOf(const std::string &link) {
    if (hasComponent(link, "nvme", false)) {
        return DiskTransport::Nvme;
    }
    if (hasComponent(link, "usb", true)) {
        return DiskTransport::Usb;
    }
    if (hasComponent(link, "ata", true)) {
        return DiskTransport::Ata;
    }
    if (hasComponent(link, "rport-", false)) {
        return DiskTransport::FibreChannel;
    }
    if (hasComponent(link, "end_device-", false)) {
        return DiskTransport::Sas;
    }
    if (hasComponent(link, "host", true)) {
        return DiskTransport::Scsi;
    }
    if (hasComponent(link, "virtio", true)) {
        return DiskTransport::Virtio;
    }
    if (hasComponent(link, "mmc_host", false)) {
        return DiskTransport::Mmc;
    }
    return DiskTransport::Unknown;
}

int blockDiskType(DiskTransport t) {
    switch (t) {
        case DiskTransport::Scsi:
        case DiskTransport::Sas:
            return 2;  // "SCSI"
        case DiskTransport::FibreChannel:
            return 3;  // "FC"
        case DiskTransport::Ata:
            return 5;  // "Serial"
        case DiskTransport::Nvme:
        case DiskTransport::Virtio:
        case DiskTransport::Usb:
        case DiskTransport::Mmc:
            return 6;  // "Other"
        case DiskTransport::Unknown:
            break;
    }
    return 0;  // "Unknown"
}

std::map<std::string, std::string> blockParseUdev(const std::string &text) {
    std::map<std::string, std::string> props;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end - from > 2 && text.compare(from, 2, "E:") == 0) {
            std::string line = text.substr(from + 2, end - from - 2);
            size_t eq = line.find('=');
            if (eq != std::string::npos && eq > 0) {
                props[line.substr(0, eq)] = line.substr(eq + 1);
            }
        }
        from = end + 1;
    }
    return props;
}

void BlockDevices::read(const HostRoot &root, const ScanWarnings &warn) {
    devices.clear();
    byName.clear();
    for (const std::string &name : root.list("/sys/block")) {
        BlockDevice d;
        d.name = name;
        if (!readDevice(root, name, d, warn)) {
            continue;
        }
        bool disk = d.kind == BlockKind::Disk;
        devices.push_back(std::move(d));
        if (disk) {
            readPartitions(root, devices.back(), warn);
        }
    }
    for (size_t i = 0; i < devices.size(); ++i) {
        byName[devices[i].name] = i;
    }
    readByIdLinks(root);
}

bool BlockDevices::readDevice(const HostRoot &root, const std::string &name, BlockDevice &d,
                              const ScanWarnings &warn) {
    std::string sys = "/sys/block/" + name;
    std::string link;
    root.readLink(sys, link);  // a folder on old kernels: the link text stays empty
    if (!root.exists(sys)) {
        if (warn) {
            warn(name + ": device vanished while it was read; left out");
        }
        return false;
    }

    bool md = root.exists(sys + "/md");
    bool dm = root.exists(sys + "/dm");
    if (!md && !dm &&
        (link.find("/devices/virtual/") != std::string::npos || !root.exists(sys + "/device"))) {
        return false;  // loop, RAM, zram, nbd and the like are no storage of this host
    }

    std::string number;
    if (!root.readValue(sys + "/dev", number) || !parseDeviceNumber(number, d.major, d.minor)) {
        if (warn) {
            warn(name + ": no readable device number; device left out");
        }
        return false;
    }
    if (!root.readNumber(sys + "/size", d.sectors)) {
        if (warn) {
            warn(name + ": no readable size; device left out");
        }
        return false;
    }
    std::string udev;
    if (root.readFile("/run/udev/data/b" + number, udev)) {
        d.udev = blockParseUdev(udev);
    }
    d.slaves = root.list(sys + "/slaves");
    d.holders = root.list(sys + "/holders");

    if (md) {
        d.kind = BlockKind::Md;
        root.readValue(sys + "/md/level", d.mdLevel);
        root.readValue(sys + "/md/array_state", d.mdState);
        return true;
    }
    if (dm) {
        d.kind = BlockKind::Dm;
        if (!root.readValue(sys + "/dm/name", d.dmName) || d.dmName.empty()) {
            if (warn) {
                warn(name + ": device-mapper device without a name; device left out");
            }
            return false;
        }
        root.readValue(sys + "/dm/uuid", d.dmUuid);
        return true;
    }

    d.kind = BlockKind::Disk;
    d.transport = blockTransportOf(link);
    if (scsiLike(d.transport)) {
        unsigned long long type = 0;
        // SCSI peripheral types 0 (disk) and 14 (simplified disk); CD-ROMs,
        // tapes and enclosures are no disks.
        if (root.readNumber(sys + "/device/type", type) && type != 0 && type != 14) {
            return false;
        }
    }
    if (d.sectors == 0) {
        return false;  // a drive without a medium
    }
    readDisk(root, sys, d);
    return true;
}

void BlockDevices::readDisk(const HostRoot &root, const std::string &sys, BlockDevice &d) {
    root.readValue(sys + "/device/vendor", d.vendor);
    if (d.transport == DiskTransport::Virtio) {
        d.vendor.clear();  // a PCI vendor number, not a name
    }
    root.readValue(sys + "/device/model", d.model);
    if (!root.readValue(sys + "/device/rev", d.revision)) {
        root.readValue(sys + "/device/firmware_rev", d.revision);
    }
    if (!root.readValue(sys + "/serial", d.serial) || d.serial.empty()) {
        if (!root.readValue(sys + "/device/serial", d.serial) || d.serial.empty()) {
            d.serial = udevValue(d, "ID_SERIAL_SHORT");
        }
    }
    if (!root.readValue(sys + "/wwid", d.wwid) || d.wwid.empty()) {
        if (!root.readValue(sys + "/device/wwid", d.wwid) || d.wwid.empty()) {
            std::string wwn = udevValue(d, "ID_WWN");
            if (wwn.size() > 2 && wwn.compare(0, 2, "0x") == 0) {
                d.wwid = "naa." + wwn.substr(2);
            }
        }
    }
    std::string address;
    if (scsiLike(d.transport) && root.readLink(sys + "/device", address)) {
        parseScsiAddress(address.substr(address.rfind('/') + 1), d);
    }
    unsigned long long rpm = 0;
    if (hostParseNumber(udevValue(d, "ID_ATA_ROTATION_RATE_RPM"), rpm) && rpm < 1000000) {
        d.rpm = static_cast<unsigned>(rpm);
    }
}

void BlockDevices::readPartitions(const HostRoot &root, BlockDevice &disk,
                                  const ScanWarnings &warn) {
    std::string sys = "/sys/block/" + disk.name;
    std::vector<BlockDevice> parts;
    for (const std::string &name : root.list(sys)) {
        std::string dir = sys + "/" + name;
        if (!root.exists(dir + "/partition")) {
            continue;
        }
        BlockDevice p;
        p.name = name;
        p.kind = BlockKind::Partition;
        p.disk = disk.name;
        std::string number;
        unsigned long long partition = 0;
        if (!root.readValue(dir + "/dev", number) || !parseDeviceNumber(number, p.major, p.minor) ||
            !root.readNumber(dir + "/partition", partition) || partition > 0xffffffffULL ||
            !root.readNumber(dir + "/start", p.startSector) ||
            !root.readNumber(dir + "/size", p.sectors) || p.startSector > ~0ULL / 512) {
            if (warn) {
                warn(name + ": partition of " + disk.name +
                     " without a readable number, start or size; left out");
            }
            continue;
        }
        p.partitionNumber = static_cast<unsigned>(partition);
        std::string udev;
        if (root.readFile("/run/udev/data/b" + number, udev)) {
            p.udev = blockParseUdev(udev);
        }
        p.holders = root.list(dir + "/holders");
        parts.push_back(std::move(p));
    }
    std::sort(parts.begin(), parts.end(), [](const BlockDevice &a, const BlockDevice &b) {
        return a.partitionNumber < b.partitionNumber;
    });
    for (BlockDevice &p : parts) {
        disk.partitions.push_back(p.name);
    }
    // `disk` is the last device; appending may move it, so it is not used below.
    for (BlockDevice &p : parts) {
        devices.push_back(std::move(p));
    }
}

void BlockDevices::readByIdLinks(const HostRoot &root) {
    for (const std::string &name : root.list("/dev/disk/by-id")) {
        std::string target;
        if (!root.readLink("/dev/disk/by-id/" + name, target)) {
            continue;
        }
        auto it = byName.find(baseName(target));
        if (it != byName.end()) {
            devices[it->second].byId.push_back(name);
        }
    }
}

const BlockDevice *BlockDevices::find(const std::string &name) const {
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : &devices[it->second];
}

const BlockDevice *BlockDevices::findByNumber(unsigned major, unsigned minor) const {
    for (const BlockDevice &d : devices) {
        if (d.major == major && d.minor == minor) {
            return &d;
        }
    }
    return nullptr;
}

const BlockDevice *BlockDevices::findByPath(const HostRoot &root, const std::string &path) const {
    static const std::string mapper = "/dev/mapper/";
    if (path.compare(0, mapper.size(), mapper) == 0) {
        std::string name = path.substr(mapper.size());
        for (const BlockDevice &d : devices) {
            if (d.kind == BlockKind::Dm && d.dmName == name) {
                return &d;
            }
        }
        return nullptr;
    }
    if (path.compare(0, 5, "/dev/") != 0) {
        return nullptr;
    }
    std::string target;
    if (root.readLink(path, target)) {
        return find(baseName(target));
    }
    return find(baseName(path));
}

}  // namespace collector
