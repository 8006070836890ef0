#include "inventory/kinds/SrmVolumeManager.h"

#include <string>

#include "inventory/kinds/internal/SrmStorageRecord.h"
#include "inventory/kinds/internal/SrmVolumeManagerFields.h"
#include "inventory/model/SrmResourceDatabase.h"

SrmVolumeManager::SrmVolumeManager() {
    type = SRM_RES_VOLUMEMANAGER;
}

SrmVolumeManager::SrmVolumeManager(std::string id) : SrmVolumeManager() {
    Id = std::move(id);
}

SrmVolumeManager::~SrmVolumeManager() = default;

int SrmVolumeManager::mergeResource(SrmResource *other) {
    return srmMergeRecord(SrmVolumeManagerFields::table, *this, other);
}

std::string SrmVolumeManager::getResourceReportString(bool) {
    return std::string();
}

std::string SrmVolumeManager::getResourceHeader(bool) {
    return std::string();
}

int SrmVolumeManager::serialize(int fd, int flags) {
    return srmWriteRecord(SrmVolumeManagerFields::table, *this, fd, flags);
}

int SrmVolumeManager::deserialize(int, CSRMReportTuple *record) {
    return srmReadRecord(SrmVolumeManagerFields::table, *this, record);
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
