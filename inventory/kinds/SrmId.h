// An alias identity: a primary identifier tied to a secondary one. Records of
// type "Id", with no nested records.
#ifndef INVENTORY_KINDS_SRMID_H
#define INVENTORY_KINDS_SRMID_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

class SrmResourceDatabase;

// Kind SRM_RES_ID. Every constructor sets SRM_STATE_BIT1.
class ULVAR_API SrmId : public SrmResource {
  public:
    SrmId();
    // Bound to `db` (not owned).
    explicit SrmId(SrmResourceDatabase *db);
    explicit SrmId(std::string id);

    // ORs a non-zero state of `other` in; takes IdType and PrimaryId only where
    // this alias has none; marks `other` merged. 0 for null or another kind; 1
    // without change when `other` is already merged or is this alias.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override { return std::string(); }
    std::string getResourceHeader(bool) override { return std::string(); }
    // Full: Type, Id, PubId, PrimaryId, SecondaryId, IdType. Bit 0x1: Type, Id,
    // IdType, PrimaryId. No state is written. 0 without a database.
    int serialize(int fd, int flags) override;
    // "State" is not read. 0 for null, else 1.
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string PrimaryId;
    std::string SecondaryId;
    std::string IdType;  // text, unlike the numeric IdType of disks
};

#endif
