// How storage is presented to users: a file system placed on a volume. Like
// the mount point (SrmMountPoint.h) and the share (SrmShare.h), it names its
// volume by the volume's Id and writes one record with no nested records.
#ifndef INVENTORY_KINDS_SRMFILESYSTEM_H
#define INVENTORY_KINDS_SRMFILESYSTEM_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

// The mount point and the share had their place in this header; its includers
// still find them.
#include "inventory/kinds/SrmMountPoint.h"
#include "inventory/kinds/SrmShare.h"

// A file system on a volume (kind 4, "FileSystem"), by the contract every kind
// keeps (SrmResourceFields.h).
class ULVAR_API SrmFileSystem : public SrmResource {
  public:
    SrmFileSystem();
    explicit SrmFileSystem(std::string id);
    ~SrmFileSystem() override;

    // The four sizes in KB: a negative value is refused with 0 and the old one
    // kept; otherwise stored and 1.
    int setCapacity(long kb);
    int setFreeSpace(long kb);
    int setUsedSpace(long kb);
    int setReservedSpace(long kb);
    // The file limits store any value (negatives included) and return 1.
    int setMaxFileSize(int value);
    int setFileCount(int value);
    int setMaxFileCount(int value);

    // The file-system type is always taken from `other`, also when empty; the
    // sizes when 0 or more; Pack and Encrypt when not 0; the file limits when 0
    // or more. The volume stays.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override;
    std::string getResourceHeader(bool) override;
    int serialize(int fd, int flags) override;
    // "State" is ORed into the state word. "Volume" is looked up as a volume of
    // the owning database (also as a local identity); when one is found its own
    // Id is stored, else the value as read (always as read without a database).
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string Volume;  // Id of the volume it lies on
    std::string FSType;
    long CapacityKB = 0;  // the four sizes are never negative
    long FreeSpaceKB = 0;
    long UsedSpaceKB = 0;
    long ReservedSpaceKB = 0;
    int Pack = 0;
    int Encrypt = 0;
    int MaxFileSz = 0;
    int FileCnt = 0;
    int MaxFileCnt = 0;
};

#endif
