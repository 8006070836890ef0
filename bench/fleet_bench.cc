// The fleet in SQL at scale, run by hand: for synthetic inventories
// (bench/inventory_file) of the given sizes,
//
//   - `ulvar sql FILE` (load into SQLite in memory and one query) beside
//     `ulvar check FILE` on the same file, and beside the floor: the same rows
//     inserted into an empty in-memory database with prepared statements, one
//     row a statement and 32;
//   - a recursive "what stands on this disk" walk up stack_edge, in SQLite and
//     in PostgreSQL;
//   - `ulvar export` into a throwaway PostgreSQL server beside the floor: a
//     plain COPY of the same rows into the same, emptied tables.
//
//   fleet_bench [RESOURCES...]          default: 100000 1000000
//
// Times are wall-clock seconds (best of three below a million resources) and,
// for the programs, their CPU time; the machine may be shared, so compare
// figures of one run.
#include <libpq-fe.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/fleet/FleetSchema.h"
#include "tools/testing/PostgresServer.h"

namespace {

using ulvar_fleet::fleetTables;
using ulvar_fleet::SqlTable;

const char kTool[] = ULVAR_TOOL_BINARY;
const char kInventoryFile[] = INVENTORY_FILE_BINARY;

double now() {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double cpuNow() {
    struct timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

struct Timing {
    double wall = 0, cpu = 0;
    bool ok = false;
};

// Runs a program with its output thrown away.
Timing run(const std::vector<std::string> &argv) {
    Timing t;
    fflush(stdout);
    double start = now();
    pid_t child = fork();
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        std::vector<char *> args;
        for (const std::string &a : argv) {
            args.push_back(const_cast<char *>(a.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    wait4(child, &status, 0, &usage);
    t.wall = now() - start;
    t.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
            usage.ru_stime.tv_usec / 1e6;
    t.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!t.ok) {
        fprintf(stderr, "fleet_bench: %s failed\n", argv[0].c_str());
    }
    return t;
}

Timing best(const std::vector<std::string> &argv, int times) {
    Timing b = run(argv);
    for (int i = 1; i < times; ++i) {
        Timing t = run(argv);
        if (t.wall < b.wall) {
            b = t;
        }
    }
    return b;
}

// What stands on the LUN `wwid`, as docs/fleet.md asks it.
std::string walkQuery(const std::string &wwid) {
    return "WITH RECURSIVE above (scan_id, depth, kind, id) AS ("
           " SELECT scan_id, 0, 'disk', id FROM disk WHERE wwid = '" +
           wwid +
           "' UNION ALL"
           " SELECT e.scan_id, a.depth + 1, e.upper_kind, e.upper_id FROM above a"
           " JOIN stack_edge e ON e.scan_id = a.scan_id AND e.lower_kind = a.kind"
           " AND e.lower_id = a.id WHERE a.depth < 32)"
           " SELECT kind, id FROM above";
}

// Rows of every table, as the text SQLite gives (NULL as a null pointer).
struct TableRows {
    const SqlTable *table;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::vector<bool>> nulls;
};

std::vector<TableRows> readAll(sqlite3 *db, long &total) {
    std::vector<TableRows> all;
    total = 0;
    for (const SqlTable &t : fleetTables()) {
        TableRows r{&t, {}, {}};
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, ("SELECT * FROM " + t.name).c_str(), -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW) {
            r.rows.emplace_back();
            r.nulls.emplace_back();
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                const unsigned char *v = sqlite3_column_text(s, i);
                r.rows.back().push_back(v != nullptr ? reinterpret_cast<const char *>(v) : "");
                r.nulls.back().push_back(v == nullptr);
            }
        }
        sqlite3_finalize(s);
        total += static_cast<long>(r.rows.size());
        all.push_back(std::move(r));
    }
    return all;
}

// The floor of a load into SQLite: the same rows, already in memory, inserted
// with prepared statements in one transaction, `perInsert` rows a statement
// (the last ones of a table one by one).
Timing sqliteFloor(const std::vector<TableRows> &all, std::size_t perInsert) {
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, ulvar_fleet::fleetSchemaText().c_str(), nullptr, nullptr, nullptr);
    Timing t;
    double start = now(), cpu = cpuNow();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const TableRows &r : all) {
        const SqlTable &t = *r.table;
        std::string marks;
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            marks += i == 0 ? "(?" : ", ?";
        }
        marks += ")";
        auto prepare = [&](std::size_t rows) {
            std::string sql = "INSERT OR ROLLBACK INTO " + t.name + " VALUES " + marks;
            for (std::size_t i = 1; i < rows; ++i) {
                sql += ", " + marks;
            }
            sqlite3_stmt *s = nullptr;
            sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
            return s;
        };
        sqlite3_stmt *many = prepare(perInsert), *one = prepare(1);
        std::size_t row = 0;
        while (row < r.rows.size()) {
            std::size_t n = r.rows.size() - row >= perInsert ? perInsert : 1;
            sqlite3_stmt *s = n == perInsert ? many : one;
            int at = 1;
            for (; n > 0; --n, ++row) {
                for (std::size_t i = 0; i < r.rows[row].size(); ++i, ++at) {
                    if (r.nulls[row][i]) {
                        sqlite3_bind_null(s, at);
                    } else if (t.columns[i].type != ulvar_fleet::SqlType::Text) {
                        sqlite3_bind_int64(s, at, std::atoll(r.rows[row][i].c_str()));
                    } else {
                        sqlite3_bind_text(s, at, r.rows[row][i].c_str(), -1, SQLITE_STATIC);
                    }
                }
            }
            sqlite3_step(s);
            sqlite3_reset(s);
        }
        sqlite3_finalize(many);
        sqlite3_finalize(one);
    }
    t.ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    t.wall = now() - start;
    t.cpu = cpuNow() - cpu;
    sqlite3_close(db);
    return t;
}

