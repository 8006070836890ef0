// One host: a cluster node or a stand-alone system, with the resources that
// live on it and the service groups that run on it. Records of type "System".
#ifndef INVENTORY_KINDS_SRMCOMPUTER_H
#define INVENTORY_KINDS_SRMCOMPUTER_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceList.h"
#include "ulvar/export.h"

class SrmServiceGroup;

// Service groups of a computer by name; each entry holds one reference.
using SrmServiceGroupMap = std::map<std::string, SrmServiceGroup *>;

// Kind SRM_RES_COMPUTER. The resource list holds one reference per resource and
// the service-group map one per group; the destructor gives them all back.
// Exactly one computer of a database may carry "TIM": the machine the scanner
// runs on, which reading or merging makes the database's this computer.
class ULVAR_API SrmComputer : public SrmResource {
  public:
    SrmComputer();
    // Id and HostName both set to `name`.
    explicit SrmComputer(std::string name);
    ~SrmComputer() override;

    // Refuse (0) a negative value and keep the field; else set it and return 1.
    int setCapacity(long kb);
    int setFreeSpace(long kb);
    long getCapacity() const { return CapacityKB; }
    long getFreeSpace() const { return FreeSpaceKB; }

    // Adds `r` to the resources living here; 0 for null or a computer, else the
    // list's result.
    int addResource(SrmResource *r);
    // Removes whatever the list holds under r's kind and Id; 0 for null.
    int removeResource(SrmResource *r);
    // The resources living here (owned by the computer, never null).
    SrmResourceList *getResourceList() { return resources.get(); }

    // Holds `sg` under its name with one reference; 0 for null or a name already
    // held.
    int addServiceGroup(SrmServiceGroup *sg);
    // Drops the group of that name and gives its reference back; 0 for an empty
    // or unknown name.
    int removeServiceGroup(std::string name);
    // The groups by name (owned by the computer).
    const SrmServiceGroupMap &getServiceGroupMap() const { return serviceGroups; }

    // Takes `other`'s non-empty texts and set numbers (0 / -1 mean unset), merges
    // its resources into this computer's list and marks it merged. 0 for null or
    // another kind; 1 without change when `other` is already merged or is this
    // computer. Id, PubId, LId, state and service groups stay.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override { return std::string(); }
    std::string getResourceHeader(bool) override { return std::string(); }
    // Full form: the "System" record, then a short record of every resource
    // (disks, chunks, volume managers, volumes, file systems, mount points,
    // shares, virtual servers, volume groups; each kind in Id order) and of every
    // service group (name order). "ResourceCount" counts exactly the resources
    // written. Bit 0x1 of `flags`: the short form ("Type", "Id") alone. 1 on
    // success; 0 without a database, or when the record or a resource fails to
    // be written.
    int serialize(int fd, int flags) override;
    // Reads the record, then the "ResourceCount" resource records and "SGCount"
    // group records that follow from the database's attached reader. Resources
    // are looked up in the database; an unknown group is created there. 1 when
    // every announced child was found; 0 for a null record, when children are
    // announced and there is no database or reader, or when any is missing.
    // A non-zero "TIM" makes a bound computer the database's this computer once
    // the read succeeds.
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string HostName;
    int32_t RAMMB = 0;
    int32_t SwapMB = 0;
    int64_t AddrSpaceMB = 0;
    int32_t ProcCount = 0;
    int32_t ProcSpeedMHz = 0;
    std::string CPUInfo;
    std::string HWInfo;
    std::string OS;
    std::string OSInfo;
    std::string HostId;
    std::string IPAddr;
    int32_t LLTId = -1;   // -1: not clustered
    int32_t NodeId = -1;  // -1: no node id
    int32_t TIM = 0;      // non-zero on the machine the scanner runs on
    std::string MgmtURL;
    std::string DisplayMgmtURL;

  private:
    // The field table reads and writes the sizes and counts the lists.
    friend struct SrmComputerFields;

    int readChildren(int resourceCount, int groupCount);

    std::unique_ptr<SrmResourceList> resources;
    SrmServiceGroupMap serviceGroups;
    long CapacityKB = 0;   // never negative
    long FreeSpaceKB = 0;  // never negative
};

#endif
