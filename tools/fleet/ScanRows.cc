#include "tools/fleet/ScanRows.h"

#include <time.h>

#include <string_view>
#include <utility>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmResourceFields.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/record/SrmRecordKeys.h"
#include "tools/ResourceLists.h"
#include "tools/fleet/FleetSchema.h"
#include "tools/fleet/KindColumns.h"
#include "tools/fleet/SqlText.h"
#include "tools/fleet/StackEdges.h"

namespace ulvar_fleet {

namespace {

constexpr int64_t kKib = 1024;
constexpr int64_t kMib = 1024 * 1024;

// The columns every kind table starts with.
enum CommonColumn : std::size_t { kScanId, kId, kPubId, kLocalId, kState, kFirstKindColumn };

using ulvar_tool::forEachResource;

// Where each field of a kind goes, by record key id: the columns it fills (one
// key may fill two, as a disk's identity value does), by position in the
// kind's table, or nowhere for the keys every kind table has anyway. Any other
// field goes to attrs.
struct ColumnMap {
    std::vector<std::vector<std::pair<std::size_t, Conversion>>> columns;
    std::vector<bool> skipped;
};

ColumnMap columnMapOf(const KindTable &kind) {
    ColumnMap map{std::vector<std::vector<std::pair<std::size_t, Conversion>>>(SRM_KEY_COUNT),
                  std::vector<bool>(SRM_KEY_COUNT, false)};
    for (const std::string &key : commonAndCountKeys()) {
        map.skipped[SrmRecordKeyId(key.data(), key.size())] = true;
    }
    for (std::size_t i = 0; i < kind.columns.size(); ++i) {
        const char *key = kind.columns[i].recordKey;
        map.columns[SrmRecordKeyId(key, std::char_traits<char>::length(key))].emplace_back(
            kFirstKindColumn + i, kind.columns[i].conversion);
    }
    return map;
}

class RowWriter {
  public:
    RowWriter(SrmResourceDatabase *db, const ScanInfo &scan, RowSink &sink)
        : db(db), scan(scan), sink(sink) {}

    bool writeAll();
    long rows = 0;

  private:
    bool begin(const std::string &table);
    bool emit();
    SqlValue text(std::size_t column, const std::string &s) {
        return cleanText(s, scratch[column]);
    }
    // A text that lives no longer than the call: copied into the column's own.
    SqlValue copiedText(std::size_t column, std::string_view s) {
        scratch[column].clear();
        appendCleanUtf8(scratch[column], s.data(), s.size());
        return SqlValue::of(scratch[column]);
    }

    bool scanRow();
    bool kindRows(const KindTable &kind);
    void fillFields(SrmResource *r, const ColumnMap &map);
    bool serviceGroups();
    bool errors();
    // One row per member of the list `listOf` gives for each resource of kind
    // `holders`; `mixed` lists say each member's kind.
    template <typename ListOf>
    bool listRows(const char *table, SrmResourceType holders, ListOf listOf, bool mixed);
    bool memberRows(const std::string &holder, SrmResourceList *members, SrmResourceType only,
                    bool mixed);
    bool computerServiceGroups();
    bool groupMembers();
    bool edges();

