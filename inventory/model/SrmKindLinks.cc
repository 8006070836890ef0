// The kinds are not part of the library yet. Until they are, a computer is
// handled as the SrmResource it derives from (single inheritance, so both share
// one address), and a kind has none of the fields or lists these functions
// reach: there is nothing to name or unlink. When the kinds arrive, each
// function here becomes a checked cast (dynamic_cast: a resource of another
// class, such as a test kind, then answers as not of that kind) and a member
// call.
#include "inventory/model/SrmKindLinks.h"

#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResource.h"

SrmResource *srmComputerAsResource(SrmComputer *c) {
    return reinterpret_cast<SrmResource *>(c);
}

SrmComputer *srmResourceAsComputer(SrmResource *r) {
    if (r == nullptr || r->type != SRM_RES_COMPUTER) {
        return nullptr;
    }
    return reinterpret_cast<SrmComputer *>(r);
}

std::string srmComputerHostName(SrmComputer *) {
    return std::string();
}

int srmComputerAddResource(SrmComputer *, SrmResource *) {
    return 0;
}

int srmComputerRemoveResource(SrmComputer *, SrmResource *) {
    return 0;
}

void srmVolumeGroupDropMember(SrmResource *volumeGroup, SrmResource *member) {
    auto *g = dynamic_cast<SrmVolumeGroup *>(volumeGroup);
    if (g == nullptr || member == nullptr) {
        return;
    }
    if (member->type == SRM_RES_DISK) {
        g->removeDisk(member);
    } else if (member->type == SRM_RES_VOLUME) {
        g->removeVolume(member);
    }
}

void srmVolumeDropDiskChunk(SrmResource *volume, SrmResource *chunk) {
    auto *v = dynamic_cast<SrmVolume *>(volume);
    if (v != nullptr) {
        v->removeDiskChunk(chunk);
    }
}

std::string srmMountLocation(SrmResource *mountPoint) {
    auto *m = dynamic_cast<SrmMountPoint *>(mountPoint);
    return m != nullptr ? m->MountLocation : std::string();
}

std::string srmShareVolumeId(SrmResource *share) {
    auto *s = dynamic_cast<SrmShare *>(share);
    return s != nullptr ? s->VolumeId : std::string();
}

std::string srmFileSystemVolume(SrmResource *fileSystem) {
    auto *f = dynamic_cast<SrmFileSystem *>(fileSystem);
    return f != nullptr ? f->Volume : std::string();
}
