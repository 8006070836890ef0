// What volumes and volume groups share around their records: finding the volume
// manager a record names, and writing the short records of their members.
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMSTORAGERECORD_H
#define INVENTORY_KINDS_INTERNAL_SRMSTORAGERECORD_H

#include <string>

#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceList.h"

class SrmResourceDatabase;
class SrmVolumeManager;

namespace srm_storage {

// The first volume manager of `db`, in Id order, whose IdType is the decimal
// value of `id`; null when there is none (or no database). No reference given.
SrmVolumeManager *findVolumeManager(SrmResourceDatabase *db, const std::string &id);

// Writes the short record of every member of kind `t` in `list` (null: none),
// in Id order. Only that kind is written, so that a reader which counts members
// by kind consumes exactly what follows. 0 at the first failed write, else 1.
inline int writeMembers(SrmResourceList *list, SrmResourceType t, int fd) {
    SrmResourceIdMap *members = list != nullptr ? list->getSrmResourceIdMap(t) : nullptr;
    if (members == nullptr) {
        return 1;
    }
    for (auto &entry : *members) {
        if (entry.second->serialize(fd, 1) == 0) {
            return 0;
        }
    }
    return 1;
}

}  // namespace srm_storage

#endif
