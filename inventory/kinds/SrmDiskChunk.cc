#include "inventory/kinds/SrmDiskChunk.h"

#include <string>

#include "inventory/kinds/internal/SrmDiskChunkFields.h"
#include "inventory/kinds/internal/SrmKindMerge.h"

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
        if (srmTakeFields(SrmDiskChunkFields::table, *this, *o) == 0) {
            return 0;
        }
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
    return srmWriteRecord(SrmDiskChunkFields::table, *this, fd, flags);
}

// Missing "Start" and "Length" read as 0.
int SrmDiskChunk::deserialize(int, CSRMReportTuple *record) {
    SrmFieldScratch scratch;
    if (srmReadRecord(SrmDiskChunkFields::table, *this, record, scratch) == 0) {
        return 0;
    }
    setStartAndLength(scratch.number[SrmDiskChunkFields::kStart],
                      scratch.number[SrmDiskChunkFields::kLength]);
    return 1;
}
