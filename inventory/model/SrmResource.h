// The resource base: kind, state bits, identities and owning database of every
// inventoried thing, and the operations through which all kinds are treated alike.
#ifndef INVENTORY_MODEL_SRMRESOURCE_H
#define INVENTORY_MODEL_SRMRESOURCE_H

#include <cstdint>
#include <string>

#include "inventory/model/SrmRef.h"
#include "ulvar/export.h"

class CSRMReportTuple;
class CSRMReportTupleStreamReader;
class CSRMTupleFDStream;
class SrmResourceDatabase;

// Resource kinds. The numbers order every walk over all resources; records name
// a kind by a word instead. 11 and 12 belong to no kind.
enum SrmResourceType : int32_t {
    SRM_RES_NONE = 0,  // refused by every container
    SRM_RES_COMPUTER = 1,
    SRM_RES_DISK = 2,
    SRM_RES_VOLUME = 3,
    SRM_RES_FILESYSTEM = 4,
    SRM_RES_MOUNTPOINT = 5,
    SRM_RES_VIRTUALSERVER = 6,
    SRM_RES_VOLUMEGROUP = 7,
    SRM_RES_VOLUMEMANAGER = 8,
    SRM_RES_DISKCHUNK = 9,
    SRM_RES_SHARE = 10,
    SRM_RES_ID = 13,
};

// Bits of SrmResource::state.
constexpr uint32_t SRM_STATE_BIT1 = 0x1;  // carried through records; set for disks and aliases
constexpr uint32_t SRM_STATE_BIT2 = 0x2;  // carried through records only
constexpr uint32_t SRM_STATE_REPORT = 0x4;
constexpr uint32_t SRM_STATE_VIRTUAL_REPORT = 0x8;
constexpr uint32_t SRM_STATE_MERGED = 0x10;        // absorbed by another resource's merge
constexpr uint32_t SRM_STATE_FROM_SER_RDB = 0x20;  // read from a serialized database

// Abstract base of every kind. A new resource has one reference (its creator's),
// type SRM_RES_NONE until a kind's constructor sets it, state 0xC, empty
// identities and no database.
class ULVAR_API SrmResource : public SrmRef {
  public:
    SrmResource();
    ~SrmResource() override;

    int shouldReport() const { return (state & SRM_STATE_REPORT) != 0; }
    int shouldVirtualReport() const { return (state & SRM_STATE_VIRTUAL_REPORT) != 0; }
    int isMerged() const { return (state & SRM_STATE_MERGED) != 0; }
    int isLoadedFromSerRDB() const { return (state & SRM_STATE_FROM_SER_RDB) != 0; }
    void setReport(bool on);
    void setVirtualReport(bool on);

    // The owning database's shared 2049-byte format buffer and its length; null
    // and 0 while the resource belongs to no database. The buffer belongs to the
    // database and is shared by all its resources.
    char *getBuffer() const;
    int getBufferLength() const;

    // The database's attached input stream and record reader, or null (no
    // database, or nothing attached). Owned by the database.
    CSRMTupleFDStream *getStreamFD() const;
    CSRMReportTupleStreamReader *getTupleStream() const;

    // Folds `other` (same kind and Id, not null) into this resource, the one the
    // database already holds; marks `other` with SRM_STATE_MERGED. Non-zero on
    // success. `other` may be this very object when two lists share it.
    virtual int mergeResource(SrmResource *other) = 0;
    // One line describing the resource, and the header line that matches it.
    virtual std::string getResourceReportString(bool) = 0;
    virtual std::string getResourceHeader(bool) = 0;
    // Writes the resource as one record to `fd`; bit 0x1 of `flags` selects the
    // short form. 0 on failure, and always 0 without a database.
    virtual int serialize(int fd, int flags) = 0;
    // Fills the resource from one parsed record (not owned); non-zero on success.
    virtual int deserialize(int fd, CSRMReportTuple *record) = 0;

    SrmResourceType type = SRM_RES_NONE;
    uint32_t state = SRM_STATE_REPORT | SRM_STATE_VIRTUAL_REPORT;
    std::string Id;                     // identity within the kind; the key of lists and merges
    std::string PubId;                  // public identity the report may show
    std::string LId;                    // local identity other records of the same scan refer to
    SrmResourceDatabase *db = nullptr;  // owner; not owned, not counted
};

#endif
