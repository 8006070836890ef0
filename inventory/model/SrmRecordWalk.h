// Walks over parsed records shared by the readers of service groups, computers,
// virtual servers and aliases: the elements of one record, and the records a
// container's own record announces after it.
//
// Internal to libulvar (not exported, not installed).
#ifndef INVENTORY_MODEL_SRMRECORDWALK_H
#define INVENTORY_MODEL_SRMRECORDWALK_H

#include <string>

#include "inventory/persist/CSRMReportTuple.h"
#include "inventory/persist/CSRMReportTupleStreamReader.h"
#include "inventory/persist/SrmRecordKeys.h"
#include "inventory/persist/TupleStatus.h"

namespace srm_walk {

// Calls `take(keyId, value)` for each element of `record` from its start, until
// one cannot be read or split. Unknown keys arrive with the id of "Type".
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

// The "Type" word and the "Id" of a short reference record; -1 for no "Type".
// An unknown key has the id of "Type" and so counts as one, as in every reader;
// a value that is no word gives SRM_KEY_Type, which names no kind.
inline void readReference(CSRMReportTuple *record, int *kindWord, std::string *id) {
    *kindWord = -1;
    id->clear();
    forEachElement(record, [&](int keyId, const std::string &value) {
        if (keyId == SRM_KEY_Id) {
            *id = value;
        } else if (keyId == SRM_KEY_Type) {
            *kindWord = SrmUlvarGetStringId(value);
        }
    });
}

// Reads up to `count` further records from `reader` and hands each to
// `take(record)`; stops early at the first status other than 0. Every record is
// deleted here, the empty one handed out at a clean end included.
template <typename Take>
void forEachFollowingRecord(CSRMReportTupleStreamReader *reader, int count, Take take) {
    for (int i = 0; i < count; ++i) {
        CSRMReportTuple *record = nullptr;
        int status = reader->GetNextTuple(&record);
        if (status != TUPLE_STATUS_OK) {
            delete record;
            return;
        }
        take(record);
        delete record;
    }
}

}  // namespace srm_walk

#endif
