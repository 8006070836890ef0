#include "inventory/kinds/SrmVolume.h"

#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/kinds/internal/SrmStorageRecord.h"
#include "inventory/kinds/internal/SrmVolumeFields.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/internal/SrmOutOfMemory.h"
#include "inventory/record/internal/SrmRecordWalk.h"

using srm_storage::writeMembers;
using srm_walk::forEachElement;
using srm_walk::forEachFollowingRecord;

namespace {

// Member lists of dead volumes, waiting to be deleted. Deleting a list
// releases its members, whose own destructors only queue their lists while
// the outermost destruction is emptying the queue: a hierarchy of any depth
// costs a few frames, and the queue holds the lists of volumes that died but
// whose lists are not yet taken apart (for a chain, never more than two).
struct Teardown {
    std::vector<SrmResourceList *> lists;
    bool draining = false;
};

Teardown &teardown() {
    thread_local Teardown queue;
    return queue;
}

void deleteLater(SrmResourceList *list) {
    if (list == nullptr) {
        return;
    }
    Teardown &queue = teardown();
    try {
        queue.lists.push_back(list);
    } catch (const std::bad_alloc &) {
        // No room to wait: this one list goes now, one level deeper.
        delete list;
        return;
    }
    if (queue.draining) {
        return;
    }
    queue.draining = true;
    while (!queue.lists.empty()) {
        SrmResourceList *next = queue.lists.back();
        queue.lists.pop_back();
        delete next;
    }
    queue.draining = false;
}

}  // namespace

SrmVolume::SrmVolume()
    : diskChunks(srmNoted(new (std::nothrow) SrmResourceList(nullptr))),
      subVolumes(srmNoted(new (std::nothrow) SrmResourceList(nullptr))) {
    type = SRM_RES_VOLUME;
}

SrmVolume::SrmVolume(SrmResourceDatabase *owner) : SrmVolume() {
    db = owner;
    if (diskChunks != nullptr) {
        diskChunks->setDb(owner);
    }
    if (subVolumes != nullptr) {
        subVolumes->setDb(owner);
    }
}

SrmVolume::SrmVolume(std::string id) : SrmVolume() {
    Id = id;
    volumeKey = std::move(id);
}

// Children forget this holder now, while it still exists; the lists go
// through the teardown queue.
SrmVolume::~SrmVolume() {
    if (SrmResourceIdMap *subs =
            subVolumes != nullptr ? subVolumes->getSrmResourceIdMap(SRM_RES_VOLUME) : nullptr) {
        for (auto &entry : *subs) {
            unlink(entry.second);
        }
    }
    setManager(nullptr);
    // The chunk list is taken first, so that a chain leaves no lists behind
    // on the queue while its lower volumes go.
    deleteLater(subVolumes);
    deleteLater(diskChunks);
}

void SrmVolume::setManager(SrmVolumeManager *m) {
    if (m != nullptr) {
        m->AddRef();
    }
    if (volumeManager != nullptr) {
        volumeManager->Release();
    }
    volumeManager = m;
}

int SrmVolume::setCapacity(long kb) {
    return srmSetSize(CapacityKB, kb);
}

int SrmVolume::setFreeSpace(long kb) {
    return srmSetSize(FreeSpaceKB, kb);
}

int SrmVolume::addDiskChunk(SrmResource *c) {
    if (c == nullptr || c->type != SRM_RES_DISKCHUNK || diskChunks == nullptr) {
        return 0;
    }
    return diskChunks->addResource(c);
}

int SrmVolume::addSubVolume(SrmResource *v) {
    auto *sub = dynamic_cast<SrmVolume *>(v);
    if (sub == nullptr || v->type != SRM_RES_VOLUME || subVolumes == nullptr) {
        return 0;
    }
    // A volume that is this one or holds it below would make this volume its
    // own descendant, and the lists a reference cycle that nothing frees.
    if (wouldLoop(sub)) {
        return 0;
    }
    // The types change only for a link actually made: a volume marked as a
    // sub-volume is written only through its parents.
    int added = link(sub);
    if (added != 0) {
        sub->HierType = SRM_HIER_SUBVOLUME;
        if (HierType != SRM_HIER_SUBVOLUME) {
            HierType = SRM_HIER_HAS_SUBVOLUMES;
        }
    }
    return added;
}

int SrmVolume::removeDiskChunk(SrmResource *c) {
    if (c == nullptr || c->type != SRM_RES_DISKCHUNK || diskChunks == nullptr) {
        return 0;
    }
    return diskChunks->removeResource(SRM_RES_DISKCHUNK, c);
}

int SrmVolume::removeSubVolume(SrmResource *v) {
    if (v == nullptr || v->type != SRM_RES_VOLUME || subVolumes == nullptr) {
        return 0;
    }
    unlink(subVolumes->findResource(SRM_RES_VOLUME, v->Id));
    return subVolumes->removeResource(SRM_RES_VOLUME, v);
}

