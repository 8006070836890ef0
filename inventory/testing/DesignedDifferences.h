// What a scanner's database writes against what the same file, loaded, writes
// again: the same records but for the few differences loading makes by design.
// The judge of the scanner road's round trips (its fuzz target and its random
// scans).
#ifndef INVENTORY_TESTING_DESIGNEDDIFFERENCES_H
#define INVENTORY_TESTING_DESIGNEDDIFFERENCES_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/CSRMTupleFDStream.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/TupleStatus.h"
#include "inventory/testing/ScratchFiles.h"

namespace ulvar {
namespace testing {

// The records of a database file as the reader cuts them, each a list of
// its elements.
inline std::vector<std::vector<std::string>> RecordsOf(const std::string &bytes) {
    std::vector<std::vector<std::string>> records;
    ScopedFd file(FileWith(bytes));
    if (file.get() < 0) {
        abort();
    }
    CSRMTupleFDStream stream;
    CSRMReportTupleStreamReader reader;
    stream.SetFileDescriptor(file.get());
    reader.SetTupleStream(&stream);
    for (;;) {
        CSRMReportTuple *record = nullptr;
        int status = reader.GetNextTuple(&record);
        if (status == TUPLE_STATUS_OK) {
            records.emplace_back();
            record->getAllElements(records.back());
        }
        delete record;
        if (status != TUPLE_STATUS_OK) {
            break;
        }
    }
    return records;
}

// The state bits the constructor of a record's kind sets (report and virtual
// report; disks also bit 0x1), which the record's "State" is ORed into when
// read; a share replaces its state word instead (none).
inline uint32_t ConstructorBits(const std::vector<std::string> &record) {
    std::string element = record.empty() ? "" : record[0], key, value;
    SrmSplitKeyValuePair(&element, &key, &value);
    if (key != "Type" || value == "Share") {
        return 0;
    }
    return value == "Disk" ? 0xD : 0xC;
}

// The value of `key` in `record`, or null when it has none.
inline const std::string *ValueOf(std::vector<std::string> &record, const char *key,
                                  std::string *value) {
    std::string k;
    for (std::string &element : record) {
        if (SrmSplitKeyValuePair(&element, &k, value) != 0 && k == key) {
            return value;
        }
    }
    return nullptr;
}

// `a` and `b` hold the same records but for five differences that loading
// makes by design:
//  - a "State" of `b` may be that of `a` with the constructor's bits of its
//    kind added;
//  - a volume or volume group of `a` may name by "VolumeManager" a manager
//    that is not in the file (it was replaced after the volume found it); it
//    reads back without a manager, so `b` lacks that element;
//  - a volume with sub-volumes whose "HierType" in `a` is neither 1 nor 4
//    (a merge took the value a record gave) has 1 in `b`;
//  - records may stand in another order: an Id that would not read back is
//    written with its double quotes made apostrophes, and the records of a
//    kind go out in the order of their Ids;
//  - a file system's "Volume", a mount point's or share's "VolumeId" or a
//    chunk's "Disk" in `a` may be a name that is no volume's (disk's) Id but
//    some volume's (disk's) "LId": a name is resolved when its record is read
//    by a resource bound to a database, which these kinds are not on the
//    scanner's road, and that volume may also have taken the local identity
//    only after the record had come; read back, it names that volume (disk)
//    by its Id.
inline bool SameButDesignedDifferences(const std::string &a, const std::string &b) {
    if (a == b) {
        return true;
    }
    auto ra = RecordsOf(a), rb = RecordsOf(b);
    if (ra.size() != rb.size()) {
        return false;
    }
    // Records are matched by their first two elements (their "Type" and
    // "Id"), not by place: see below.
    auto byTypeAndId = [](const std::vector<std::string> &x, const std::vector<std::string> &y) {
        auto head = [](const std::vector<std::string> &r) {
            return std::make_tuple(r.size() > 0 ? r[0] : "", r.size() > 1 ? r[1] : "", r.size());
        };
        return head(x) < head(y);
    };
    std::stable_sort(ra.begin(), ra.end(), byTypeAndId);
    std::stable_sort(rb.begin(), rb.end(), byTypeAndId);
    std::vector<long> managers;
    // Of volumes and of disks: the Ids, and the (LId, Id) pairs.
    std::vector<std::string> ids[2];
    std::vector<std::pair<std::string, std::string>> localIds[2];
    for (auto &record : ra) {
        std::string word, idType, id, localId;
        if (ValueOf(record, "Type", &word) != nullptr && word == "VolumeManager" &&
            ValueOf(record, "IdType", &idType) != nullptr) {
            managers.push_back(std::strtol(idType.c_str(), nullptr, 10));
        }
        if ((word == "Volume" || word == "Disk") && ValueOf(record, "Id", &id) != nullptr) {
            const int k = word == "Disk" ? 1 : 0;
            ids[k].push_back(id);
            if (ValueOf(record, "LId", &localId) != nullptr) {
                localIds[k].emplace_back(localId, id);
            }
        }
    }
    auto namesByLocalId = [&](int k, const std::string &name, const std::string &id) {
        return std::find(ids[k].begin(), ids[k].end(), name) == ids[k].end() &&
               std::find(localIds[k].begin(), localIds[k].end(), std::make_pair(name, id)) !=
                   localIds[k].end();
    };
    for (std::size_t i = 0; i < ra.size(); ++i) {
        if (ra[i].size() == rb[i].size() + 1) {
            std::string manager;
            for (auto e = ra[i].begin(); e != ra[i].end(); ++e) {
                std::string key;
                if (SrmSplitKeyValuePair(&*e, &key, &manager) != 0 && key == "VolumeManager") {
                    long number = std::strtol(manager.c_str(), nullptr, 10);
                    bool known = false;
                    for (long m : managers) {
                        known = known || m == number;
                    }
                    if (!known) {
                        ra[i].erase(e);
                    }
                    break;
                }
            }
        }
        if (ra[i].size() != rb[i].size()) {
            return false;
        }
        for (std::size_t e = 0; e < ra[i].size(); ++e) {
            if (ra[i][e] == rb[i][e]) {
                continue;
            }
            std::string ka, va, kb, vb;
            if (SrmSplitKeyValuePair(&ra[i][e], &ka, &va) == 0 ||
                SrmSplitKeyValuePair(&rb[i][e], &kb, &vb) == 0 || ka != kb) {
                return false;
            }
            long numberA = std::strtol(va.c_str(), nullptr, 10);
            long numberB = std::strtol(vb.c_str(), nullptr, 10);
            if (ka == "State") {
                if ((static_cast<uint32_t>(numberA) | ConstructorBits(ra[i])) !=
                    static_cast<uint32_t>(numberB)) {
                    return false;
                }
            } else if (ka == "Volume" || ka == "VolumeId" || ka == "Disk") {
                if (!namesByLocalId(ka == "Disk" ? 1 : 0, va, vb)) {
                    return false;
                }
            } else if (ka == "HierType") {
                // A merge takes any hierarchy type a record gives; reading a
                // volume's sub-volumes back makes it 1 unless it is 4.
                std::string subs;
                if (numberB != 1 || numberA == 4 ||
                    ValueOf(rb[i], "SubVolumeCount", &subs) == nullptr ||
                    std::strtol(subs.c_str(), nullptr, 10) < 1) {
                    return false;
                }
            } else {
                return false;
            }
        }
    }
    return true;
}

}  // namespace testing
}  // namespace ulvar

#endif
