#include "tools/ResourceText.h"

#include <cstdio>
#include <initializer_list>
#include <string>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/kinds/SrmVolumeManager.h"
#include "inventory/model/SrmServiceGroup.h"

namespace ulvar_tool {

namespace {

std::string joined(std::initializer_list<std::string> parts, const char *separator = ", ") {
    std::string text;
    for (const std::string &part : parts) {
        if (part.empty()) {
            continue;
        }
        if (!text.empty()) {
            text += separator;
        }
        text += part;
    }
    return text;
}

// "name: detail, detail", or the details alone without a name.
std::string named(const std::string &name, std::initializer_list<std::string> details) {
    std::string rest = joined(details);
    if (name.empty()) {
        return rest;
    }
    return rest.empty() ? name : name + ": " + rest;
}

std::string sizeText(long kb, const char *what) {
    return kb > 0 ? humanSize(kb) + " " + what : std::string();
}

std::string managerText(SrmVolumeManager *m) {
    return m != nullptr ? joined({m->VolumeMgrName, m->VolumeMgrVersion}, " ") : std::string();
}
}  // namespace

long sizeKB(SrmResource *r) {
    switch (r->type) {
        // Scanners leave a computer's capacity at 0 more often than not.
        case SRM_RES_COMPUTER: {
            long kb = static_cast<SrmComputer *>(r)->getCapacity();
            return kb > 0 ? kb : -1;
        }
        case SRM_RES_DISK:
            return static_cast<SrmDisk *>(r)->CapacityKB;
        case SRM_RES_DISKCHUNK:
            return static_cast<SrmDiskChunk *>(r)->Length;
        case SRM_RES_VOLUME:
            return static_cast<SrmVolume *>(r)->CapacityKB;
        case SRM_RES_VOLUMEGROUP:
            return static_cast<SrmVolumeGroup *>(r)->CapacityKB;
        case SRM_RES_FILESYSTEM:
            return static_cast<SrmFileSystem *>(r)->CapacityKB;
        default:
            return -1;
    }
}

std::string humanSize(long kb) {
    static const char units[] = "KMGTPE";
    if (kb <= 0) {
        return "0B";
    }
    double value = static_cast<double>(kb);
    int unit = 0;
    while (value >= 1024 && units[unit + 1] != '\0') {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string number = text;
    // "1.0" reads "1", as lsblk writes it.
    if (number.size() > 2 && number.compare(number.size() - 2, 2, ".0") == 0) {
        number.resize(number.size() - 2);
    }
    return number + units[unit];
}

std::string displayName(SrmResource *r) {
    switch (r->type) {
        case SRM_RES_COMPUTER:
            return static_cast<SrmComputer *>(r)->HostName;
        case SRM_RES_DISK:
            return static_cast<SrmDisk *>(r)->Name;
        case SRM_RES_DISKCHUNK:
            return static_cast<SrmDiskChunk *>(r)->DiskChunk;
        case SRM_RES_VOLUME:
            return static_cast<SrmVolume *>(r)->Name;
        case SRM_RES_VOLUMEGROUP:
            return static_cast<SrmVolumeGroup *>(r)->Name;
        case SRM_RES_VOLUMEMANAGER:
            return managerText(static_cast<SrmVolumeManager *>(r));
        case SRM_RES_FILESYSTEM:
            return r->PubId;
        case SRM_RES_MOUNTPOINT:
            return static_cast<SrmMountPoint *>(r)->MountPointName;
        case SRM_RES_SHARE:
            return static_cast<SrmShare *>(r)->ShareName;
        case SRM_RES_VIRTUALSERVER:
            return static_cast<SrmVirtualServer *>(r)->Name;
        case SRM_RES_ID:
            return static_cast<SrmId *>(r)->SecondaryId;
        default:
            return std::string();
    }
}

std::string describe(SrmResource *r) {
    switch (r->type) {
        case SRM_RES_COMPUTER: {
            auto *c = static_cast<SrmComputer *>(r);
            return named(
                displayName(r),
                {joined({c->OS, c->OSInfo}, " "),
                 c->ProcCount > 0 ? std::to_string(c->ProcCount) + " CPUs" : "",
                 c->RAMMB > 0 ? humanSize(static_cast<long>(c->RAMMB) * 1024) + " RAM" : "",
                 c->IPAddr, c->TIM != 0 ? "scanned here" : ""});
        }
        case SRM_RES_DISK: {
            auto *d = static_cast<SrmDisk *>(r);
            return named(displayName(r), {joined({d->Make, d->Model}, " "), d->StatusDesc,
                                          d->Sign < 0 ? "no signature" : ""});
        }
        case SRM_RES_DISKCHUNK: {
            auto *c = static_cast<SrmDiskChunk *>(r);
            return named(displayName(r), {"start " + std::to_string(c->Start)});
        }
        case SRM_RES_VOLUME: {
            auto *v = static_cast<SrmVolume *>(r);
            return named(displayName(r),
                         {v->VolumeTypeDesc, v->StatusDesc, managerText(v->getVolumeManager())});
        }
        case SRM_RES_VOLUMEGROUP: {
            auto *g = static_cast<SrmVolumeGroup *>(r);
            return named(displayName(r), {g->StatusDesc, sizeText(g->FreeSpaceKB, "free"),
                                          managerText(g->getVolumeManager())});
        }
        case SRM_RES_VOLUMEMANAGER: {
            auto *m = static_cast<SrmVolumeManager *>(r);
            return named(displayName(r), {"IdType " + std::to_string(m->IdType)});
        }
        case SRM_RES_FILESYSTEM: {
            auto *f = static_cast<SrmFileSystem *>(r);
            return named(displayName(r), {f->FSType, sizeText(f->UsedSpaceKB, "used"),
                                          sizeText(f->FreeSpaceKB, "free")});
        }
        case SRM_RES_MOUNTPOINT: {
            auto *m = static_cast<SrmMountPoint *>(r);
            return named(displayName(r), {m->MountToSystem.empty() ? "" : "on " + m->MountToSystem,
                                          m->ReadOnly != 0 ? "read-only" : ""});
        }
        case SRM_RES_SHARE: {
            auto *s = static_cast<SrmShare *>(r);
            return named(displayName(r), {s->SharePath, s->ShareDesc});
        }
        case SRM_RES_VIRTUALSERVER: {
            auto *v = static_cast<SrmVirtualServer *>(r);
            SrmServiceGroup *g = v->getServiceGroup();
            return named(displayName(r),
                         {v->HostName, v->IPAddr, g != nullptr ? "group " + g->getName() : ""});
        }
        case SRM_RES_ID: {
            auto *a = static_cast<SrmId *>(r);
            return named(displayName(r), {"alias of " + a->PrimaryId, a->IdType});
        }
        default:
            return std::string();
    }
}

}  // namespace ulvar_tool
