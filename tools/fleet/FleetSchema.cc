#include "tools/fleet/FleetSchema.h"

#include <algorithm>
#include <cstdlib>

#include "tools/fleet/KindColumns.h"

namespace ulvar_fleet {

const char *const kScanTable = "scan";

const char *sqlTypeName(SqlType type) {
    switch (type) {
        case SqlType::Integer:
            return "INTEGER";
        case SqlType::BigInt:
            return "BIGINT";
        case SqlType::Text:
            return "TEXT";
    }
    return "TEXT";
}

namespace {

constexpr SqlType I = SqlType::Integer;
constexpr SqlType B = SqlType::BigInt;
constexpr SqlType T = SqlType::Text;

SqlTable kindTable(const KindTable &kind) {
    SqlTable t{kind.table,
               {{"scan_id", I}, {kIdColumn, T}, {"pub_id", T}, {"local_id", T}, {"state", B}},
               2,
               {}};
    for (const KindColumn &c : kind.columns) {
        t.columns.push_back({c.column, c.type});
    }
    t.columns.push_back({kAttrsColumn, T});
    return t;
}

// A list one resource holds: the holder's id, then the member's.
SqlTable listTable(const char *name, const char *holder, const char *member) {
    return {name, {{"scan_id", I}, {holder, T}, {member, T}}, 3, {}};
}

// A list that holds several kinds: the member's kind word comes before its id.
SqlTable mixedListTable(const char *name, const char *holder) {
    return {name,
            {{"scan_id", I}, {holder, T}, {"member_kind", T}, {"member_id", T}},
            4,
            {{{"scan_id", "member_kind", "member_id"}, false}}};
}

std::vector<SqlTable> makeTables() {
    std::vector<SqlTable> tables;
    tables.push_back({kScanTable,
                      {{"scan_id", I},
                       {"source_key", T, true},
                       {"kind", T, true},
                       {"computer_id", T},
                       {"file", T, true},
                       {"content_sha256", T, true},
                       {"loaded_at", T, true},
                       {"db_version", T},
                       {"cluster_name", T},
                       {"cluster_id", T},
                       {"cluster_alias", T},
                       {"cluster_version", T},
                       {"member_count", I}},
                      1,
                      {{{"source_key"}, true}}});
    for (const KindTable &kind : kindTables()) {
        tables.push_back(kindTable(kind));
    }
    for (SqlTable &t : tables) {
        if (t.name == "disk") {
            t.indexes.push_back({{"wwid"}, false});
        }
    }
    tables.push_back({"service_group", {{"scan_id", I}, {kIdColumn, T}, {"child_id", T}}, 2, {}});
    tables.push_back({"scan_error",
                      {{"scan_id", I},
                       {kIdColumn, T},
                       {"seq", I},
                       {"description", T},
                       {"code", I},
                       {"severity", I},
                       {"file_name", T},
                       {"error_type", T},
                       {"error_class", T},
                       {"error_function", T}},
                      3,
                      {}});
    tables.push_back(listTable("volume_chunk", "volume_id", "chunk_id"));
    tables.push_back(listTable("sub_volume", "volume_id", "sub_volume_id"));
    tables.push_back(listTable("volume_group_disk", "volume_group_id", "disk_id"));
    tables.push_back(listTable("volume_group_volume", "volume_group_id", "volume_id"));
    tables.push_back(mixedListTable("computer_member", "computer_id"));
    tables.push_back(listTable("computer_service_group", "computer_id", "service_group_id"));
    tables.push_back(mixedListTable("service_group_member", "service_group_id"));
    tables.push_back({"stack_edge",
                      {{"scan_id", I},
                       {"lower_kind", T},
                       {"lower_id", T},
                       {"upper_kind", T},
                       {"upper_id", T},
                       {"exact", I}},
                      5,
                      {{{"scan_id", "upper_kind", "upper_id"}, false}}});
    return tables;
}

std::string joined(const std::vector<std::string> &names) {
    std::string text;
    for (const std::string &n : names) {
        text += (text.empty() ? "" : ", ") + n;
    }
    return text;
}

std::string createTable(const SqlTable &t) {
    std::size_t width = 0;
    for (const SqlColumn &c : t.columns) {
        width = std::max(width, c.name.size());
    }
    std::string text = "CREATE TABLE " + t.name + " (\n";
    std::vector<std::string> key;
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const SqlColumn &c = t.columns[i];
        text += "    " + c.name + std::string(width + 1 - c.name.size(), ' ') + sqlTypeName(c.type);
        if (i < t.keyColumns || c.notNull) {
            text += " NOT NULL";
        }
        if (i < t.keyColumns) {
            key.push_back(c.name);
        }
        text += ",\n";
    }
    text += "    PRIMARY KEY (" + joined(key) + ")\n);\n";
    for (const SqlIndex &index : t.indexes) {
        std::string name = t.name;
        for (const std::string &c : index.columns) {
            name += "_" + c;
        }
        text += std::string(index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + name +
                " ON " + t.name + " (" + joined(index.columns) + ");\n";
    }
    return text;
}

std::string resourceView() {
    std::string text =
        "-- The columns every kind shares, one row per resource.\n"
        "CREATE VIEW resource AS\n";
    const char *glue = "";
    for (const KindTable &kind : kindTables()) {
        text += glue;
        text += std::string("SELECT scan_id, '") + kind.table +
                "' AS kind, id, pub_id, local_id, state FROM " + kind.table + "\n";
        glue = "UNION ALL\n";
    }
    return text + ";\n";
}

// A cluster node holds what it lists; a single host holds all its scan found.
const char kHostResourceView[] =
    "-- What each host holds: a cluster node's members, or every resource of a\n"
    "-- single-host scan.\n"
    "CREATE VIEW host_resource AS\n"
    "SELECT m.scan_id, m.computer_id, m.member_kind AS kind, m.member_id AS id\n"
    "FROM computer_member m JOIN scan s ON s.scan_id = m.scan_id\n"
    "WHERE s.kind = 'cluster'\n"
    "UNION ALL\n"
    "SELECT r.scan_id, s.computer_id, r.kind, r.id\n"
    "FROM resource r JOIN scan s ON s.scan_id = r.scan_id\n"
    "WHERE s.kind = 'host' AND s.computer_id IS NOT NULL AND r.kind <> 'computer'\n"
    ";\n";

}  // namespace

const std::vector<SqlTable> &fleetTables() {
    static const std::vector<SqlTable> tables = makeTables();
    return tables;
}

const SqlTable &fleetTable(const std::string &name) {
    for (const SqlTable &t : fleetTables()) {
        if (t.name == name) {
            return t;
        }
    }
    abort();  // a name the code uses that the schema lacks
}

const std::string &fleetSchemaText() {
    static const std::string text = [] {
        std::string s;
        for (const SqlTable &t : fleetTables()) {
            s += createTable(t);
        }
        return s + resourceView() + kHostResourceView;
    }();
    return text;
}

}  // namespace ulvar_fleet
