// The disk chunk's record, field by field (SrmFieldTable.h).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMDISKCHUNKFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMDISKCHUNKFIELDS_H

#include "inventory/kinds/SrmDiskChunk.h"
#include "inventory/kinds/internal/SrmFieldTable.h"

struct SrmDiskChunkFields {
    using F = SrmFieldRows<SrmDiskChunk>;
    // Start and Length are read aside and set together (setStartAndLength);
    // a merge takes them together too.
    static constexpr uint8_t kStart = 0;
    static constexpr uint8_t kLength = 1;
    static constexpr SrmField<SrmDiskChunk> rows[] = {
        F::word(SRM_KEY_DiskChunk),
        F::id(),
        F::pubId(),
        F::state(SrmMerge::Keep),
        F::lid(),
        F::text(SRM_KEY_DiskChunk, &SrmDiskChunk::DiskChunk, SrmMerge::IfSet),
        F::reference(F::text(SRM_KEY_Disk, &SrmDiskChunk::Disk, SrmMerge::IfSet), SRM_RES_DISK),
        F::scratch(F::number(SRM_KEY_Start, &SrmDiskChunk::Start, SrmMerge::Keep), kStart),
        F::scratch(F::number(SRM_KEY_Length, &SrmDiskChunk::Length, SrmMerge::Keep), kLength),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_DISKCHUNK, rows);
};

#endif
