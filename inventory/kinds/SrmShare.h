// A network share of a path on a volume.
#ifndef INVENTORY_KINDS_SRMSHARE_H
#define INVENTORY_KINDS_SRMSHARE_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

// Kind 10, "Share", by the contract every kind keeps (SrmResourceFields.h).
class ULVAR_API SrmShare : public SrmResource {
  public:
    SrmShare();
    explicit SrmShare(std::string id);
    ~SrmShare() override;

    // Texts are taken from `other` when not empty, numbers when not 0.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override;
    std::string getResourceHeader(bool) override;
    int serialize(int fd, int flags) override;
    // "State" replaces the state word; "VolumeId" is stored as read.
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string VolumeId;
    int ShareFsType = 0;
    int ShareFlags = 0;
    std::string ShareName;
    std::string SharePath;
    std::string ShareUser;
    std::string Domain;
    std::string ShareDesc;
};

#endif
