// Writing storage resources to a temporary file and loading them back through
// one database reader, for the tests of the storage kinds.
#ifndef INVENTORY_TESTING_STORAGERECORDS_H
#define INVENTORY_TESTING_STORAGERECORDS_H

#include <string>

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/testing/ScratchFiles.h"

namespace ulvar {
namespace testing {

// A new resource of the kind a top-level record's "Type" names, or null.
inline SrmResource *MakeFor(int kindWord) {
    switch (kindWord) {
        case SRM_KEY_Disk:
            return new SrmDisk();
        case SRM_KEY_DiskChunk:
            return new SrmDiskChunk();
        case SRM_KEY_VolumeManager:
            return new SrmVolumeManager();
        case SRM_KEY_Volume:
            return new SrmVolume();
        case SRM_KEY_VolumeGroup:
            return new SrmVolumeGroup();
        default:
            return nullptr;
    }
}

// Loads the top-level records of `bytes` into `db` the way a database file is
// loaded: each record makes a resource of its "Type", which reads the record
// (and its members from the same reader) and is added when that succeeds.
// Returns the number of records whose reader failed; -1 when nothing could be
// attached. `results` receives each reader's result, in order.
inline int LoadInto(SrmResourceDatabase *db, const std::string &bytes,
                    std::string *results = nullptr) {
    ScopedFd file(FileWith(bytes));
    if (db->attachStream(file.get()) == 0) {
        return -1;
    }
    int failed = 0;
    for (;;) {
        CSRMReportTuple *record = nullptr;
        if (db->getTupleStream()->GetNextTuple(&record) != 0) {
            delete record;
            break;
        }
        std::string kind;
        record->resetNext();
        std::string element, key, value;
        while (record->getNextElement(element) == 0) {
            if (SrmSplitKeyValuePair(&element, &key, &value) == 1 && key == "Type") {
                kind = value;
                break;
            }
        }
        SrmResource *r = MakeFor(SrmUlvarGetStringId(kind));
        if (r != nullptr) {
            r->db = db;
            int ok = r->deserialize(file.get(), record);
            if (results != nullptr) {
                results->push_back(ok != 0 ? '1' : '0');
            }
            if (ok != 0) {
                db->addResource(r);
            } else {
                ++failed;
            }
            r->Release();
        }
        delete record;
    }
    db->detachStream(file.get());
    return failed;
}

}  // namespace testing
}  // namespace ulvar

#endif
