#include "inventory/kinds/SrmFileSystem.h"

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

SrmFileSystem::SrmFileSystem() {
    type = SRM_RES_FILESYSTEM;
}

SrmFileSystem::SrmFileSystem(std::string id) : SrmFileSystem() {
    Id = std::move(id);
}

SrmFileSystem::~SrmFileSystem() = default;

int SrmFileSystem::setCapacity(long kb) {
    return srmSetSize(CapacityKB, kb);
}

int SrmFileSystem::setFreeSpace(long kb) {
    return srmSetSize(FreeSpaceKB, kb);
}

int SrmFileSystem::setUsedSpace(long kb) {
    return srmSetSize(UsedSpaceKB, kb);
}

int SrmFileSystem::setReservedSpace(long kb) {
    return srmSetSize(ReservedSpaceKB, kb);
}

int SrmFileSystem::setMaxFileSize(int value) {
    MaxFileSz = value;
    return 1;
}

int SrmFileSystem::setFileCount(int value) {
    FileCnt = value;
    return 1;
}

int SrmFileSystem::setMaxFileCount(int value) {
    MaxFileCnt = value;
    return 1;
}

int SrmFileSystem::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_FILESYSTEM, [this](SrmFileSystem *o) {
        // The scanner reports the type it sees now; an empty one means the file
        // system no longer has a known type.
        try {
            FSType = o->FSType;
        } catch (const std::bad_alloc &) {
            srmNoteOutOfMemory();
            return 0;
        }
        setCapacity(o->CapacityKB);
        setFreeSpace(o->FreeSpaceKB);
        setUsedSpace(o->UsedSpaceKB);
        setReservedSpace(o->ReservedSpaceKB);
        srmTakeNonZero(Pack, o->Pack);
        srmTakeNonZero(Encrypt, o->Encrypt);
        if (o->FileCnt >= 0) {
            FileCnt = o->FileCnt;
        }
        if (o->MaxFileCnt >= 0) {
            MaxFileCnt = o->MaxFileCnt;
        }
        if (o->MaxFileSz >= 0) {
            MaxFileSz = o->MaxFileSz;
        }
        return 1;
    });
}

std::string SrmFileSystem::getResourceReportString(bool) {
    return std::string();
}

std::string SrmFileSystem::getResourceHeader(bool) {
    return std::string();
}

int SrmFileSystem::serialize(int fd, int flags) {
    if (!canWrite(this)) {
        return 0;
    }
    if ((flags & 1) != 0) {
        return writeShort(this, SRM_KEY_FileSystem, fd);
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_FileSystem);
    w.addText(SRM_KEY_Id, Id);
    w.addText(SRM_KEY_Volume, Volume);
    w.addText(SRM_KEY_PubId, PubId);
    w.addInt(SRM_KEY_State, srm_walk::stateValue(this));
    w.addText(SRM_KEY_LId, LId);
    w.addText(SRM_KEY_FSType, FSType);
    w.addInt(SRM_KEY_Pack, Pack);
    w.addInt(SRM_KEY_Encrypt, Encrypt);
    w.addInt(SRM_KEY_FileCnt, FileCnt);
    w.addInt(SRM_KEY_MaxFileCnt, MaxFileCnt);
    w.addInt(SRM_KEY_MaxFileSz, MaxFileSz);
    w.addLong(SRM_KEY_CapacityKB, CapacityKB);
    w.addLong(SRM_KEY_FreeSpaceKB, FreeSpaceKB);
    w.addLong(SRM_KEY_UsedSpaceKB, UsedSpaceKB);
    w.addLong(SRM_KEY_ReservedSpaceKB, ReservedSpaceKB);
    return w.write(fd);
}

int SrmFileSystem::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    try {
        forEachElement(record, [this](int keyId, std::string_view value) {
            if (takeCommon(this, keyId, value)) {
                return;
            }
            switch (keyId) {
                case SRM_KEY_Volume:
                    Volume = resolveVolume(db, value);
                    break;
                case SRM_KEY_FSType:
                    FSType = value;
                    break;
                case SRM_KEY_CapacityKB:
                    setCapacity(srmRecordLong(value));
                    break;
                case SRM_KEY_FreeSpaceKB:
                    setFreeSpace(srmRecordLong(value));
                    break;
                case SRM_KEY_UsedSpaceKB:
                    setUsedSpace(srmRecordLong(value));
                    break;
                case SRM_KEY_ReservedSpaceKB:
                    setReservedSpace(srmRecordLong(value));
                    break;
                case SRM_KEY_Pack:
                    Pack = srmRecordInt(value);
                    break;
                case SRM_KEY_Encrypt:
                    Encrypt = srmRecordInt(value);
                    break;
                case SRM_KEY_FileCnt:
                    setFileCount(srmRecordInt(value));
                    break;
                case SRM_KEY_MaxFileCnt:
                    setMaxFileCount(srmRecordInt(value));
                    break;
                case SRM_KEY_MaxFileSz:
                    setMaxFileSize(srmRecordInt(value));
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
