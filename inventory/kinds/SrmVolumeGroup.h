// The volume group: disks and the volumes carved from them, under one volume
// manager.
#ifndef INVENTORY_KINDS_SRMVOLUMEGROUP_H
#define INVENTORY_KINDS_SRMVOLUMEGROUP_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

class SrmResourceDatabase;
class SrmResourceList;
class SrmVolumeManager;

// Kind 7, "VolumeGroup". Merges, writes and reads itself, and owns its member
// lists, by the contract common to the storage kinds, stated in SrmVolume.h.
class ULVAR_API SrmVolumeGroup : public SrmResource {
  public:
    SrmVolumeGroup();
    // Bound to `db` (not owned).
    explicit SrmVolumeGroup(SrmResourceDatabase *db);
    explicit SrmVolumeGroup(std::string id);
    // Releases the member lists and the manager.
    ~SrmVolumeGroup() override;

    // A negative size is refused with 0 and the old one kept; otherwise stored, 1.
    int setCapacity(long kb);
    int setFreeSpace(long kb);

    // Add to the volume list or the disk list (no kind check): the list's
    // result, 0 without a list.
    int addVolume(SrmResource *v);
    int addDisk(SrmResource *d);
    // Remove a volume (kind 3) or disk (kind 2): the list's result; 0 for a
    // null or missing list.
    int removeVolume(SrmResource *v);
    int removeDisk(SrmResource *d);

    // As SrmVolume::setVolumeMgrId; the group holds a reference on its manager.
    void setVolumeMgrId(std::string id);
    SrmVolumeManager *getVolumeManager() const { return volumeManager; }

    SrmResourceList *getVolumeList() const { return volumes; }
    SrmResourceList *getDiskList() const { return disks; }

    // Merges `other`'s volume and disk lists into this group's; capacity and
    // free space are taken from `other` only where this group's are below 1.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override;
    std::string getResourceHeader(bool) override;
    // Unless bit 0x2 of `flags` is set, the record is followed by one short
    // record per disk, then per volume, each in Id order.
    int serialize(int fd, int flags) override;
    // Reads "DiskCount" disk records, then "VolumeCount" volume records; a
    // member the database lacks (also as a local identity) is made empty with
    // that Id and added to the database. "OSystem" puts the group in that
    // computer's own list; a computer the database lacks is made for the read
    // only and released again (nothing holds it). 1 when every member was
    // attached; 0 without a reader or on a count mismatch.
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string Name;
    long CapacityKB = 0;   // never negative; change through setCapacity
    long FreeSpaceKB = 0;  // never negative; change through setFreeSpace
    int Status = 0;
    std::string StatusDesc;
    std::string VolumeManager;  // the manager's IdType as decimal text

  private:
    // The field table reads "OSystem" through joinComputer.
    friend struct SrmVolumeGroupFields;

    void joinComputer(const std::string &computerId);
    SrmResource *memberFor(SrmResourceType t, const std::string &id);

    SrmResourceList *volumes;
    SrmResourceList *disks;
    SrmVolumeManager *volumeManager = nullptr;  // one reference held
};

#endif