// Mean seconds of `sql` over `times` runs, and the rows of one.
double sqliteWalk(sqlite3 *db, const std::string &sql, int times, long &rows) {
    double start = now();
    for (int i = 0; i < times; ++i) {
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
        rows = 0;
        while (sqlite3_step(s) == SQLITE_ROW) {
            ++rows;
        }
        sqlite3_finalize(s);
    }
    return (now() - start) / times;
}

double postgresWalk(PGconn *conn, const std::string &sql, int times, long &rows) {
    double start = now();
    for (int i = 0; i < times; ++i) {
        PGresult *r = PQexec(conn, sql.c_str());
        rows = PQntuples(r);
        PQclear(r);
    }
    return (now() - start) / times;
}

// The floor of an export: every table's rows as COPY text, copied back into
// the emptied tables in one transaction.
double copyFloor(PGconn *conn) {
    std::vector<std::string> data;
    for (const SqlTable &t : fleetTables()) {
        std::string text;
        PQclear(PQexec(conn, ("COPY " + t.name + " TO STDOUT").c_str()));
        char *line = nullptr;
        int n;
        while ((n = PQgetCopyData(conn, &line, 0)) > 0) {
            text.append(line, static_cast<std::size_t>(n));
            PQfreemem(line);
        }
        PQclear(PQgetResult(conn));
        data.push_back(std::move(text));
    }
    double start = now();
    PQclear(PQexec(conn, "BEGIN"));
    std::size_t i = 0;
    for (const SqlTable &t : fleetTables()) {
        PQclear(PQexec(conn, ("TRUNCATE " + t.name).c_str()));
        PQclear(PQexec(conn, ("COPY " + t.name + " FROM STDIN").c_str()));
        const std::string &text = data[i++];
        for (std::size_t at = 0; at < text.size(); at += 256 * 1024) {
            std::size_t n = std::min<std::size_t>(256 * 1024, text.size() - at);
            PQputCopyData(conn, text.data() + at, static_cast<int>(n));
        }
        PQputCopyEnd(conn, nullptr);
        while (PGresult *r = PQgetResult(conn)) {
            PQclear(r);
        }
    }
    PQclear(PQexec(conn, "COMMIT"));
    return now() - start;
}

