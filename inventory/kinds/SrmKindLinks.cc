// Each function is a checked cast (dynamic_cast: a resource of another class,
// such as a test kind, answers as not of that kind) and member calls.
#include "inventory/model/internal/SrmKindLinks.h"

#include <cassert>
#include <new>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResource.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

SrmResource *srmComputerAsResource(SrmComputer *c) {
    return c;
}

SrmComputer *srmResourceAsComputer(SrmResource *r) {
    return dynamic_cast<SrmComputer *>(r);
}

bool srmBuiltWhole(SrmResource *r) {
    if (r == nullptr) {
        return false;
    }
    if (auto *c = dynamic_cast<SrmComputer *>(r)) {
        return c->getResourceList() != nullptr;
    }
    if (auto *v = dynamic_cast<SrmVolume *>(r)) {
        return v->getDiskChunkList() != nullptr && v->getSubVolumeList() != nullptr;
    }
    if (auto *g = dynamic_cast<SrmVolumeGroup *>(r)) {
        return g->getDiskList() != nullptr && g->getVolumeList() != nullptr;
    }
    return true;
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
    assert(member != nullptr);
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

namespace {

bool holdsSubVolume(SrmVolume *parent, SrmVolume *child) {
    SrmResourceList *subs = parent->getSubVolumeList();
    return subs != nullptr && subs->findResource(SRM_RES_VOLUME, child->Id) == child;
}

}  // namespace

// Dropping is by Id within the kind, as every list removal is: the Id is what
// the volume's record would name.
void srmVolumesForget(SrmResourceIdMap *volumes, SrmResource *removed) {
    assert(removed != nullptr);
    if (volumes == nullptr || removed == nullptr) {
        return;
    }
    if (removed->type == SRM_RES_DISKCHUNK) {
        for (auto &entry : *volumes) {
            srmVolumeDropDiskChunk(entry.second, removed);
        }
        return;
    }
    auto *gone = dynamic_cast<SrmVolume *>(removed);
    if (gone == nullptr || removed->type != SRM_RES_VOLUME) {
        return;
    }
    for (auto &entry : *volumes) {
        auto *v = dynamic_cast<SrmVolume *>(entry.second);
        if (v != nullptr && v != gone) {
            v->removeSubVolume(gone);
        }
    }
    // A volume marked as a sub-volume is written only through its parents; with
    // none left it would never be written at all.
    SrmResourceList *subs = gone->getSubVolumeList();
    SrmResourceIdMap *children =
        subs != nullptr ? subs->getSrmResourceIdMap(SRM_RES_VOLUME) : nullptr;
    if (children == nullptr) {
        return;
    }
    for (auto &child : *children) {
        auto *c = dynamic_cast<SrmVolume *>(child.second);
        if (c == nullptr || c->HierType != SRM_HIER_SUBVOLUME) {
            continue;
        }
        bool held = false;
        for (auto &entry : *volumes) {
            auto *v = dynamic_cast<SrmVolume *>(entry.second);
            if (v != nullptr && v != gone && holdsSubVolume(v, c)) {
                held = true;
                break;
            }
        }
        if (!held) {
            SrmResourceList *own = c->getSubVolumeList();
            bool parent = own != nullptr && own->getTypeCount(SRM_RES_VOLUME) > 0;
            c->HierType = parent ? SRM_HIER_HAS_SUBVOLUMES : SRM_HIER_STANDALONE;
        }
    }
}

void srmVolumesHandOver(SrmResourceIdMap *volumes, SrmResource *old, SrmResource *replacement) {
    auto *gone = dynamic_cast<SrmVolume *>(old);
    auto *next = dynamic_cast<SrmVolume *>(replacement);
    if (volumes == nullptr || gone == nullptr || next == nullptr || gone == next ||
        old->type != SRM_RES_VOLUME) {
        return;
    }
    std::vector<SrmVolume *> parents;
    try {
        for (auto &entry : *volumes) {
            auto *v = dynamic_cast<SrmVolume *>(entry.second);
            if (v != nullptr && v != gone && v != next && holdsSubVolume(v, gone)) {
                parents.push_back(v);
            }
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
    }
    srmVolumesForget(volumes, gone);
    for (SrmVolume *parent : parents) {
        parent->addSubVolume(next);  // refused where it would close a loop
    }
}
