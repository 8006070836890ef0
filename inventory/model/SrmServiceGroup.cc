#include "inventory/model/SrmServiceGroup.h"

#include <cerrno>
#include <new>
#include <set>
#include <vector>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/SrmRecordWriter.h"
#include "inventory/record/internal/SrmOutOfMemory.h"
#include "inventory/record/internal/SrmRecordWalk.h"

namespace {

// The kinds a group record carries, in the order its member records are
// written. Volume managers and aliases are members the record leaves out.
constexpr SrmResourceType kRecordedKinds[] = {
    SRM_RES_DISK,       SRM_RES_DISKCHUNK,     SRM_RES_VOLUME,
    SRM_RES_FILESYSTEM, SRM_RES_MOUNTPOINT,    SRM_RES_SHARE,
    SRM_RES_COMPUTER,   SRM_RES_VIRTUALSERVER, SRM_RES_VOLUMEGROUP,
};

// The kind a member record's "Type" word names; SRM_RES_NONE for any other word.
SrmResourceType memberKindOfWord(int word) {
    switch (word) {
        case SRM_KEY_Disk:
            return SRM_RES_DISK;
        case SRM_KEY_MountPoint:
            return SRM_RES_MOUNTPOINT;
        case SRM_KEY_FileSystem:
            return SRM_RES_FILESYSTEM;
        case SRM_KEY_Volume:
            return SRM_RES_VOLUME;
        case SRM_KEY_VolumeGroup:
            return SRM_RES_VOLUMEGROUP;
        case SRM_KEY_VirtualServer:
            return SRM_RES_VIRTUALSERVER;
        case SRM_KEY_DiskChunk:
            return SRM_RES_DISKCHUNK;
        case SRM_KEY_System:
            return SRM_RES_COMPUTER;
        case SRM_KEY_Share:
            return SRM_RES_SHARE;
        default:
            return SRM_RES_NONE;
    }
}

const char kCircular[] = "Circular Service Sroup Dependency reported";
const char kInvalidDependency[] = "Invalid Service Group Dependency provided";
const char kSerializeFailed[] = "Failed to serialize Service Group";
const char kDeserializeFailed[] = "Failed to deserialize Service Group";

}  // namespace

SrmServiceGroup::SrmServiceGroup()
    : members(srmNoted(new (std::nothrow) SrmResourceList(nullptr))) {}

SrmServiceGroup::SrmServiceGroup(std::string name)
    : members(srmNoted(new (std::nothrow) SrmResourceList(nullptr))), name(std::move(name)) {}

SrmServiceGroup::SrmServiceGroup(SrmResourceDatabase *db)
    : members(srmNoted(new (std::nothrow) SrmResourceList(db))), db(db) {}

SrmServiceGroup::~SrmServiceGroup() = default;

void SrmServiceGroup::setDb(SrmResourceDatabase *d) {
    db = d;
    if (members) {
        members->setDb(d);
    }
}

void SrmServiceGroup::report(int code, const char *message) {
    if (db != nullptr) {
        db->setErrorInfo(code, message, nullptr);
    }
}

int SrmServiceGroup::addResource(SrmResource *r) {
    return members ? members->addResource(r) : 0;
}

int SrmServiceGroup::removeResource(SrmResourceType t, std::string id) {
    return members ? members->removeResource(t, std::move(id)) : 0;
}

int SrmServiceGroup::removeAllResources() {
    return members ? members->removeAllResources() : 1;
}

int SrmServiceGroup::mergeServiceGroup(SrmServiceGroup *other) {
    if (other == nullptr) {
        return 0;
    }
    // Merging a group's list into itself would have every member absorb itself
    // and come out marked as merged.
    if (other == this) {
        return 1;
    }
    if (members && other->members) {
        members->mergeResources(other->members.get());
    }
    if (other->next != nullptr) {
        setNextServiceGroup(other->next);
    }
    return 1;
}

bool SrmServiceGroup::chainReaches(SrmServiceGroup *start) const {
    // A chain built only through setNextServiceGroup has no cycle, but the walk
    // must end even on one that does.
    std::set<const SrmServiceGroup *> seen;
    for (const SrmServiceGroup *g = start; g != nullptr; g = g->next) {
        if (g == this) {
            return true;
        }
        if (!seen.insert(g).second) {
            return false;
        }
    }
    return false;
}

// The first child set stays: a group depends on at most one other. A link is
// refused when it would let a walk down the chain come back to this group, be
// it through the recorded parents or through the child's own chain.
int SrmServiceGroup::setNextServiceGroup(SrmServiceGroup *child) {
    if (child == nullptr) {
        return 0;
    }
    if (child == next) {
        return 1;
    }
    if (next != nullptr) {
        report(EINVAL, kInvalidDependency);
        return 0;
    }
    if (checkCircDependency(child) != 0 || chainReaches(child)) {
        report(EINVAL, kCircular);
        return 0;
    }
    next = child;
    return 1;
}

int SrmServiceGroup::checkCircDependency(SrmServiceGroup *g) {
    if (g == nullptr) {
        return 0;
    }
    std::set<const SrmServiceGroup *> seen{this};
    std::vector<const SrmServiceGroup *> pending{this};
    while (!pending.empty()) {
        const SrmServiceGroup *at = pending.back();
        pending.pop_back();
        for (const auto &parent : at->parents) {
            if (parent.first == g->name) {
                return 1;
            }
            if (parent.second != nullptr && seen.insert(parent.second).second) {
                pending.push_back(parent.second);
            }
        }
    }
    return 0;
}