void bench(long resources) {
    char dir[] = "/tmp/fleet_benchXXXXXX";
    if (mkdtemp(dir) == nullptr) {
        return;
    }
    const std::string file = std::string(dir) + "/inventory.srdb";
    const std::string sqliteFile = std::string(dir) + "/fleet.sqlite";
    if (!run({kInventoryFile, std::to_string(resources), file}).ok) {
        unlink(file.c_str());  // what the generator left of it
        rmdir(dir);
        return;
    }
    int times = resources < 1000000 ? 3 : 1;
    Timing check = best({kTool, "check", file}, times);
    Timing sql = best({kTool, "sql", file, "SELECT count(*) FROM scan"}, times);
    Timing sqlFile = run({kTool, "sql", "--db", sqliteFile, file});

    sqlite3 *db = nullptr;
    sqlite3_open(sqliteFile.c_str(), &db);
    long rows = 0;
    std::vector<TableRows> all = readAll(db, rows);
    Timing floor = sqliteFloor(all, 1);
    Timing batchedFloor = sqliteFloor(all, 32);
    all.clear();
    std::string disk;
    {
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(
            db, "SELECT wwid FROM disk ORDER BY id LIMIT 1 OFFSET (SELECT count(*) / 2 FROM disk)",
            -1, &s, nullptr);
        if (sqlite3_step(s) == SQLITE_ROW) {
            disk = reinterpret_cast<const char *>(sqlite3_column_text(s, 0));
        }
        sqlite3_finalize(s);
    }
    long walked = 0;
    double walkSqlite = sqliteWalk(db, walkQuery(disk), 200, walked);
    sqlite3_close(db);

    printf("%ld resources, %ld rows\n", resources, rows);
    printf("  ulvar check            %8.3f s  (cpu %.3f s)\n", check.wall, check.cpu);
    printf("  ulvar sql, in memory   %8.3f s  (cpu %.3f s)  %.2f x check, %.0f rows/s\n", sql.wall,
           sql.cpu, sql.wall / check.wall, rows / sql.wall);
    printf("  ulvar sql --db FILE    %8.3f s  (cpu %.3f s)  %.2f x check\n", sqlFile.wall,
           sqlFile.cpu, sqlFile.wall / check.wall);
    printf("  floor: insert rows     %8.3f s  (cpu %.3f s)  %.0f rows/s\n", floor.wall, floor.cpu,
           rows / floor.wall);
    printf("    32 rows an insert    %8.3f s  (cpu %.3f s)  %.0f rows/s\n", batchedFloor.wall,
           batchedFloor.cpu, rows / batchedFloor.wall);
    printf("  walk up from %s: %ld rows, SQLite %.1f us\n", disk.c_str(), walked, walkSqlite * 1e6);

    ulvar_tool::testing::PostgresServer server;
    std::string why;
    if (!server.start(why)) {
        printf("  PostgreSQL: %s\n", why.c_str());
    } else {
        Timing exported = run({kTool, "export", "--postgres", server.conninfo(), file});
        PGconn *conn = PQconnectdb(server.conninfo().c_str());
        double walkPostgres = postgresWalk(conn, walkQuery(disk), 200, walked);
        // Autovacuum gathers the statistics of the new rows within a minute or
        // so; until then the planner guesses.
        PQclear(PQexec(conn, "ANALYZE"));
        double walkAnalyzed = postgresWalk(conn, walkQuery(disk), 200, walked);
        double copy = copyFloor(conn);
        PQfinish(conn);
        printf("  ulvar export           %8.3f s  (cpu %.3f s)  %.0f rows/s\n", exported.wall,
               exported.cpu, rows / exported.wall);
        printf("  floor: COPY rows       %8.3f s  %.0f rows/s\n", copy, rows / copy);
        printf("  walk up, PostgreSQL    %.1f us (%ld rows), after ANALYZE %.1f us\n",
               walkPostgres * 1e6, walked, walkAnalyzed * 1e6);
    }
    fflush(stdout);
    unlink(file.c_str());
    unlink(sqliteFile.c_str());
    rmdir(dir);
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atol(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {100000, 1000000};
    }
    for (long n : sizes) {
        bench(n);
    }
    return 0;
}
