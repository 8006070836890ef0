#include "inventory/kinds/SrmVirtualServer.h"

#include "inventory/kinds/internal/SrmVirtualServerFields.h"
#include "inventory/model/SrmServiceGroup.h"

SrmVirtualServer::SrmVirtualServer() {
    type = SRM_RES_VIRTUALSERVER;
}

SrmVirtualServer::SrmVirtualServer(std::string id) : SrmVirtualServer() {
    Id = std::move(id);
}

SrmVirtualServer::~SrmVirtualServer() {
    if (serviceGroup != nullptr) {
        serviceGroup->Release();
    }
}

void SrmVirtualServer::setServiceGroup(SrmServiceGroup *sg) {
    if (sg == nullptr || sg == serviceGroup) {
        return;
    }
    sg->AddRef();
    if (serviceGroup != nullptr) {
        serviceGroup->Release();
    }
    serviceGroup = sg;
}

int SrmVirtualServer::mergeResource(SrmResource *other) {
    return srmMergeRecord(SrmVirtualServerFields::table, *this, other);
}

int SrmVirtualServer::serialize(int fd, int flags) {
    return srmWriteRecord(SrmVirtualServerFields::table, *this, fd, flags);
}

int SrmVirtualServer::deserialize(int, CSRMReportTuple *record) {
    return srmReadRecord(SrmVirtualServerFields::table, *this, record);
}
