// Helpers the storage kinds share for reading their records: the element walk,
// the identities and state word every kind carries, and the member-record walk
// of volumes and volume groups.
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_SRMSTORAGERECORD_H
#define INVENTORY_KINDS_SRMSTORAGERECORD_H

#include <cstdint>
#include <string>

#include "inventory/model/SrmRecordNumber.h"
#include "inventory/model/SrmResource.h"
#include "inventory/persist/CSRMReportTuple.h"
#include "inventory/persist/CSRMReportTupleStreamReader.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/TupleStatus.h"

class SrmResourceDatabase;
class SrmVolumeManager;

namespace srm_storage {

// The first volume manager of `db`, in Id order, whose IdType is the decimal
// value of `id`; null when there is none (or no database). No reference given.
SrmVolumeManager *findVolumeManager(SrmResourceDatabase *db, const std::string &id);

// Calls `take(keyId, value)` for each element of `record` from its start,
// until one cannot be read or split.
template <typename Take>
void forEachElement(CSRMReportTuple *record, Take take) {
    record->resetNext();
    std::string element;
    std::string key;
    std::string value;
    while (record->getNextElement(element) == TUPLE_STATUS_OK) {
        if (SrmSplitKeyValuePair(&element, &key, &value) == 0) {
            break;
        }
        take(SrmUlvarGetStringId(key), value);
    }
}

// Id, PubId, LId and State, which every storage kind reads alike ("State" is
// ORed in). False for any other key.
inline bool takeCommon(SrmResource *r, int keyId, const std::string &value) {
    switch (keyId) {
        case SRM_KEY_Id:
            r->Id = value;
            return true;
        case SRM_KEY_PubId:
            r->PubId = value;
            return true;
        case SRM_KEY_LId:
            r->LId = value;
            return true;
        case SRM_KEY_State:
            r->state |= static_cast<uint32_t>(srmRecordLong(value));
            return true;
        default:
            return false;
    }
}

// Reads up to `count` further records from `reader` and hands each to
// `take(record)`; stops early at the first reader status other than 0. Every
// record is deleted here.
template <typename Take>
void forEachMemberRecord(CSRMReportTupleStreamReader *reader, long long count, Take take) {
    for (long long i = 0; i < count; ++i) {
        CSRMReportTuple *record = nullptr;
        int status = reader->GetNextTuple(&record);
        if (status != TUPLE_STATUS_OK) {
            // A clean end hands out an empty record once.
            delete record;
            return;
        }
        take(record);
        delete record;
    }
}

}  // namespace srm_storage

#endif
