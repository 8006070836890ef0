// Physical storage: a disk as the scanner reports it. It writes one record and
// no nested records; volume groups refer to disks, disk chunks lie on them.
#ifndef INVENTORY_KINDS_SRMDISK_H
#define INVENTORY_KINDS_SRMDISK_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

// The disk chunk had its place in this header; its includers still find it.
#include "inventory/kinds/SrmDiskChunk.h"

class SrmResourceDatabase;

// A disk (kind 2, "Disk"), by the contract every kind keeps
// (SrmResourceFields.h). Every constructor also sets SRM_STATE_BIT1.
class ULVAR_API SrmDisk : public SrmResource {
  public:
    SrmDisk();
    // Bound to `db` (not owned), which serialize then writes through.
    explicit SrmDisk(SrmResourceDatabase *db);
    explicit SrmDisk(std::string id);
    ~SrmDisk() override;

    // A negative size is refused with 0 and the old one kept; otherwise stored, 1.
    int setCapacity(long kb);
    int setFreeSpace(long kb);

    // Numbers and sizes are taken from `other` when not 0, texts when not
    // empty, its state word is ORed in; the name only when this disk has none
    // and the signature only when this disk's is negative.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override;
    std::string getResourceHeader(bool) override;
    int serialize(int fd, int flags) override;
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string Name;
    std::string Make;
    std::string Model;
    std::string Revision;
    std::string SerialNum;
    long CapacityKB = 0;   // never negative; change through setCapacity
    long FreeSpaceKB = 0;  // never negative; change through setFreeSpace
    long Sign = -1;        // negative: no signature known
    int DiskType = 0;
    int FactoryDefect = 0;
    int GrownDefect = 0;
    int RPM = 0;
    int Sbc = 0;
    int AWRE = 0;
    int VendorVer = 0;
    int Status = 0;
    std::string StatusDesc;
    int IdType = 0;
    std::string IdValue;
    int AddrBus = 0;
    int AddrLUN = 0;
    int AddrTarget = 0;
    int LLTId = 0;
};

#endif
