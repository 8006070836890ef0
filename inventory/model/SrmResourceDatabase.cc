#include "inventory/model/SrmResourceDatabase.h"

#include <cassert>
#include <cerrno>
#include <new>
#include <set>
#include <vector>

#include "inventory/model/SrmError.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/model/internal/SrmKindLinks.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

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
            srmComputerRemoveResource(srmResourceAsComputer(computer.second), r);
        }
    }
    if (resources != nullptr) {
        srmVolumesForget(resources->getSrmResourceIdMap(SRM_RES_VOLUME), r);
    }
}

// Adds to `mine` the members of `theirs` it lacks, each as the resource this
// database holds under the member's kind and Id (the other database's resource
// was merged into it or added to it before), else as the member itself.
void adoptMembers(SrmResourceDatabase *db, SrmServiceGroup *mine, SrmServiceGroup *theirs) {
    SrmResourceList *from = theirs->getResourceList();
    SrmResourceList *to = mine->getResourceList();
    if (from == nullptr || to == nullptr) {
        return;
    }
    for (int kind = SRM_RES_COMPUTER; kind <= SRM_RES_ID; ++kind) {
        SrmResourceType t = static_cast<SrmResourceType>(kind);
        SrmResourceIdMap *members = from->getSrmResourceIdMap(t);
        if (members == nullptr) {
            continue;
        }
        for (auto &member : *members) {
            if (to->findResource(t, member.first) != nullptr) {
                continue;
            }
            SrmResource *own = db->findResource(t, member.first);
            mine->addResource(own != nullptr ? own : member.second);
        }
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
                    srmHeldServiceGroups(entry.second, held);
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

SrmResourceDatabase::SrmResourceDatabase()
    : errors(srmNoted(new (std::nothrow) SrmErrorList(this))),
      resources(srmNoted(new (std::nothrow) SrmResourceList(this))),
      computers(srmNoted(new (std::nothrow) SrmResourceList(this))),
      buffer(srmNoted(new (std::nothrow) char[kBufferLength]())) {
    try {
        lastErrorMessage.reserve(kErrorMessageRoom);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
    }
}

bool SrmResourceDatabase::completeConstruction() {
    if (errors == nullptr) {
        errors = srmNoted(new (std::nothrow) SrmErrorList(this));
    }
    if (!resources) {
        resources.reset(srmNoted(new (std::nothrow) SrmResourceList(this)));
    }
    if (!computers) {
        computers.reset(srmNoted(new (std::nothrow) SrmResourceList(this)));
    }
    if (!buffer) {
        buffer.reset(srmNoted(new (std::nothrow) char[kBufferLength]()));
    }
    return errors != nullptr && resources && computers && buffer;
}

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

void SrmResourceDatabase::getLastErrorInfo(int *code, std::string &message,
                                           SrmResource **resource) const {
    if (code != nullptr) {
        *code = lastErrorCode;
    }
    if (resource != nullptr) {
        *resource = lastErrorResource;
    }
    message = lastErrorMessage;
}

void SrmResourceDatabase::setErrorInfo(int code, std::string message, SrmResource *resource) {
    setErrorInfo(code, message.c_str(), resource);
}

void SrmResourceDatabase::setErrorInfo(int code, const char *message, SrmResource *resource) {
    lastErrorCode = code;
    // The new reference comes first: the resource may be the one the slot holds,
    // and giving that back first could destroy it.
    if (resource != nullptr) {
        resource->AddRef();
    }
    SrmResource *previous = lastErrorResource;
    lastErrorResource = resource;
    if (previous != nullptr) {
        previous->Release();
    }
    // Copied into the room reserved at construction, never moved in: a moved
    // string would take that room away.
    try {
        lastErrorMessage.assign(message != nullptr ? message : "");
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        lastErrorMessage.clear();
    }
}

int SrmResourceDatabase::addResource(SrmResource *r) {
    if (r == nullptr) {
        setErrorInfo(EINVAL, "Add resource failed", nullptr);
        return 0;
    }
    r->db = this;
    // A newcomer under the Id of this computer replaces it and may destroy it:
    // the name must not outlive the computer's place, as with removeResource.
    SrmResource *self = srmComputerAsResource(thisComputer);
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
        srmVolumesHandOver(resources->getSrmResourceIdMap(SRM_RES_VOLUME), replaced.get(), r);
    }
    // Most resources have no local identity of their own: no copies for them.
    if (!r->LId.empty() && r->LId != r->Id) {
        addGlobalId(r->type, r->LId, r->Id);
    }
    return 1;
}

int SrmResourceDatabase::addComputer(SrmComputer *c, int isThisComputer) {
    SrmResource *r = srmComputerAsResource(c);
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
    return srmComputerAddResource(srmResourceAsComputer(computer), r);
}

void SrmResourceDatabase::setThisComputer(SrmComputer *c) {
    SrmResource *r = srmComputerAsResource(c);
    if (r != nullptr && r->type == SRM_RES_COMPUTER) {
        thisComputer = c;
    }
}

SrmComputer *SrmResourceDatabase::getThisComputer() {
    if (thisComputer != nullptr) {
        if (hostName.empty()) {
            hostName = srmComputerHostName(thisComputer);
        }
        return thisComputer;
    }
    if (computers && computers->getResourceCount() == 1) {
        SrmResourceIdMap *map = computers->getSrmResourceIdMap(SRM_RES_COMPUTER);
        if (map == nullptr || map->empty()) {
            return nullptr;
        }
        SrmComputer *only = srmResourceAsComputer(map->begin()->second);
        if (hostName.empty()) {
            hostName = srmComputerHostName(only);
        }
        return only;
    }
    setErrorInfo(EINVAL, "Not current computer found.", nullptr);
    return nullptr;
}

SrmResource *SrmResourceDatabase::findResource(SrmResourceType t, const std::string &id) {
    return resources ? resources->findResource(t, id) : nullptr;
}

SrmResource *SrmResourceDatabase::findGlobalResource(SrmResourceType t, SrmResource *r) {
    if (r == nullptr) {
        return nullptr;
    }
    SrmResource *found = findResource(t, r->Id);
    if (found != nullptr && (found->LId.empty() || found->LId == r->Id)) {
        return found;
    }
    std::string globalId;
    if (getGlobalId(t, r->LId, globalId) == 0) {
        return nullptr;
    }
    return findResource(t, globalId);
}

SrmResource *SrmResourceDatabase::findGlobalResource(SrmResourceType t, const std::string &id) {
    SrmResource *found = findResource(t, id);
    if (found != nullptr) {
        return found;
    }
    std::string globalId;
    if (getGlobalId(t, id, globalId) == 0) {
        return nullptr;
    }
    return findResource(t, globalId);
}

SrmResourceDatabase::GlobalIdMap *SrmResourceDatabase::globalIdMap(SrmResourceType t) {
    switch (t) {
        case SRM_RES_DISK:
            return &globalIds[0];
        case SRM_RES_VOLUME:
            return &globalIds[1];
        case SRM_RES_FILESYSTEM:
            return &globalIds[2];
        case SRM_RES_VOLUMEGROUP:
            return &globalIds[3];
        case SRM_RES_MOUNTPOINT:
            return &globalIds[4];
        case SRM_RES_SHARE:
            return &globalIds[5];
        default:
            return nullptr;
    }
}

int SrmResourceDatabase::addGlobalId(SrmResourceType t, std::string localId, std::string globalId) {
    if (localId.empty() || globalId.empty() || localId == globalId) {
        return 0;
    }
    GlobalIdMap *map = globalIdMap(t);
    if (map == nullptr) {
        return 0;
    }
    try {
        return map->emplace(std::move(localId), std::move(globalId)).second ? 1 : 0;
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
}

int SrmResourceDatabase::getGlobalId(SrmResourceType t, std::string localId,
                                     std::string &globalId) {
    GlobalIdMap *map = globalIdMap(t);
    if (map == nullptr) {
        return 0;
    }
    auto entry = map->find(localId);
    if (entry == map->end()) {
        return 0;
    }
    globalId = entry->second;
    return globalId.empty() ? 0 : 1;
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
    if (removed != 0 && thisComputer != nullptr && srmComputerAsResource(thisComputer) == r) {
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
                srmVolumeGroupDropMember(group.second, r);
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
        if (srmMountLocation(mount.second) == r->LId) {
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

int SrmResourceDatabase::mergeResourceDatabase(SrmResourceDatabase *other) {
    if (other == nullptr || !other->resources || !resources) {
        return 0;
    }
    if (resources->mergeResources(other->resources.get()) == 0) {
        return 0;
    }
    if (!other->serviceGroups.empty()) {
        // Every group of `other` gets a namesake here that this database owns,
        // holding this database's resources; then each namesake is linked to
        // this database's group named like the other group's child. Linking to
        // the other database's objects, which this one holds no reference on,
        // would leave the links dangling once that database is deleted.
        for (auto &entry : other->serviceGroups) {
            SrmServiceGroup *mine = findServiceGroup(entry.first);
            if (mine == nullptr) {
                SrmScopedRef<SrmServiceGroup> made(
                    srmNoted(new (std::nothrow) SrmServiceGroup(entry.first)));
                if (!made || addServiceGroup(made.get()) == 0) {
                    continue;
                }
                mine = made.get();  // held by this database from now on
            }
            adoptMembers(this, mine, entry.second);
        }
        for (auto &entry : other->serviceGroups) {
            SrmServiceGroup *theirChild = entry.second->getNextServiceGroup();
            SrmServiceGroup *mine = findServiceGroup(entry.first);
            if (theirChild == nullptr || mine == nullptr) {
                continue;
            }
            SrmServiceGroup *myChild = findServiceGroup(theirChild->getName());
            if (myChild != nullptr) {
                mine->setNextServiceGroup(myChild);
            }
        }
    }
    if (other->computers && computers) {
        computers->mergeResources(other->computers.get());
    }
    return 1;
}

void SrmResourceDatabase::setAllResourceState(long bits) {
    if (!resources) {
        return;
    }
    SrmResource *self = srmComputerAsResource(getThisComputer());
    resources->setAllResourceState(bits);
    if (self != nullptr) {
        self->state |= SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT;
    }
}

void SrmResourceDatabase::unsetAllResourceState(long bits) {
    if (!resources) {
        return;
    }
    SrmResource *self = srmComputerAsResource(getThisComputer());
    resources->unsetAllResourceState(bits);
    if (self != nullptr) {
        self->state &= ~(SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT);
    }
}

int SrmResourceDatabase::getResourceCount() const {
    return resources ? resources->getResourceCount() : 0;
}
