// ulvar sql over the samples: every resource in its table, every field and
// list kept, the documented questions answered as documented, and bad input
// refused whole.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/testing/ScratchFiles.h"
#include "tools/fleet/KindColumns.h"
#include "tools/testing/FleetTesting.h"
#include "tools/testing/ToolTesting.h"

namespace {

using namespace ulvar_tool::testing;
using nlohmann::json;
using ulvar::testing::ScopedFd;

// The samples loaded into `db` as scans 1, 2 and 3.
void LoadSamples(const std::string &db) {
    std::vector<std::string> args = {"sql", "--db", db};
    for (const std::string &file : FleetSamples()) {
        args.push_back(file);
    }
    Outcome run = Tool(args);
    ASSERT_EQ(0, run.status) << run.err;
}

std::unique_ptr<SrmResourceDatabase> Loaded(const std::string &file) {
    std::unique_ptr<SrmResourceDatabase> db(new SrmResourceDatabase());
    ScopedFd fd(open((kSource + "/" + file).c_str(), O_RDONLY));
    EXPECT_EQ(1, db->deserialize(fd.get(), nullptr)) << file;
    return db;
}

std::string Count(const std::string &db, const std::string &sql) {
    Rows rows = SqliteRows(db, sql);
    return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "no count";
}

// The kind table of a record's "Type" word.
const ulvar_fleet::KindTable *TableOfWord(const std::string &word) {
    static const std::map<std::string, SrmResourceType> types = {
        {"System", SRM_RES_COMPUTER},
        {"Disk", SRM_RES_DISK},
        {"DiskChunk", SRM_RES_DISKCHUNK},
        {"Volume", SRM_RES_VOLUME},
        {"VolumeGroup", SRM_RES_VOLUMEGROUP},
        {"VolumeManager", SRM_RES_VOLUMEMANAGER},
        {"FileSystem", SRM_RES_FILESYSTEM},
        {"MountPoint", SRM_RES_MOUNTPOINT},
        {"Share", SRM_RES_SHARE},
        {"Id", SRM_RES_ID},
        {"VirtualServer", SRM_RES_VIRTUALSERVER}};
    auto found = types.find(word);
    return found != types.end() ? ulvar_fleet::kindTableOf(found->second) : nullptr;
}

TEST(UlvarSql, EveryResourceHasOneRowInItsTableAndInResourceAsCheckCountsThem) {
    Scratch s;
    const std::string db = s.dir + "/fleet.sqlite";
    LoadSamples(db);
    int scan = 0;
    for (const std::string &file : FleetSamples()) {
        const std::string where = " WHERE scan_id = " + std::to_string(++scan);
        std::unique_ptr<SrmResourceDatabase> loaded = Loaded(file);
        for (const ulvar_fleet::KindTable &kind : ulvar_fleet::kindTables()) {
            SrmResourceIdMap *ids = loaded->getResourceList()->getSrmResourceIdMap(kind.type);
            for (const auto &entry : ids != nullptr ? *ids : SrmResourceIdMap()) {
                const std::string id = " AND id = '" + entry.first + "'";
                EXPECT_EQ("1",
                          Count(db, std::string("SELECT count(*) FROM ") + kind.table + where + id))
                    << file << " " << entry.first;
                EXPECT_EQ("1", Count(db, "SELECT count(*) FROM resource" + where + id +
                                             " AND kind = '" + kind.table + "'"))
                    << file << " " << entry.first;
            }
        }
        // `ulvar check` lists "    <kind title>   <count>" under "  resources".
        Outcome check = Tool({"check", file});
        std::istringstream lines(check.out);
        std::map<std::string, std::string> checked;
        for (std::string line; std::getline(lines, line);) {
            std::size_t last = line.find_last_of(' ');
            if (line.rfind("    ", 0) == 0 && line[4] != ' ' && last != std::string::npos) {
                std::string title = line.substr(4, line.find("  ", 4) - 4);
                std::replace(title.begin(), title.end(), ' ', '_');
                checked[title] = line.substr(last + 1);
            }
        }
        std::map<std::string, std::string> counted;
        for (const auto &row :
             SqliteRows(db, "SELECT kind, count(*) FROM resource" + where + " GROUP BY kind")) {
            counted[row[0]] = row[1];
        }
        EXPECT_EQ(checked, counted) << file;
    }
}

// Every top-level record the loaded database writes is one row whose columns
// and attrs hold each of its fields, and whose lists are the link tables' rows.
TEST(UlvarSql, RowsHoldEveryFieldAndMemberOfTheRecords) {
    Scratch s;
    const std::string db = s.dir + "/fleet.sqlite";
    LoadSamples(db);
    int scan = 0;
    for (const std::string &file : FleetSamples()) {
        const std::string scanId = std::to_string(++scan);
        std::unique_ptr<SrmResourceDatabase> loaded = Loaded(file);
        for (const FileRecord &record : RecordsOf(loaded.get())) {
            const std::string type = record.fields.at("Type"), id = record.fields.at("Id");
            const std::string key = " WHERE scan_id = " + scanId + " AND ";
            std::set<std::vector<std::string>> expected, held;
            for (const auto &m : record.members) {
                const ulvar_fleet::KindTable *member = TableOfWord(m.first);
                expected.insert({member != nullptr ? member->table : m.first, m.second});
            }
            if (type == "ServiceGroup") {
                for (auto &row : SqliteRows(db,
                                            "SELECT member_kind, member_id FROM "
                                            "service_group_member" +
                                                key + "service_group_id = '" + id + "'")) {
                    held.insert(row);
                }
                EXPECT_EQ(expected, held) << id;
                continue;
            }
            const ulvar_fleet::KindTable *kind = TableOfWord(type);
            ASSERT_NE(nullptr, kind) << type;
            const std::string table = kind->table;
            Rows row = SqliteRows(db, "SELECT * FROM " + table + key + "id = '" + id + "'");
            Rows names = SqliteRows(db, "SELECT name FROM pragma_table_info('" + table + "')");
            ASSERT_EQ(1u, row.size()) << table << " " << id;
            std::map<std::string, std::string> column;
            for (std::size_t i = 0; i < names.size(); ++i) {
                column[names[i][0]] = row[0][i];
            }
            json attrs = json::parse(column["attrs"]);
            std::map<std::string, std::string> common = {
                {"Id", "id"}, {"PubId", "pub_id"}, {"LId", "local_id"}, {"State", "state"}};
            for (const auto &field : record.fields) {
                const std::string &value = field.second;
                if (common.count(field.first) != 0) {
                    EXPECT_EQ(value, column[common[field.first]]) << id << " " << field.first;
                    continue;
                }
                bool inColumn = false;
                for (const ulvar_fleet::KindColumn &c : kind->columns) {
                    if (field.first != c.recordKey) {
                        continue;
                    }
                    inColumn = true;
                    long long n = std::atoll(value.c_str());
                    std::string want = c.conversion == ulvar_fleet::Conversion::KibBytes
                                           ? std::to_string(n * 1024)
                                       : c.conversion == ulvar_fleet::Conversion::MibBytes
                                           ? std::to_string(n * 1024 * 1024)
                                       : c.conversion == ulvar_fleet::Conversion::Wwid
                                           ? ulvar_fleet::normalizedWwid(value)
                                           : value;
                    EXPECT_EQ(want.empty() ? "NULL" : want, column[c.column])
                        << id << " " << c.column;
                }
                const std::vector<std::string> &lists = ulvar_fleet::commonAndCountKeys();
                if (inColumn || std::find(lists.begin(), lists.end(), field.first) != lists.end()) {
                    continue;  // "Type", and the member counts the link tables hold
                }
                ASSERT_TRUE(attrs.contains(field.first)) << id << " " << field.first;
                const json &v = attrs[field.first];
                EXPECT_EQ(value,
                          v.is_number() ? std::to_string(v.get<long long>()) : v.get<std::string>())
                    << id << " " << field.first;
                attrs.erase(field.first);
            }
            EXPECT_TRUE(attrs.empty()) << id << " has attrs no record field has: " << attrs;

            std::vector<std::string> links;
            if (type == "Volume") {
                links = {"SELECT 'disk_chunk', chunk_id FROM volume_chunk" + key + "volume_id",
                         "SELECT 'volume', sub_volume_id FROM sub_volume" + key + "volume_id"};
            } else if (type == "VolumeGroup") {
                links = {"SELECT 'disk', disk_id FROM volume_group_disk" + key + "volume_group_id",
                         "SELECT 'volume', volume_id FROM volume_group_volume" + key +
                             "volume_group_id"};
            } else if (type == "System") {
                links = {"SELECT member_kind, member_id FROM computer_member" + key + "computer_id",
                         "SELECT 'ServiceGroup', service_group_id FROM computer_service_group" +
                             key + "computer_id"};
            }
            for (const std::string &sql : links) {
                for (auto &r : SqliteRows(db, sql + " = '" + id + "'")) {
                    held.insert(r);
                }
            }
            EXPECT_EQ(expected, held) << table << " " << id;
        }
    }
}

TEST(UlvarSql, DocumentedQueriesGiveTheDocumentedAnswers) {
    std::vector<std::string> args = {"sql"};
    for (const std::string &file : FleetSamples()) {
        args.push_back(file);
    }
    std::vector<DocumentedQuery> queries = DocumentedQueries();
    ASSERT_EQ(5u, queries.size());
    for (const DocumentedQuery &q : queries) {
        Outcome run = Tool(args, 0, -1, q.sql);
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_EQ(q.output, run.out) << q.sql;
    }
}

// Every edge joins two resources of its scan; an edge that is not exact runs
// from a disk of a volume group to a volume of that group naming no chunk or
// sub-volume; a share naming its volume by local identity stands on it.
TEST(UlvarSql, StackEdgesJoinResourcesAndFollowLocalIdentities) {
    Scratch s;
    const std::string db = s.dir + "/fleet.sqlite";
    LoadSamples(db);
    EXPECT_EQ("0", Count(db,
                         "SELECT count(*) FROM stack_edge e WHERE NOT EXISTS (SELECT 1 FROM "
                         "resource r WHERE r.scan_id = e.scan_id AND r.kind = e.lower_kind AND "
                         "r.id = e.lower_id) OR NOT EXISTS (SELECT 1 FROM resource r WHERE "
                         "r.scan_id = e.scan_id AND r.kind = e.upper_kind AND r.id = "
                         "e.upper_id)"));
    EXPECT_EQ("6", Count(db, "SELECT count(*) FROM stack_edge WHERE exact = 0"));
    EXPECT_EQ("0", Count(db,
                         "SELECT count(*) FROM stack_edge e WHERE exact = 0 AND NOT ("
                         "lower_kind = 'disk' AND upper_kind = 'volume' AND EXISTS (SELECT 1 FROM "
                         "volume_group_volume gv JOIN volume_group_disk gd ON gd.scan_id = "
                         "gv.scan_id AND gd.volume_group_id = gv.volume_group_id WHERE gv.scan_id "
                         "= e.scan_id AND gv.volume_id = e.upper_id AND gd.disk_id = e.lower_id) "
                         "AND NOT EXISTS (SELECT 1 FROM volume_chunk c WHERE c.scan_id = "
                         "e.scan_id AND c.volume_id = e.upper_id))"));
    EXPECT_EQ(Rows({{"dm-4", "dg_shared-db"}}),
              SqliteRows(db,
                         "SELECT s.volume_id, e.lower_id FROM share s JOIN stack_edge e ON "
                         "e.scan_id = s.scan_id AND e.upper_kind = 'share' AND e.upper_id = "
                         "s.id WHERE s.id = 'nfs-restore'"));
}

}  // namespace
