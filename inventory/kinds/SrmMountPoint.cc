#include "inventory/kinds/SrmMountPoint.h"

#include <new>
#include <string>
#include <string_view>

#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/internal/SrmOutOfMemory.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/SrmRecordWriter.h"
#include "inventory/persist/internal/SrmRecordWalk.h"

using srm_walk::forEachElement;
using srm_walk::takeCommon;

namespace {

// A volume named by its Id, or by a local identity registered for it, is
// stored under its own Id; a value the database does not know is kept as read.
std::string resolveVolume(SrmResourceDatabase *db, std::string_view value) {
    std::string id(value);
    if (db == nullptr || id.empty()) {
        return id;
    }
    SrmResource *volume = db->findGlobalResource(SRM_RES_VOLUME, id);
    return volume != nullptr ? volume->Id : id;
}

// Short form of all three kinds.
int writeShort(SrmResource *r, int kindWord, int fd) {
    SrmRecordWriter w(r->db->getRecordText());
    w.addWord(SRM_KEY_Type, kindWord);
    w.addText(SRM_KEY_Id, r->Id);
    return w.write(fd);
}

bool canWrite(const SrmResource *r) {
    return r->db != nullptr && r->getBuffer() != nullptr;
}

}  // namespace

SrmMountPoint::SrmMountPoint() {
    type = SRM_RES_MOUNTPOINT;
}

SrmMountPoint::SrmMountPoint(std::string id) : SrmMountPoint() {
    Id = std::move(id);
}

SrmMountPoint::~SrmMountPoint() = default;

int SrmMountPoint::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_MOUNTPOINT, [this](SrmMountPoint *o) {
        try {
            srmTakeText(VolumeId, o->VolumeId);
            srmTakeText(MountPointName, o->MountPointName);
            srmTakeText(MountToSystem, o->MountToSystem);
            srmTakeText(MountLocation, o->MountLocation);
        } catch (const std::bad_alloc &) {
            srmNoteOutOfMemory();
            return 0;
        }
        srmTakeNonZero(MountType, o->MountType);
        srmTakeNonZero(MountAtStartup, o->MountAtStartup);
        srmTakeNonZero(ReadOnly, o->ReadOnly);
        srmTakeNonZero(MountOptions, o->MountOptions);
        return 1;
    });
}

std::string SrmMountPoint::getResourceReportString(bool) {
    return std::string();
}

std::string SrmMountPoint::getResourceHeader(bool) {
    return std::string();
}

int SrmMountPoint::serialize(int fd, int flags) {
    if (!canWrite(this)) {
        return 0;
    }
    if ((flags & 1) != 0) {
        return writeShort(this, SRM_KEY_MountPoint, fd);
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_MountPoint);
    w.addText(SRM_KEY_Id, Id);
    w.addText(SRM_KEY_PubId, PubId);
    w.addInt(SRM_KEY_State, srm_walk::stateValue(this));
    w.addText(SRM_KEY_LId, LId);
    w.addText(SRM_KEY_VolumeId, VolumeId);
    w.addText(SRM_KEY_MountPointName, MountPointName);
    w.addInt(SRM_KEY_MountType, MountType);
    w.addText(SRM_KEY_MountToSystem, MountToSystem);
    w.addInt(SRM_KEY_MountOptions, MountOptions);
    w.addInt(SRM_KEY_MountAtStartup, MountAtStartup);
    w.addInt(SRM_KEY_ReadOnly, ReadOnly);
    w.addText(SRM_KEY_MountLocation, MountLocation);
    return w.write(fd);
}

int SrmMountPoint::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    try {
        forEachElement(record, [this](int keyId, std::string_view value) {
            if (takeCommon(this, keyId, value)) {
                return;
            }
            switch (keyId) {
                case SRM_KEY_VolumeId:
                    VolumeId = resolveVolume(db, value);
                    break;
                case SRM_KEY_MountPointName:
                    MountPointName = value;
                    break;
                case SRM_KEY_MountLocation:
                    MountLocation = value;
                    break;
                case SRM_KEY_MountToSystem:
                    MountToSystem = value;
                    break;
                case SRM_KEY_MountAtStartup:
                    MountAtStartup = srmRecordInt(value);
                    break;
                case SRM_KEY_ReadOnly:
                    ReadOnly = srmRecordInt(value);
                    break;
                case SRM_KEY_MountType:
                    MountType = srmRecordInt(value);
                    break;
                case SRM_KEY_MountOptions:
                    MountOptions = srmRecordInt(value);
                    break;
                default:
                    break;
            }
        });
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    return 1;
}
