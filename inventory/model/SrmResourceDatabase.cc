// The database's own state: its lists, the last-error slot, the lookups and
// local identities, and merging another database in. What needs particular
// kinds is in inventory/passes/SrmResourceDatabaseLinks.cc.
#include "inventory/model/SrmResourceDatabase.h"

#include <cerrno>
#include <new>

#include "inventory/model/SrmError.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

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

int SrmResourceDatabase::getResourceCount() const {
    return resources ? resources->getResourceCount() : 0;
}
