// The database's work that needs particular kinds: computers and this
// computer, a resource added in the place of another, a resource removed with
// everything that refers to it, and the service groups resources hold when
// the database goes. The members are declared with the database
// (inventory/model/SrmResourceDatabase.h); the kinds are reached through
// checked casts (a resource of another class, such as a test kind, answers as
// not of that kind).
#include <cassert>
#include <cerrno>
#include <map>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/passes/internal/SrmStackFields.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

// Appends to `out` the service groups a computer or a virtual server holds a
// reference on; nothing for other kinds. No reference is given.
void heldServiceGroups(SrmResource *r, std::vector<SrmServiceGroup *> &out) {
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

// Makes a volume group drop a disk or volume (REQUIRES: `member` not null), and
// a volume drop a disk chunk.
void volumeGroupDropMember(SrmResource *volumeGroup, SrmResource *member) {
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

void volumeDropDiskChunk(SrmResource *volume, SrmResource *chunk) {
    auto *v = dynamic_cast<SrmVolume *>(volume);
    if (v != nullptr) {
        v->removeDiskChunk(chunk);
    }
}

bool holdsSubVolume(SrmVolume *parent, SrmVolume *child) {
    SrmResourceList *subs = parent->getSubVolumeList();
    return subs != nullptr && subs->findResource(SRM_RES_VOLUME, child->Id) == child;
}

// Makes every volume of `volumes` (a database's volumes; null: none) let go of
// `removed` (REQUIRES: not null): a disk chunk leaves the chunk lists, a volume
// the sub-volume lists. A sub-volume of a removed volume that no other volume
// of `volumes` holds is no sub-volume any more: it stands at the top of its
// hierarchy again (hierarchy type 1 when it has sub-volumes of its own, else
// 0), so a database writes it.
//
// Dropping is by Id within the kind, as every list removal is: the Id is what
// the volume's record would name.
void volumesForget(SrmResourceIdMap *volumes, SrmResource *removed) {
    assert(removed != nullptr);
    if (volumes == nullptr || removed == nullptr) {
        return;
    }
    if (removed->type == SRM_RES_DISKCHUNK) {
        for (auto &entry : *volumes) {
            volumeDropDiskChunk(entry.second, removed);
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

// When `replacement` (REQUIRES: not null) takes the database's place of
// `old` (the same kind and Id, another object), every volume of `volumes` that
// held `old` as a sub-volume holds `replacement` instead, and `old` is
// forgotten as by volumesForget. A sub-volume link names a volume by its Id,
// and a file names each Id once: a parent left holding `old` would have the
// writer put `old` in the newcomer's place. Nothing for other kinds.
void volumesHandOver(SrmResourceIdMap *volumes, SrmResource *old, SrmResource *replacement) {
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
    volumesForget(volumes, gone);
    for (SrmVolume *parent : parents) {
        parent->addSubVolume(next);  // refused where it would close a loop
    }
}

// The mount point's MountLocation; empty when `r` is no mount point.
std::string mountLocation(SrmResource *mountPoint) {
    auto *m = dynamic_cast<SrmMountPoint *>(mountPoint);
    return m != nullptr ? m->MountLocation : std::string();
}

bool isStorageKind(SrmResourceType t) {
    return t == SRM_RES_DISK || t == SRM_RES_VOLUME || t == SRM_RES_DISKCHUNK;
}

// The computers' own lists and the volumes' member lists let go of `r`. A
// computer may sit in either list of the database (a loaded one is only in the
// resource list); dropping twice is harmless.
void dropReferences(SrmResourceList *resources, SrmResourceList *computers, SrmResource *r) {
    for (SrmResourceList *list : {resources, computers}) {
        SrmResourceIdMap *all =
            list != nullptr ? list->getSrmResourceIdMap(SRM_RES_COMPUTER) : nullptr;
        if (all == nullptr) {
            continue;
        }
        for (auto &computer : *all) {
            if (auto *c = dynamic_cast<SrmComputer *>(computer.second)) {
                c->removeResource(r);
            }
        }
    }
    if (resources != nullptr) {
        volumesForget(resources->getSrmResourceIdMap(SRM_RES_VOLUME), r);
    }
}

// Groups and resources can hold each other: a group holds its members, and a
// member computer or virtual server holds its groups. Such a ring would keep
// both alive after the database lets go, so every group of this database is
// emptied and unbound first, also one that was removed from the map but is
// still held by a resource. Groups of another database (held by a resource the
// two databases share) are left alone.
void releaseServiceGroups(std::map<std::string, SrmServiceGroup *> &groups,
                          SrmResourceList *resources, SrmResourceDatabase *self) {
    std::vector<SrmServiceGroup *> held;
    for (auto &entry : groups) {
        held.push_back(entry.second);
    }
    if (resources != nullptr) {
        for (SrmResourceType t : {SRM_RES_COMPUTER, SRM_RES_VIRTUALSERVER}) {
            SrmResourceIdMap *kind = resources->getSrmResourceIdMap(t);
            if (kind != nullptr) {
                for (auto &entry : *kind) {
                    heldServiceGroups(entry.second, held);
                }
            }
        }
    }
    std::set<SrmServiceGroup *> done;
    for (SrmServiceGroup *g : held) {
        if (g->getDb() != self || !done.insert(g).second) {
            continue;
        }
        g->removeAllResources();
        g->clearNextServiceGroup();
        g->setDb(nullptr);
    }
    for (auto &entry : groups) {
        entry.second->Release();
    }
    groups.clear();
}

}  // namespace

SrmResourceDatabase::~SrmResourceDatabase() {
    releaseServiceGroups(serviceGroups, resources.get(), this);
    if (lastErrorResource != nullptr) {
        lastErrorResource->Release();
        lastErrorResource = nullptr;
    }
    thisComputer = nullptr;
    computers.reset();
    resources.reset();
    delete errors;
    errors = nullptr;
    delete reader;
    delete stream;
}

int SrmResourceDatabase::addResource(SrmResource *r) {
    if (r == nullptr) {
        setErrorInfo(EINVAL, "Add resource failed", nullptr);
        return 0;
    }
    r->db = this;
    // A newcomer under the Id of this computer replaces it and may destroy it:
    // the name must not outlive the computer's place, as with removeResource.
    SrmResource *self = static_cast<SrmResource *>(thisComputer);
    bool replacesSelf = self != nullptr && self != r && self->type == r->type && self->Id == r->Id;
    // The object `r` replaces is held until the volumes that held it have
    // taken `r` instead.
    SrmScopedRef<SrmResource> replaced(
        resources && r->type == SRM_RES_VOLUME ? resources->findResource(r->type, r->Id) : nullptr);
    if (replaced) {
        replaced->AddRef();
    }
    if (!resources || resources->addResource(r) == 0) {
        setErrorInfo(ENOMEM, "Add resource failed", r);
        return 0;
    }
    if (replacesSelf) {
        thisComputer = nullptr;
    }
    if (replaced && replaced.get() != r) {
        volumesHandOver(resources->getSrmResourceIdMap(SRM_RES_VOLUME), replaced.get(), r);
    }
    // Most resources have no local identity of their own: no copies for them.
    if (!r->LId.empty() && r->LId != r->Id) {
        addGlobalId(r->type, r->LId, r->Id);
    }
    return 1;
}

int SrmResourceDatabase::addComputer(SrmComputer *c, int isThisComputer) {
    SrmResource *r = static_cast<SrmResource *>(c);
    if (r == nullptr || r->type != SRM_RES_COMPUTER) {
        setErrorInfo(EINVAL, "Add Computer failed", r);
        return 0;
    }
    if (addResource(r) == 0) {
        return 0;
    }
    if (computers) {
        computers->addResource(r);
    }
    if (isThisComputer != 0) {
        setThisComputer(c);
    }
    return 1;
}

int SrmResourceDatabase::addComputerResource(std::string computerId, SrmResource *r) {
    SrmResource *computer =
        computers ? computers->findResource(SRM_RES_COMPUTER, computerId) : nullptr;
    if (computer == nullptr) {
        setErrorInfo(EINVAL, "Invalid Resource Object", r);
        return 0;
    }
    auto *c = dynamic_cast<SrmComputer *>(computer);
    return c != nullptr ? c->addResource(r) : 0;
}

void SrmResourceDatabase::setThisComputer(SrmComputer *c) {
    SrmResource *r = static_cast<SrmResource *>(c);
    if (r != nullptr && r->type == SRM_RES_COMPUTER) {
        thisComputer = c;
    }
}

SrmComputer *SrmResourceDatabase::getThisComputer() {
    if (thisComputer != nullptr) {
        if (hostName.empty()) {
            hostName = thisComputer->HostName;
        }
        return thisComputer;
    }
    if (computers && computers->getResourceCount() == 1) {
        SrmResourceIdMap *map = computers->getSrmResourceIdMap(SRM_RES_COMPUTER);
        if (map == nullptr || map->empty()) {
            return nullptr;
        }
        auto *only = dynamic_cast<SrmComputer *>(map->begin()->second);
        if (hostName.empty() && only != nullptr) {
            hostName = only->HostName;
        }
        return only;
    }
    setErrorInfo(EINVAL, "Not current computer found.", nullptr);
    return nullptr;
}

int SrmResourceDatabase::removeResource(SrmResourceType t, std::string id) {
    SrmResource *r = findResource(t, id);
    if (r == nullptr) {
        return 0;
    }
    // The recursive removals below must not be the ones that free `r`.
    auto keep = SrmScopedRef<SrmResource>::retain(r);
    removeServiceGroupResource(r);
    unlinkResource(r);
    if (computers) {
        computers->removeResource(t, id);
    }
    int removed = resources->removeResource(t, id);
    // Nothing above takes `r` itself out of the resource list.
    assert(removed == 1);
    // thisComputer holds no reference; it must not outlive the computer's place
    // in the database.
    if (removed != 0 && thisComputer != nullptr && static_cast<SrmResource *>(thisComputer) == r) {
        thisComputer = nullptr;
    }
    return removed;
}

// Every computer and every volume lets go of the resource first, whatever its
// kind and whatever else the database holds: a computer writes its resources as
// references that its reader must find again, and a volume writes its chunks
// and sub-volumes, so a reference left behind makes the database file
// unreadable (the computer's or volume's record fails on its count) or
// unwritable (a sub-volume whose parents are gone is never written).
//
// The walks after that run in a fixed order, and a walk over a kind the
// database never held ends the unlinking: without volume groups a disk, volume
// or chunk goes no further, without volumes a chunk goes no further, and
// without mount points no share is looked at.
void SrmResourceDatabase::unlinkResource(SrmResource *r) {
    dropReferences(resources.get(), computers.get(), r);
    SrmResourceType t = r->type;
    if (isStorageKind(t)) {
        SrmResourceIdMap *groups = resources->getSrmResourceIdMap(SRM_RES_VOLUMEGROUP);
        if (groups == nullptr) {
            return;
        }
        if (t != SRM_RES_DISKCHUNK) {
            for (auto &group : *groups) {
                volumeGroupDropMember(group.second, r);
            }
        } else if (resources->getSrmResourceIdMap(SRM_RES_VOLUME) == nullptr) {
            return;
        }
    }
    if (isStorageKind(t) || t == SRM_RES_FILESYSTEM) {
        if (resources->getSrmResourceIdMap(SRM_RES_MOUNTPOINT) == nullptr) {
            return;
        }
        removeMountPointsOn(r);
        removeSharesOn(r);
    }
}

// Matches are collected first: each removal changes the map being walked.
// An empty location matches nothing; otherwise every mount point without a
// location would go with any resource that has no LId.
void SrmResourceDatabase::removeMountPointsOn(SrmResource *r) {
    if (r->LId.empty()) {
        return;
    }
    std::vector<std::string> ids;
    for (auto &mount : *resources->getSrmResourceIdMap(SRM_RES_MOUNTPOINT)) {
        if (mountLocation(mount.second) == r->LId) {
            ids.push_back(mount.first);
        }
    }
    for (const auto &id : ids) {
        removeResource(SRM_RES_MOUNTPOINT, id);
    }
}

// A share names the volume it lives on: a removed file system takes the shares
// of its volume along, and a removed volume those on itself. Disks and chunks
// carry no share.
int SrmResourceDatabase::removeSharesOn(SrmResource *r) {
    std::string volume;
    if (r->type == SRM_RES_FILESYSTEM) {
        volume = srmFileSystemVolume(r);
    } else if (r->type == SRM_RES_VOLUME) {
        volume = r->Id;
    }
    SrmResourceIdMap *shares = resources->getSrmResourceIdMap(SRM_RES_SHARE);
    if (volume.empty() || shares == nullptr) {
        return 0;
    }
    std::vector<std::string> ids;
    for (auto &share : *shares) {
        if (srmShareVolumeId(share.second) == volume) {
            ids.push_back(share.first);
        }
    }
    for (const auto &id : ids) {
        removeResource(SRM_RES_SHARE, id);
    }
    return static_cast<int>(ids.size());
}

void SrmResourceDatabase::setAllResourceState(long bits) {
    if (!resources) {
        return;
    }
    SrmResource *self = static_cast<SrmResource *>(getThisComputer());
    resources->setAllResourceState(bits);
    if (self != nullptr) {
        self->state |= SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT;
    }
}

void SrmResourceDatabase::unsetAllResourceState(long bits) {
    if (!resources) {
        return;
    }
    SrmResource *self = static_cast<SrmResource *>(getThisComputer());
    resources->unsetAllResourceState(bits);
    if (self != nullptr) {
        self->state &= ~(SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT);
    }
}
