#include "inventory/kinds/SrmVirtualServer.h"

#include <string_view>

#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/SrmRecordWriter.h"
#include "inventory/persist/internal/SrmRecordWalk.h"

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
    return srmMergeKind(this, other, SRM_RES_VIRTUALSERVER, [this](SrmVirtualServer *o) {
        srmTakeText(HostName, o->HostName);
        srmTakeText(IPAddr, o->IPAddr);
        srmTakeText(Name, o->Name);
        srmTakeNonZero(Port, o->Port);
        return 1;
    });
}

int SrmVirtualServer::serialize(int fd, int flags) {
    if (getBuffer() == nullptr) {
        return 0;
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_VirtualServer);
    w.addText(SRM_KEY_Id, Id);
    if ((flags & 0x1) == 0) {
        w.addText(SRM_KEY_PubId, PubId);
        w.addInt(SRM_KEY_State, srm_walk::stateValue(this));
        w.addText(SRM_KEY_HostName, HostName);
        w.addText(SRM_KEY_IPAddr, IPAddr);
        w.addText(SRM_KEY_Name, Name);
        if (serviceGroup != nullptr) {
            w.addText(SRM_KEY_ServiceGroup, serviceGroup->getName());
        }
    }
    return w.write(fd);
}

int SrmVirtualServer::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    srm_walk::forEachElement(record, [&](int keyId, const std::string &value) {
        switch (keyId) {
            case SRM_KEY_Id:
                Id = value;
                break;
            case SRM_KEY_PubId:
                PubId = value;
                break;
            case SRM_KEY_Name:
                Name = value;
                break;
            case SRM_KEY_IPAddr:
                IPAddr = value;
                break;
            case SRM_KEY_HostName:
                HostName = value;
                break;
            case SRM_KEY_State:
                state |= srm_walk::stateWord(value);
                break;
            case SRM_KEY_Port:
                Port = srmRecordInt(value);
                break;
            case SRM_KEY_ServiceGroup:
                if (db != nullptr) {
                    setServiceGroup(db->findServiceGroup(value));
                }
                break;
            default:
                break;
        }
    });
    return 1;
}
