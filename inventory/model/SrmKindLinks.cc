// Each function is a checked cast (dynamic_cast: a resource of another class,
// such as a test kind, answers as not of that kind) and a member call.
#include "inventory/model/SrmKindLinks.h"

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResource.h"

SrmResource *srmComputerAsResource(SrmComputer *c) {
    return c;
}

SrmComputer *srmResourceAsComputer(SrmResource *r) {
    return dynamic_cast<SrmComputer *>(r);
}

std::string srmComputerHostName(SrmComputer *c) {
    return c != nullptr ? c->HostName : std::string();
}

int srmComputerAddResource(SrmComputer *c, SrmResource *r) {
    return c != nullptr ? c->addResource(r) : 0;
}

int srmComputerRemoveResource(SrmComputer *c, SrmResource *r) {
    return c != nullptr ? c->removeResource(r) : 0;
}

void srmHeldServiceGroups(SrmResource *r, std::vector<SrmServiceGroup *> &out) {
    if (auto *c = dynamic_cast<SrmComputer *>(r)) {
        for (auto &entry : c->getServiceGroupMap()) {
            out.push_back(entry.second);
        }
    } else if (auto *v = dynamic_cast<SrmVirtualServer *>(r)) {
        if (v->getServiceGroup() != nullptr) {
            out.push_back(v->getServiceGroup());
        }
    }
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
