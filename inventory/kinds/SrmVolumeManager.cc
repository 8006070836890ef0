#include "inventory/kinds/SrmVolumeManager.h"

#include <string>

#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/kinds/internal/SrmStorageRecord.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/SrmRecordWriter.h"
#include "inventory/persist/internal/SrmRecordWalk.h"

SrmVolumeManager::SrmVolumeManager() {
    type = SRM_RES_VOLUMEMANAGER;
}

SrmVolumeManager::SrmVolumeManager(std::string id) : SrmVolumeManager() {
    Id = std::move(id);
}

SrmVolumeManager::~SrmVolumeManager() = default;

int SrmVolumeManager::mergeResource(SrmResource *other) {
    return srmMergeKind(this, other, SRM_RES_VOLUMEMANAGER, [this](SrmVolumeManager *o) {
        srmTakeText(VolumeMgrName, o->VolumeMgrName);
        srmTakeText(VolumeMgrVersion, o->VolumeMgrVersion);
        srmTakeNonZero(IdType, o->IdType);
        return 1;
    });
}

std::string SrmVolumeManager::getResourceReportString(bool) {
    return std::string();
}

std::string SrmVolumeManager::getResourceHeader(bool) {
    return std::string();
}

int SrmVolumeManager::serialize(int fd, int flags) {
    if (getBuffer() == nullptr) {
        return 0;
    }
    SrmRecordWriter w(db->getRecordText());
    w.addWord(SRM_KEY_Type, SRM_KEY_VolumeManager);
    w.addText(SRM_KEY_Id, Id);
    if ((flags & 1) == 0) {
        w.addText(SRM_KEY_PubId, PubId);
        w.addInt(SRM_KEY_IdType, IdType);
        w.addText(SRM_KEY_VolumeMgrName, VolumeMgrName);
        w.addText(SRM_KEY_VolumeMgrVersion, VolumeMgrVersion);
    }
    return w.write(fd);
}

int SrmVolumeManager::deserialize(int, CSRMReportTuple *record) {
    if (record == nullptr) {
        return 0;
    }
    srm_walk::forEachElement(record, [this](int keyId, const std::string &value) {
        switch (keyId) {
            case SRM_KEY_Id:
                Id = value;
                break;
            case SRM_KEY_PubId:
                PubId = value;
                break;
            case SRM_KEY_State:
                state |= srm_walk::stateWord(value);
                break;
            case SRM_KEY_VolumeMgrName:
                VolumeMgrName = value;
                break;
            case SRM_KEY_VolumeMgrVersion:
                VolumeMgrVersion = value;
                break;
            case SRM_KEY_IdType:
                IdType = srmRecordInt(value);
                break;
            default:
                break;
        }
    });
    return 1;
}

SrmVolumeManager *srm_storage::findVolumeManager(SrmResourceDatabase *db, const std::string &id) {
    SrmResourceList *all = db != nullptr ? db->getResourceList() : nullptr;
    SrmResourceIdMap *managers =
        all != nullptr ? all->getSrmResourceIdMap(SRM_RES_VOLUMEMANAGER) : nullptr;
    if (managers == nullptr) {
        return nullptr;
    }
    int wanted = srmRecordInt(id);
    for (auto &entry : *managers) {
        auto *manager = dynamic_cast<SrmVolumeManager *>(entry.second);
        if (manager != nullptr && manager->IdType == wanted) {
            return manager;
        }
    }
    return nullptr;
}
