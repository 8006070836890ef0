// A contiguous piece of a disk (a partition, or an extent a volume manager
// uses). It writes one record and no nested records; volumes refer to chunks.
#ifndef INVENTORY_KINDS_SRMDISKCHUNK_H
#define INVENTORY_KINDS_SRMDISKCHUNK_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

// Kind 9, "DiskChunk", by the contract every kind keeps (SrmResourceFields.h).
class ULVAR_API SrmDiskChunk : public SrmResource {
  public:
    SrmDiskChunk();
    explicit SrmDiskChunk(std::string id);
    ~SrmDiskChunk() override;

    // 0 and nothing changed when either is negative; otherwise both stored, 1.
    int setStartAndLength(long start, long length);

    // Chunk name and disk are taken from `other` when not empty; start and
    // length together when either of `other`'s is not 0.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override;
    std::string getResourceHeader(bool) override;
    int serialize(int fd, int flags) override;
    // "Disk" is looked up as a disk of the owning database (also as a local
    // identity): when one is found its own Id is stored, else the value as read.
    // Missing "Start" and "Length" read as 0.
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string Disk;       // Id of the disk the chunk lies on
    std::string DiskChunk;  // the chunk's name
    long Start = 0;         // in the scanner's units; never negative
    long Length = 0;        // never negative
};

#endif
