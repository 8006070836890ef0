// The place where a volume is mounted, and the volume it mounts.
#ifndef INVENTORY_KINDS_SRMMOUNTPOINT_H
#define INVENTORY_KINDS_SRMMOUNTPOINT_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

// Kind 5, "MountPoint", by the contract every kind keeps (SrmResourceFields.h).
class ULVAR_API SrmMountPoint : public SrmResource {
  public:
    SrmMountPoint();
    explicit SrmMountPoint(std::string id);
    ~SrmMountPoint() override;

    // Texts are taken from `other` when not empty, numbers when not 0.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override;
    std::string getResourceHeader(bool) override;
    int serialize(int fd, int flags) override;
    // "State" is ORed into the state word; "VolumeId" is resolved against the
    // owning database like a file system's "Volume".
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string VolumeId;  // Id of the mounted volume
    std::string MountPointName;
    std::string MountLocation;  // LId of the resource mounted here
    std::string MountToSystem;
    int MountAtStartup = 0;
    int ReadOnly = 0;
    int MountType = 0;
    int MountOptions = 0;
};

#endif