    SrmResourceDatabase *db;
    const ScanInfo &scan;
    RowSink &sink;
    std::vector<SqlValue> values;
    std::vector<std::string> scratch;  // cleaned text, one per column
    std::string attrs;
};

bool RowWriter::begin(const std::string &name) {
    const SqlTable &table = fleetTable(name);
    values.assign(table.columns.size(), SqlValue::null());
    scratch.resize(std::max(scratch.size(), table.columns.size()));
    values[0] = SqlValue::of(scan.scanId);
    return sink.beginTable(table);
}

bool RowWriter::emit() {
    ++rows;
    return sink.row(values.data());
}

bool RowWriter::scanRow() {
    if (!begin(kScanTable)) {
        return false;
    }
    std::size_t i = 1;
    for (const std::string *s :
         {&scan.sourceKey, &scan.kind, &scan.computerId, &scan.file, &scan.sha256, &scan.loadedAt,
          &scan.dbVersion, &db->getClusterName(), &db->getClusterId(), &db->getClusterAlias(),
          &db->getClusterVersion()}) {
        values[i] = text(i, *s);
        ++i;
    }
    values[i] = SqlValue::of(static_cast<int64_t>(db->getMemberCount()));
    return emit() && sink.endTable();
}

void RowWriter::fillFields(SrmResource *r, const ColumnMap &map) {
    attrs = "{";
    SrmForEachField(r, [&](const SrmFieldValue &f) {
        const bool isText = f.type == SRM_FIELD_TEXT;
        if (f.key < 0 || f.key >= SRM_KEY_COUNT || map.skipped[f.key]) {
            return;
        }
        if (map.columns[f.key].empty()) {
            if (isText && f.text.empty()) {
                return;  // as the record leaves it out
            }
            if (attrs.size() > 1) {
                attrs += ',';
            }
            const char *key = SrmRecordKeyText(f.key);
            appendJsonString(attrs, key, std::char_traits<char>::length(key));
            attrs += ':';
            if (isText) {
                appendJsonString(attrs, f.text.data(), f.text.size());
            } else {
                attrs += std::to_string(f.number);
            }
            return;
        }
        for (const auto &target : map.columns[f.key]) {
            std::size_t column = target.first;
            if (isText) {
                values[column] = target.second == Conversion::Wwid
                                     ? copiedText(column, normalizedWwid(std::string(f.text)))
                                     : copiedText(column, f.text);
            } else if (target.second == Conversion::KibBytes) {
                values[column] = SqlValue::of(static_cast<int64_t>(f.number) * kKib);
            } else if (target.second == Conversion::MibBytes) {
                values[column] = SqlValue::of(static_cast<int64_t>(f.number) * kMib);
            } else {
                values[column] = SqlValue::of(static_cast<int64_t>(f.number));
            }
        }
    });
    attrs += '}';
}

bool RowWriter::kindRows(const KindTable &kind) {
    if (!begin(kind.table)) {
        return false;
    }
    const ColumnMap columns = columnMapOf(kind);
    const std::size_t attrsColumn = values.size() - 1;
    bool ok = true;
    forEachResource(db->getResourceList(), kind.type, [&](SrmResource *r) {
        if (!ok) {
            return;
        }
        for (std::size_t i = kId; i < values.size(); ++i) {
            values[i] = SqlValue::null();
        }
        values[kId] = text(kId, r->Id);
        values[kPubId] = text(kPubId, r->PubId);
        values[kLocalId] = text(kLocalId, r->LId);
        values[kState] = SqlValue::of(static_cast<int64_t>(r->state));
        fillFields(r, columns);
        values[attrsColumn] = SqlValue::of(attrs);
        ok = emit();
    });
    return ok && sink.endTable();
}

bool RowWriter::serviceGroups() {
    if (!begin("service_group")) {
        return false;
    }
    for (const auto &entry : db->getServiceGroups()) {
        SrmServiceGroup *child = entry.second->getNextServiceGroup();
        values[1] = text(1, entry.first);
        values[2] = child != nullptr ? text(2, child->getName()) : SqlValue::null();
        if (!emit()) {
            return false;
        }
    }
    return sink.endTable();
}

bool RowWriter::errors() {
    if (!begin("scan_error")) {
        return false;
    }
    if (SrmErrorList *list = db->getErrorList()) {
        for (const auto &group : list->getErrorMap()) {
            int64_t seq = 0;
            for (const SrmError *e : group.second) {
                values[1] = text(1, group.first);
                values[2] = SqlValue::of(++seq);
                values[3] = text(3, e->ErrorDesc);
                values[4] = SqlValue::of(static_cast<int64_t>(e->Ecode));
                values[5] = SqlValue::of(static_cast<int64_t>(e->Sev));
                values[6] = text(6, e->FileName);
                values[7] = text(7, e->Etype);
                values[8] = text(8, e->Eclass);
                values[9] = text(9, e->Efunc);
                if (!emit()) {
                    return false;
                }
            }
        }
    }
    return sink.endTable();
}

bool RowWriter::memberRows(const std::string &holder, SrmResourceList *members,
                           SrmResourceType only, bool mixed) {
    bool ok = true;
    values[1] = text(1, holder);
    for (const KindTable &kind : kindTables()) {
        if (!mixed && kind.type != only) {
            continue;
        }
        forEachResource(members, kind.type, [&](SrmResource *m) {
            if (!ok) {
                return;
            }
            if (mixed) {
                values[2] = SqlValue::of(kind.table, std::char_traits<char>::length(kind.table));
                values[3] = text(3, m->Id);
            } else {
                values[2] = text(2, m->Id);
            }
            ok = emit();
        });
    }
    return ok;
}

template <typename ListOf>
bool RowWriter::listRows(const char *table, SrmResourceType holders, ListOf listOf, bool mixed) {
    if (!begin(table)) {
        return false;
    }
    bool ok = true;
    forEachResource(db->getResourceList(), holders, [&](SrmResource *r) {
        std::pair<SrmResourceList *, SrmResourceType> list = listOf(r);
        ok = ok && memberRows(r->Id, list.first, list.second, mixed);
    });
    return ok && sink.endTable();
}

bool RowWriter::computerServiceGroups() {
    if (!begin("computer_service_group")) {
        return false;
    }
    bool ok = true;
    forEachResource(db->getResourceList(), SRM_RES_COMPUTER, [&](SrmResource *r) {
        for (const auto &entry : static_cast<SrmComputer *>(r)->getServiceGroupMap()) {
            if (ok && entry.second != nullptr) {
                values[1] = text(1, r->Id);
                values[2] = text(2, entry.first);
                ok = emit();
            }
        }
    });
    return ok && sink.endTable();
}

bool RowWriter::groupMembers() {
    if (!begin("service_group_member")) {
        return false;
    }
    for (const auto &entry : db->getServiceGroups()) {
        if (!memberRows(entry.first, entry.second->getResourceList(), SRM_RES_NONE, true)) {
            return false;
        }
    }
    return sink.endTable();
}

bool RowWriter::edges() {
    if (!begin("stack_edge")) {
        return false;
    }
    for (const StackEdge &e : stackEdges(db)) {
        values[1] = SqlValue::of(e.lowerKind, std::char_traits<char>::length(e.lowerKind));
        values[2] = text(2, *e.lowerId);
        values[3] = SqlValue::of(e.upperKind, std::char_traits<char>::length(e.upperKind));
        values[4] = text(4, *e.upperId);
        values[5] = SqlValue::of(static_cast<int64_t>(e.exact));
        if (!emit()) {
            return false;
        }
    }
    return sink.endTable();
}

bool RowWriter::writeAll() {
    if (!scanRow()) {
        return false;
    }
    for (const KindTable &kind : kindTables()) {
        if (!kindRows(kind)) {
            return false;
        }
    }
    auto chunks = [](SrmResource *r) {
        return std::make_pair(static_cast<SrmVolume *>(r)->getDiskChunkList(), SRM_RES_DISKCHUNK);
    };
    auto subVolumes = [](SrmResource *r) {
        return std::make_pair(static_cast<SrmVolume *>(r)->getSubVolumeList(), SRM_RES_VOLUME);
    };
    auto groupDisks = [](SrmResource *r) {
        return std::make_pair(static_cast<SrmVolumeGroup *>(r)->getDiskList(), SRM_RES_DISK);
    };
    auto groupVolumes = [](SrmResource *r) {
        return std::make_pair(static_cast<SrmVolumeGroup *>(r)->getVolumeList(), SRM_RES_VOLUME);
    };
    auto computerMembers = [](SrmResource *r) {
        return std::make_pair(static_cast<SrmComputer *>(r)->getResourceList(), SRM_RES_NONE);
    };
    return serviceGroups() && errors() && listRows("volume_chunk", SRM_RES_VOLUME, chunks, false) &&
           listRows("sub_volume", SRM_RES_VOLUME, subVolumes, false) &&
           listRows("volume_group_disk", SRM_RES_VOLUMEGROUP, groupDisks, false) &&
           listRows("volume_group_volume", SRM_RES_VOLUMEGROUP, groupVolumes, false) &&
           listRows("computer_member", SRM_RES_COMPUTER, computerMembers, true) &&
           computerServiceGroups() && groupMembers() && edges();
}

}  // namespace

void describeScan(SrmResourceDatabase *db, ScanInfo &info) {
    if (!db->getClusterId().empty() || !db->getClusterName().empty()) {
        info.kind = "cluster";
        info.computerId.clear();
        info.sourceKey = "cluster:" + db->getClusterId() + "/" + db->getClusterName();
        return;
    }
    info.kind = "host";
    SrmResource *computer = db->getThisComputer();
    if (computer == nullptr) {
        forEachResource(db->getResourceList(), SRM_RES_COMPUTER, [&computer](SrmResource *c) {
            if (computer == nullptr) {
                computer = c;
            }
        });
    }
    info.computerId = computer != nullptr ? computer->Id : std::string();
    info.sourceKey = computer != nullptr ? "host:" + computer->Id : "file:" + info.file;
}

bool writeScanRows(SrmResourceDatabase *db, const ScanInfo &scan, RowSink &sink, long *rows) {
    RowWriter writer(db, scan, sink);
    bool ok = writer.writeAll();
    if (rows != nullptr) {
        *rows = writer.rows;
    }
    return ok;
}

std::string utcNow() {
    time_t now = time(nullptr);
    struct tm utc;
    char text[32];
    if (gmtime_r(&now, &utc) == nullptr ||
        strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0) {
        return std::string();
    }
    return text;
}

}  // namespace ulvar_fleet
