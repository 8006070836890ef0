// The volume manager: one volume-management product instance, which volumes
// and volume groups name by its numeric identity.
#ifndef INVENTORY_KINDS_SRMVOLUMEMANAGER_H
#define INVENTORY_KINDS_SRMVOLUMEMANAGER_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

// Kind 8, "VolumeManager". Merges, writes and reads itself by the contract
// common to the storage kinds, stated in SrmVolume.h.
class ULVAR_API SrmVolumeManager : public SrmResource {
  public:
    SrmVolumeManager();
    explicit SrmVolumeManager(std::string id);
    ~SrmVolumeManager() override;

    // Name and version are taken from `other` when not empty, IdType when not 0.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override;
    std::string getResourceHeader(bool) override;
    // Writes no "State" and no "LId".
    int serialize(int fd, int flags) override;
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string VolumeMgrName;
    std::string VolumeMgrVersion;
    int IdType = 0;  // the numeric identity volumes and groups refer to
};

#endif