int SrmVolume::mergeDiskChunkList(SrmResourceList *l) {
    if (l == nullptr || diskChunks == nullptr) {
        return 0;
    }
    // The list stamps its database into the chunks it adds.
    if (db != nullptr) {
        diskChunks->setDb(db);
    }
    return diskChunks->mergeResources(l);
}

void SrmVolume::setVolumeMgrId(std::string id) {
    SrmVolumeManager *manager = srm_storage::findVolumeManager(db, id);
    if (manager == nullptr) {
        return;
    }
    VolumeManager = std::move(id);
    setManager(manager);
}

int SrmVolume::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_VOLUME, [this](SrmVolume *o) {
        if (srmTakeFields(SrmVolumeFields::table, *this, *o) == 0) {
            return 0;
        }
        if (o->Status != 0) {
            Status = o->Status;
            StatusDesc = o->StatusDesc;
        }
        if (o->HierType != 0 && HierType != SRM_HIER_SUBVOLUME) {
            HierType = o->HierType;
        }
        // A volume first met in another volume's member list is held as an
        // empty placeholder; the record that really describes it arrives as
        // the newcomer, and must not lose its name and manager to it.
        if (Name.empty() && volumeManager == nullptr) {
            Name = o->Name;
            if (o->volumeManager != nullptr) {
                VolumeManager = o->VolumeManager;
                setManager(o->volumeManager);
            }
        }
        if (o->diskChunks != nullptr) {
            mergeDiskChunkList(o->diskChunks);
        }
        if (o->subVolumes != nullptr) {
            mergeSubVolumeList(o->subVolumes);
        }
        return 1;
    });
}

std::string SrmVolume::getResourceReportString(bool) {
    return std::string();
}

std::string SrmVolume::getResourceHeader(bool) {
    return std::string();
}

int SrmVolume::serialize(int fd, int flags) {
    if (srmWriteRecord(SrmVolumeFields::table, *this, fd, flags) == 0) {
        return 0;
    }
    if ((flags & 1) != 0) {
        return 1;
    }
    // Only the kinds the counts above count are written, so that the reader
    // consumes exactly what follows.
    if (writeMembers(diskChunks, SRM_RES_DISKCHUNK, fd) == 0) {
        return 0;
    }
    return writeMembers(subVolumes, SRM_RES_VOLUME, fd);
}

int SrmVolume::deserialize(int, CSRMReportTuple *record) {
    SrmFieldScratch scratch;
    if (srmReadRecord(SrmVolumeFields::table, *this, record, scratch) == 0) {
        return 0;
    }
    long long chunkCount = scratch.number[SrmVolumeFields::kChunkCount];
    long long subCount = scratch.number[SrmVolumeFields::kSubVolumeCount];
    if (chunkCount + subCount < 1) {
        return 1;
    }
    CSRMReportTupleStreamReader *reader = getTupleStream();
    if (reader == nullptr) {
        return 0;
    }
    long long chunksAttached = 0;
    long long subsAttached = 0;
    // The kind a "Type" names carries over to later member records until
    // another "Type" of one of the two member kinds is seen.
    int selected = SRM_KEY_Type;
    forEachFollowingRecord(reader, chunkCount + subCount, [&](CSRMReportTuple *member) {
        forEachElement(member, [&](int keyId, const std::string &value) {
            if (keyId == SRM_KEY_Type) {
                int word = SrmUlvarGetStringId(value);
                if (word == SRM_KEY_DiskChunk || word == SRM_KEY_Volume) {
                    selected = word;
                }
            } else if (keyId == SRM_KEY_Id && selected == SRM_KEY_DiskChunk) {
                SrmResource *chunk = db->findResource(SRM_RES_DISKCHUNK, value);
                if (chunk != nullptr && addDiskChunk(chunk) != 0) {
                    ++chunksAttached;
                }
            } else if (keyId == SRM_KEY_Id && selected == SRM_KEY_Volume) {
                if (attachSubVolume(value) != 0) {
                    ++subsAttached;
                }
            }
        });
    });
    return chunksAttached == chunkCount && subsAttached == subCount ? 1 : 0;
}

// A sub-volume refused because it would close a loop still counts as read: the
// record was understood and its member consumed, only the link is dropped, so
// a stored file whose sub-volume records loop still loads.
int SrmVolume::attachSubVolume(const std::string &id) {
    // A volume is never its own sub-volume: refused like a loop. Read from a
    // batch, this volume is not in the database yet, so its own Id would make
    // a second volume of that Id below it, which a write would then put in
    // its place.
    if (id == Id) {
        return 1;
    }
    SrmResource *held = db->findResource(SRM_RES_VOLUME, id);
    if (held != nullptr) {
        auto *sub = dynamic_cast<SrmVolume *>(held);
        if (sub != nullptr && held->type == SRM_RES_VOLUME && subVolumes != nullptr &&
            wouldLoop(sub)) {
            return 1;
        }
        return addSubVolume(held);
    }
    SrmScopedRef<SrmVolume> made(srmNoted(new (std::nothrow) SrmVolume(id)));
    if (!made) {
        return 0;
    }
    made->db = db;
    db->addResource(made.get());
    return addSubVolume(made.get());
}
