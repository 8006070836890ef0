#include "inventory/kinds/SrmComputer.h"

#include <new>

#include "inventory/kinds/internal/SrmComputerFields.h"
#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/internal/SrmOutOfMemory.h"
#include "inventory/record/internal/SrmRecordWalk.h"

namespace {

// The kind a child record's "Type" word names; SRM_RES_NONE for any other word.
SrmResourceType childKindOfWord(int word) {
    switch (word) {
        case SRM_KEY_Disk:
            return SRM_RES_DISK;
        case SRM_KEY_DiskChunk:
            return SRM_RES_DISKCHUNK;
        case SRM_KEY_VolumeManager:
            return SRM_RES_VOLUMEMANAGER;
        case SRM_KEY_Volume:
            return SRM_RES_VOLUME;
        case SRM_KEY_FileSystem:
            return SRM_RES_FILESYSTEM;
        case SRM_KEY_MountPoint:
            return SRM_RES_MOUNTPOINT;
        case SRM_KEY_Share:
            return SRM_RES_SHARE;
        case SRM_KEY_VirtualServer:
            return SRM_RES_VIRTUALSERVER;
        case SRM_KEY_VolumeGroup:
            return SRM_RES_VOLUMEGROUP;
        default:
            return SRM_RES_NONE;
    }
}

}  // namespace

SrmComputer::SrmComputer() : resources(srmNoted(new (std::nothrow) SrmResourceList(nullptr))) {
    type = SRM_RES_COMPUTER;
}

SrmComputer::SrmComputer(std::string name) : SrmComputer() {
    Id = name;
    HostName = std::move(name);
}

SrmComputer::~SrmComputer() {
    for (auto &entry : serviceGroups) {
        if (entry.second != nullptr) {
            entry.second->Release();
        }
    }
}

int SrmComputer::setCapacity(long kb) {
    return srmSetSize(CapacityKB, kb);
}

int SrmComputer::setFreeSpace(long kb) {
    return srmSetSize(FreeSpaceKB, kb);
}

int SrmComputer::addResource(SrmResource *r) {
    if (r == nullptr || !resources || r->type == SRM_RES_COMPUTER) {
        return 0;
    }
    return resources->addResource(r);
}

int SrmComputer::removeResource(SrmResource *r) {
    if (r == nullptr || !resources) {
        return 0;
    }
    return resources->removeResource(r->type, r);
}

int SrmComputer::addServiceGroup(SrmServiceGroup *sg) {
    if (sg == nullptr) {
        return 0;
    }
    auto held = serviceGroups.find(sg->getName());
    if (held != serviceGroups.end() && held->second != nullptr) {
        return 0;
    }
    try {
        serviceGroups[sg->getName()] = sg;
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    sg->AddRef();
    return 1;
}

int SrmComputer::removeServiceGroup(std::string name) {
    if (name.empty()) {
        return 0;
    }
    auto held = serviceGroups.find(name);
    if (held == serviceGroups.end() || held->second == nullptr) {
        return 0;
    }
    SrmServiceGroup *gone = held->second;
    serviceGroups.erase(held);
    gone->Release();
    return 1;
}

int SrmComputer::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_COMPUTER, [this](SrmComputer *o) {
        if (srmTakeFields(SrmComputerFields::table, *this, *o) == 0) {
            return 0;
        }
        // The newcomer may have made itself this computer while it was read;
        // it dies after this merge, so the computer that keeps its "TIM" takes
        // its place.
        if (o->TIM != 0 && db != nullptr) {
            db->setThisComputer(this);
        }
        if (resources && o->resources) {
            // Resources the merge adds are stamped with the list's database, which
            // must be this computer's own rather than none.
            if (db != nullptr) {
                resources->setDb(db);
            }
            resources->mergeResources(o->resources.get());
        }
        return 1;
    });
}

int SrmComputer::serialize(int fd, int flags) {
    if (srmWriteRecord(SrmComputerFields::table, *this, fd, flags) == 0) {
        return 0;
    }
    if ((flags & 0x1) != 0) {
        return 1;
    }
    if (resources) {
        for (SrmResourceType t : SrmComputerFields::kWrittenKinds) {
            SrmResourceIdMap *kind = resources->getSrmResourceIdMap(t);
            if (kind == nullptr) {
                continue;
            }
            for (auto &entry : *kind) {
                if (entry.second->serialize(fd, 3) == 0) {
                    return 0;
                }
            }
        }
    }
    for (auto &entry : serviceGroups) {
        if (entry.second != nullptr) {
            entry.second->serialize(fd, 3);
        }
    }
    return 1;
}

int SrmComputer::deserialize(int, CSRMReportTuple *record) {
    SrmFieldScratch scratch;
    if (srmReadRecord(SrmComputerFields::table, *this, record, scratch) == 0) {
        return 0;
    }
    int resourceCount = static_cast<int>(scratch.number[SrmComputerFields::kResourceCount]);
    int groupCount = static_cast<int>(scratch.number[SrmComputerFields::kGroupCount]);
    int result = 1;
    if (resourceCount >= 1 || groupCount >= 1) {
        result = readChildren(resourceCount, groupCount);
    }
    // Named this computer only once the read succeeded: a computer that fails
    // to read is dropped by its caller and must not stay named.
    if (result != 0 && TIM != 0 && db != nullptr) {
        db->setThisComputer(this);
    }
    return result;
}

// The children are short records that follow the computer's own, resolved
// against what the database already holds.
int SrmComputer::readChildren(int resourceCount, int groupCount) {
    CSRMReportTupleStreamReader *reader = getTupleStream();
    if (reader == nullptr) {
        return 0;
    }
    int found = 0;
    srm_walk::forEachFollowingRecord(reader, resourceCount, [&](CSRMReportTuple *child) {
        int word = -1;
        std::string id;
        srm_walk::readReference(child, &word, &id);
        SrmResourceType t = childKindOfWord(word);
        SrmResource *r = t != SRM_RES_NONE ? db->findResource(t, id) : nullptr;
        if (r != nullptr && addResource(r) != 0) {
            ++found;
        }
    });
    if (found != (resourceCount < 1 ? 0 : resourceCount)) {
        return 0;
    }
    found = 0;
    srm_walk::forEachFollowingRecord(reader, groupCount, [&](CSRMReportTuple *child) {
        int word = -1;
        std::string name;
        srm_walk::readReference(child, &word, &name);
        SrmServiceGroup *g = db->findServiceGroup(name);
        if (g != nullptr) {
            found += addServiceGroup(g);
            return;
        }
        SrmScopedRef<SrmServiceGroup> made(srmNoted(new (std::nothrow) SrmServiceGroup(name)));
        if (made && db->addServiceGroup(made.get()) != 0) {
            found += addServiceGroup(made.get());
        }
    });
    return found == (groupCount < 1 ? 0 : groupCount) ? 1 : 0;
}
