// A cluster virtual server: a host name and address a service group carries
// from node to node. Records of type "VirtualServer", with no nested records.
#ifndef INVENTORY_KINDS_SRMVIRTUALSERVER_H
#define INVENTORY_KINDS_SRMVIRTUALSERVER_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

// The alias identity had its place in this header; its includers still find it.
#include "inventory/kinds/SrmId.h"

class SrmServiceGroup;

// Kind SRM_RES_VIRTUALSERVER. Holds one reference on its service group.
class ULVAR_API SrmVirtualServer : public SrmResource {
  public:
    SrmVirtualServer();
    explicit SrmVirtualServer(std::string id);
    // Releases the service group.
    ~SrmVirtualServer() override;

    // Null, or the group already set, changes nothing; otherwise the previous
    // group's reference is given back and one is taken on `sg`.
    void setServiceGroup(SrmServiceGroup *sg);
    // The group, or null; no reference is given.
    SrmServiceGroup *getServiceGroup() const { return serviceGroup; }

    // Takes `other`'s non-empty HostName, IPAddr and Name and a non-zero Port,
    // and marks it merged. 0 for null or another kind; 1 without change when
    // `other` is already merged or is this server. The group stays.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override { return std::string(); }
    std::string getResourceHeader(bool) override { return std::string(); }
    // Full: Type, Id, PubId, State, HostName, IPAddr, Name, ServiceGroup (the
    // group's name, when there is a named group). Bit 0x1: Type, Id. The port is
    // never written. 1 when the record was written whole; 0 without a database.
    int serialize(int fd, int flags) override;
    // "State" is OR-ed in; "ServiceGroup" links the bound database's group of
    // that name when it holds one and is dropped otherwise. 0 for null, else 1.
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string Name;
    std::string IPAddr;
    std::string HostName;
    int Port = 0;  // read from records, never written

  private:
    SrmServiceGroup *serviceGroup = nullptr;
};

#endif
