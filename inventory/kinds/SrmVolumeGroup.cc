#include "inventory/kinds/SrmVolumeGroup.h"

#include <new>
#include <string>
#include <string_view>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeManager.h"
#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/kinds/internal/SrmStorageRecord.h"
#include "inventory/kinds/internal/SrmVolumeGroupFields.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmScopedRef.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/internal/SrmOutOfMemory.h"
#include "inventory/record/internal/SrmRecordWalk.h"

using srm_storage::writeMembers;
using srm_walk::forEachElement;
using srm_walk::forEachFollowingRecord;

SrmVolumeGroup::SrmVolumeGroup()
    : volumes(srmNoted(new (std::nothrow) SrmResourceList(nullptr))),
      disks(srmNoted(new (std::nothrow) SrmResourceList(nullptr))) {
    type = SRM_RES_VOLUMEGROUP;
}

SrmVolumeGroup::SrmVolumeGroup(SrmResourceDatabase *owner) : SrmVolumeGroup() {
    db = owner;
    if (volumes != nullptr) {
        volumes->setDb(owner);
    }
    if (disks != nullptr) {
        disks->setDb(owner);
    }
}

SrmVolumeGroup::SrmVolumeGroup(std::string id) : SrmVolumeGroup() {
    Id = std::move(id);
}

SrmVolumeGroup::~SrmVolumeGroup() {
    delete volumes;
    delete disks;
    if (volumeManager != nullptr) {
        volumeManager->Release();
    }
}

int SrmVolumeGroup::setCapacity(long kb) {
    return srmSetSize(CapacityKB, kb);
}

int SrmVolumeGroup::setFreeSpace(long kb) {
    return srmSetSize(FreeSpaceKB, kb);
}

int SrmVolumeGroup::addVolume(SrmResource *v) {
    return volumes != nullptr ? volumes->addResource(v) : 0;
}

int SrmVolumeGroup::addDisk(SrmResource *d) {
    return disks != nullptr ? disks->addResource(d) : 0;
}

// Removal goes by Id within the kind, so a member of another kind that shares
// the Id must not be taken for it.
int SrmVolumeGroup::removeVolume(SrmResource *v) {
    if (v == nullptr || v->type != SRM_RES_VOLUME || volumes == nullptr) {
        return 0;
    }
    return volumes->removeResource(SRM_RES_VOLUME, v);
}

int SrmVolumeGroup::removeDisk(SrmResource *d) {
    if (d == nullptr || d->type != SRM_RES_DISK || disks == nullptr) {
        return 0;
    }
    return disks->removeResource(SRM_RES_DISK, d);
}

void SrmVolumeGroup::setVolumeMgrId(std::string id) {
    SrmVolumeManager *manager = srm_storage::findVolumeManager(db, id);
    if (manager == nullptr) {
        return;
    }
    VolumeManager = std::move(id);
    manager->AddRef();
    if (volumeManager != nullptr) {
        volumeManager->Release();
    }
    volumeManager = manager;
}

int SrmVolumeGroup::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_VOLUMEGROUP, [this](SrmVolumeGroup *o) {
        // The lists stamp their database into the members they add.
        if (volumes != nullptr && o->volumes != nullptr) {
            if (db != nullptr) {
                volumes->setDb(db);
            }
            volumes->mergeResources(o->volumes);
        }
        if (disks != nullptr && o->disks != nullptr) {
            if (db != nullptr) {
                disks->setDb(db);
            }
            disks->mergeResources(o->disks);
        }
        return srmTakeFields(SrmVolumeGroupFields::table, *this, *o);
    });
}

std::string SrmVolumeGroup::getResourceReportString(bool) {
    return std::string();
}

std::string SrmVolumeGroup::getResourceHeader(bool) {
    return std::string();
}

int SrmVolumeGroup::serialize(int fd, int flags) {
    if (srmWriteRecord(SrmVolumeGroupFields::table, *this, fd, flags) == 0) {
        return 0;
    }
    if ((flags & 2) != 0) {
        return 1;
    }
    // Only the kinds the counts count are written, so that the reader consumes
    // exactly what follows.
    if (writeMembers(disks, SRM_RES_DISK, fd) == 0) {
        return 0;
    }
    return writeMembers(volumes, SRM_RES_VOLUME, fd);
}

// The computer the record names gets this group in its own list. A computer
// the database does not hold is made for the purpose, as stored files expect
// of the key, but nothing would own it: it is released at once, and with it
// the reference its list took on this group. The group never holds the
// computer, so no cycle can keep either alive.
void SrmVolumeGroup::joinComputer(const std::string &computerId) {
    if (db == nullptr) {
        return;
    }
    auto *held = dynamic_cast<SrmComputer *>(db->findResource(SRM_RES_COMPUTER, computerId));
    if (held != nullptr) {
        held->addResource(this);
        return;
    }
    SrmScopedRef<SrmComputer> made(srmNoted(new (std::nothrow) SrmComputer(computerId)));
    if (made) {
        made->addResource(this);
    }
}

// The database's member of kind `t` named `id` (also as a local identity);
// one made empty with that Id and added to the database when there is none.
// The caller gets a reference it must give back.
SrmResource *SrmVolumeGroup::memberFor(SrmResourceType t, const std::string &id) {
    SrmResource *held = db->findGlobalResource(t, id);
    if (held != nullptr) {
        held->AddRef();
        return held;
    }
    SrmResource *made = nullptr;
    if (t == SRM_RES_DISK) {
        made = srmNoted(new (std::nothrow) SrmDisk(id));
    } else {
        made = srmNoted(new (std::nothrow) SrmVolume(id));
    }
    if (made != nullptr) {
        made->db = db;
        db->addResource(made);
    }
    return made;
}

int SrmVolumeGroup::deserialize(int, CSRMReportTuple *record) {
    SrmFieldScratch scratch;
    if (srmReadRecord(SrmVolumeGroupFields::table, *this, record, scratch) == 0) {
        return 0;
    }
    long long diskCount = scratch.number[SrmVolumeGroupFields::kDiskCount];
    long long volumeCount = scratch.number[SrmVolumeGroupFields::kVolumeCount];
    if (diskCount < 1 && volumeCount < 1) {
        return 1;
    }
    CSRMReportTupleStreamReader *reader = getTupleStream();
    if (reader == nullptr) {
        return 0;
    }
    long long attached = 0;
    auto attach = [&](SrmResourceType t) {
        return [&, t](CSRMReportTuple *member) {
            forEachElement(member, [&](int keyId, const std::string &value) {
                if (keyId != SRM_KEY_Id) {
                    return;
                }
                SrmScopedRef<SrmResource> m(memberFor(t, value));
                if (m && (t == SRM_RES_DISK ? addDisk(m.get()) : addVolume(m.get())) != 0) {
                    ++attached;
                }
            });
        };
    };
    forEachFollowingRecord(reader, diskCount, attach(SRM_RES_DISK));
    if (attached != diskCount) {
        return 0;
    }
    attached = 0;
    forEachFollowingRecord(reader, volumeCount, attach(SRM_RES_VOLUME));
    return attached == volumeCount ? 1 : 0;
}
