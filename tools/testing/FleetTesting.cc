#include "tools/testing/FleetTesting.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <sstream>

#include "tools/fleet/FleetSchema.h"
#include "tools/testing/ToolTesting.h"

namespace ulvar_tool {
namespace testing {

std::vector<std::string> FleetSamples() {
    return {kHost, kCluster, kOsprey};
}

std::vector<DocumentedQuery> DocumentedQueries() {
    std::istringstream doc(Slurp(kSource + "/docs/fleet.md"));
    std::vector<DocumentedQuery> queries;
    std::string line, *into = nullptr;
    bool fenced = false, expectOutput = false;
    while (std::getline(doc, line)) {
        if (line.rfind("```", 0) == 0) {
            if (fenced) {
                fenced = false;
                into = nullptr;
            } else if (line == "```sql") {
                fenced = true;
                queries.push_back(DocumentedQuery());
                into = &queries.back().sql;
                expectOutput = true;
            } else {
                fenced = true;
                into = line == "```" && expectOutput ? &queries.back().output : nullptr;
                expectOutput = false;
            }
        } else if (into != nullptr) {
            *into += line + "\n";
        }
    }
    return queries;
}

Rows SqliteRows(const std::string &path, const std::string &sql) {
    Rows rows;
    sqlite3 *db = nullptr;
    sqlite3_stmt *s = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << path << ": " << sqlite3_errmsg(db) << "\n" << sql;
    } else {
        while (sqlite3_step(s) == SQLITE_ROW) {
            rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                const unsigned char *text = sqlite3_column_text(s, i);
                rows.back().push_back(text != nullptr ? reinterpret_cast<const char *>(text)
                                                      : "NULL");
            }
        }
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}

Rows PostgresRows(const std::string &conninfo, const std::string &sql) {
    Rows rows;
    PGconn *conn = PQconnectdb(conninfo.c_str());
    PGresult *result = PQexec(conn, sql.c_str());
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        ADD_FAILURE() << PQerrorMessage(conn) << "\n" << sql;
    } else {
        for (int r = 0; r < PQntuples(result); ++r) {
            rows.emplace_back();
            for (int c = 0; c < PQnfields(result); ++c) {
                rows.back().push_back(PQgetisnull(result, r, c) ? "NULL"
                                                                : PQgetvalue(result, r, c));
            }
        }
    }
    PQclear(result);
    PQfinish(conn);
    return rows;
}

std::string TableContents(const std::string &table) {
    std::string columns, order;
    int n = 0;
    for (const ulvar_fleet::SqlColumn &c : ulvar_fleet::fleetTable(table).columns) {
        if (c.name != "loaded_at") {
            columns += (columns.empty() ? "" : ", ") + c.name;
            order += (order.empty() ? "" : ", ") + std::to_string(++n);
        }
    }
    return "SELECT " + columns + " FROM " + table + " ORDER BY " + order;
}

}  // namespace testing
}  // namespace ulvar_tool
