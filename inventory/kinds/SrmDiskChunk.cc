#include "inventory/kinds/SrmDiskChunk.h"

#include <string>
#include <string_view>

#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/SrmRecordWriter.h"
#include "inventory/persist/internal/SrmRecordWalk.h"

using srm_walk::forEachElement;
using srm_walk::takeCommon;

SrmDiskChunk::SrmDiskChunk() {
    type = SRM_RES_DISKCHUNK;
}

SrmDiskChunk::SrmDiskChunk(std::string id) : SrmDiskChunk() {
    Id = std::move(id);
}

SrmDiskChunk::~SrmDiskChunk() = default;

int SrmDiskChunk::setStartAndLength(long start, long length) {
    if (start < 0 || length < 0) {
        return 0;
    }
    Start = start;
    Length = length;
    return 1;
}

int SrmDiskChunk::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_DISKCHUNK, [this](SrmDiskChunk *o) {
        srmTakeText(DiskChunk, o->DiskChunk);
        srmTakeText(Disk, o->Disk);
        if (o->Start != 0 || o->Length != 0) {
            setStartAndLength(o->Start, o->Length);
        }
        return 1;
    });
}

std::string SrmDiskChunk::getResourceReportString(bool) {
    return std::string();
}

std::string SrmDiskChunk::getResourceHeader(bool) {
    return std::string();
}

int SrmDiskChunk::serialize(int fd, int flags) {
    if (getBuffer() == nullptr) {
        return 0;
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_DiskChunk);
    w.addText(SRM_KEY_Id, Id);
    if ((flags & 1) == 0) {
        w.addText(SRM_KEY_PubId, PubId);
        w.addInt(SRM_KEY_State, srm_walk::stateValue(this));
        w.addText(SRM_KEY_LId, LId);
        w.addText(SRM_KEY_DiskChunk, DiskChunk);
        w.addText(SRM_KEY_Disk, Disk);
        w.addLong(SRM_KEY_Start, Start);
        w.addLong(SRM_KEY_Length, Length);
    }
    return w.write(fd);
}

int SrmDiskChunk::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    long start = 0;
    long length = 0;
    forEachElement(record, [&](int keyId, std::string_view value) {
        if (takeCommon(this, keyId, value)) {
            return;
        }
        switch (keyId) {
            case SRM_KEY_DiskChunk:
                DiskChunk = value;
                break;
            case SRM_KEY_Start:
                start = srmRecordLong(value);
                break;
            case SRM_KEY_Length:
                length = srmRecordLong(value);
                break;
            case SRM_KEY_Disk: {
                // A chunk may name its disk by the disk's local identity; the
                // disk's own Id is what later lookups by Id will find.
                Disk = value;
                SrmResource *disk =
                    db != nullptr ? db->findGlobalResource(SRM_RES_DISK, Disk) : nullptr;
                if (disk != nullptr) {
                    Disk = disk->Id;
                }
                break;
            }
            default:
                break;
        }
    });
    setStartAndLength(start, length);
    return 1;
}