int SrmServiceGroup::addParentGroup(SrmServiceGroup *parent) {
    if (parent == nullptr) {
        return 0;
    }
    try {
        return parents.emplace(parent->name, parent).second ? 1 : 0;
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
}

void SrmServiceGroup::forgetParentGroup(const SrmServiceGroup *g) {
    for (auto it = parents.begin(); it != parents.end();) {
        if (it->second == g) {
            it = parents.erase(it);
        } else {
            ++it;
        }
    }
}

SrmResourceIdMap *SrmServiceGroup::getSystemList() {
    return members ? members->getSrmResourceIdMap(SRM_RES_COMPUTER) : nullptr;
}

int SrmServiceGroup::getVirtualServerList(SrmResourceIdMap **out) {
    if (out == nullptr) {
        return 0;
    }
    SrmResourceIdMap *servers =
        members ? members->getSrmResourceIdMap(SRM_RES_VIRTUALSERVER) : nullptr;
    if (servers == nullptr || servers->empty()) {
        *out = nullptr;
        return 0;
    }
    *out = servers;
    return static_cast<int>(servers->size());
}

int SrmServiceGroup::getDependantResourceList(SrmResourceList *list) {
    if (list == nullptr) {
        return 0;
    }
    std::set<const SrmServiceGroup *> seen;
    for (SrmServiceGroup *g = this; g != nullptr && seen.insert(g).second; g = g->next) {
        if (g->members) {
            list->mergeResources(g->members.get());
        }
    }
    return 1;
}

int SrmServiceGroup::getDependantResourceList(SrmResourceList *list, SrmResourceType t) {
    if (list == nullptr) {
        return 0;
    }
    std::set<const SrmServiceGroup *> seen;
    for (SrmServiceGroup *g = this; g != nullptr && seen.insert(g).second; g = g->next) {
        if (g->members) {
            list->mergeResources(g->members.get(), t);
        }
    }
    return 1;
}

int SrmServiceGroup::getRecordedMemberCount() {
    int count = 0;
    if (members) {
        for (SrmResourceType t : kRecordedKinds) {
            count += members->getTypeCount(t);
        }
    }
    return count;
}

int SrmServiceGroup::serialize(int fd, int flags) {
    if (db == nullptr) {
        return 0;
    }
    if (db->getBuffer() == nullptr) {
        report(EIO, kSerializeFailed);
        return 0;
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_ServiceGroup);
    w.addText(SRM_KEY_Id, name);
    if ((flags & 0x1) == 0) {
        if (next != nullptr) {
            w.addText(SRM_KEY_ChildServiceGroup, next->name);
        }
        w.addLong(SRM_KEY_ResourceCount, getRecordedMemberCount());
    }
    if (w.write(fd) == 0) {
        report(EIO, kSerializeFailed);
        return 0;
    }
    if ((flags & 0x2) != 0 || !members) {
        return 1;
    }
    for (SrmResourceType t : kRecordedKinds) {
        SrmResourceIdMap *kind = members->getSrmResourceIdMap(t);
        if (kind == nullptr) {
            continue;
        }
        for (auto &member : *kind) {
            if (member.second->serialize(fd, 3) == 0) {
                return 0;
            }
        }
    }
    return 1;
}

int SrmServiceGroup::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        report(EINVAL, kDeserializeFailed);
        return 0;
    }
    int count = 0;
    bool noMemory = false;
    srm_walk::forEachElement(record, [&](int keyId, const std::string &value) {
        if (keyId == SRM_KEY_Id) {
            name = value;
        } else if (keyId == SRM_KEY_ResourceCount) {
            count = srmRecordInt(value);
        } else if (keyId == SRM_KEY_ChildServiceGroup && db != nullptr && !value.empty()) {
            SrmServiceGroup *child = db->findServiceGroup(value);
            if (child != nullptr) {
                setNextServiceGroup(child);
                return;
            }
            SrmScopedRef<SrmServiceGroup> made(srmNoted(new (std::nothrow) SrmServiceGroup(value)));
            if (!made) {
                noMemory = true;
                return;
            }
            // The link is not counted: only a child the database holds may be
            // linked, or it would die with the creator's reference.
            if (db->addServiceGroup(made.get()) != 0) {
                setNextServiceGroup(made.get());
            }
        }
    });
    if (noMemory) {
        return 0;
    }
    if (count < 1) {
        return 1;
    }
    CSRMReportTupleStreamReader *reader = db != nullptr ? db->getTupleStream() : nullptr;
    if (reader == nullptr) {
        return 0;
    }
    int added = 0;
    srm_walk::forEachFollowingRecord(reader, count, [&](CSRMReportTuple *member) {
        int word = -1;
        std::string id;
        srm_walk::readReference(member, &word, &id);
        SrmResourceType t = memberKindOfWord(word);
        if (t == SRM_RES_NONE) {
            return;
        }
        SrmResource *r = db->findResource(t, id);
        if (r != nullptr && addResource(r) != 0) {
            ++added;
        }
    });
    if (added != count) {
        report(EINVAL, kDeserializeFailed);
        return 0;
    }
    return 1;
}
