#include "tools/fleet/SqliteFleet.h"

#include <sqlite3.h>

#include <system_error>
#include <vector>

#include "tools/fleet/FleetSchema.h"
#include "tools/fleet/QueryOutput.h"

namespace ulvar_fleet {

namespace {

// Another writer holds the file: wait this long before giving up.
constexpr int kBusyMilliseconds = 10000;

// Inserting many rows: a larger page cache saves reads of a file database,
// and larger pages (taken only by a database still empty) fewer splits.
const char kLoadPragmas[] = "PRAGMA cache_size = -65536; PRAGMA page_size = 16384";

// Rows go in this many at a time, through one INSERT of that many rows:
// starting and ending a statement costs SQLite as much as inserting a row.
constexpr std::size_t kBatchRows = 32;
// Rows handed to the inserting thread at once, and the chunks that may wait
// for it: enough that neither thread waits for the other at every chunk.
constexpr std::size_t kChunkRows = 16 * kBatchRows;
constexpr std::size_t kChunksWaiting = 4;

// The INSERT of `rows` rows into `table`. A refused row ends the load and
// undoes it whole anyway; OR ROLLBACK says so to SQLite, which then keeps no
// journal to undo a part of one statement.
std::string insertText(const SqlTable &table, std::size_t rows) {
    std::string names, marks;
    for (const SqlColumn &c : table.columns) {
        names += (names.empty() ? "" : ", ") + c.name;
        marks += marks.empty() ? "(?" : ", ?";
    }
    marks += ")";
    std::string text = "INSERT OR ROLLBACK INTO " + table.name + " (" + names + ") VALUES " + marks;
    for (std::size_t i = 1; i < rows; ++i) {
        text += ", " + marks;
    }
    return text;
}

}  // namespace

std::unique_ptr<SqliteFleet> SqliteFleet::open(const std::string &path, std::string &error) {
    // Counting every allocation costs a lock each time; nothing here asks how
    // much memory SQLite holds. Refused once SQLite has started, which is
    // harmless.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3 *db = nullptr;
    // One thread at a time uses the connection: it needs no lock of its own.
    int rc =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        error = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        return nullptr;
    }
    std::unique_ptr<SqliteFleet> fleet(new SqliteFleet(db));
    sqlite3_busy_timeout(db, kBusyMilliseconds);
    sqlite3_extended_result_codes(db, 1);
    // Reading the schema is what finds a file that is no database.
    if (!fleet->exec("SELECT count(*) FROM sqlite_master") || !fleet->exec(kLoadPragmas)) {
        error = fleet->message;
        return nullptr;
    }
    return fleet;
}

SqliteFleet::~SqliteFleet() {
    stopInserting();
    for (auto &entry : prepared) {
        sqlite3_finalize(entry.second);
    }
    sqlite3_close_v2(db);
}

bool SqliteFleet::failed() {
    message = sqlite3_errmsg(db);
    return false;
}

bool SqliteFleet::exec(const char *sql) {
    char *why = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &why) != SQLITE_OK) {
        message = why != nullptr ? why : sqlite3_errmsg(db);
        sqlite3_free(why);
        return false;
    }
    return true;
}

sqlite3_stmt *SqliteFleet::statement(const std::string &sql) {
    auto found = prepared.find(sql);
    if (found != prepared.end()) {
        sqlite3_reset(found->second);
        sqlite3_clear_bindings(found->second);
        return found->second;
    }
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) !=
        SQLITE_OK) {
        failed();
        return nullptr;
    }
    prepared[sql] = s;
    return s;
}

// BEGIN IMMEDIATE takes the write lock at once: two loads into one file wait
// for each other instead of failing halfway.
bool SqliteFleet::begin() {
    return exec("BEGIN IMMEDIATE");
}

bool SqliteFleet::commit() {
    return exec("COMMIT");
}

void SqliteFleet::rollback() {
    stopInserting();
    if (sqlite3_get_autocommit(db) == 0) {
        std::string kept = message;
        exec("ROLLBACK");
        message = kept;
    }
}

bool SqliteFleet::ensureSchema() {
    sqlite3_stmt *s = statement("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    if (s == nullptr) {
        return false;
    }
    sqlite3_bind_text(s, 1, kScanTable, -1, SQLITE_STATIC);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc == SQLITE_ROW) {
        return true;
    }
    return rc == SQLITE_DONE ? exec(fleetSchemaText().c_str()) : failed();
}

bool SqliteFleet::findScan(const std::string &sourceKey, bool &found, int64_t &scanId,
                           std::string &sha256) {
    sqlite3_stmt *s = statement("SELECT scan_id, content_sha256 FROM scan WHERE source_key = ?");
    if (s == nullptr) {
        return false;
    }
    sqlite3_bind_text(s, 1, sourceKey.data(), static_cast<int>(sourceKey.size()), SQLITE_STATIC);
    int rc = sqlite3_step(s);
    found = rc == SQLITE_ROW;
    if (found) {
        scanId = sqlite3_column_int64(s, 0);
        const unsigned char *text = sqlite3_column_text(s, 1);
        sha256 = text != nullptr ? reinterpret_cast<const char *>(text) : "";
    }
    sqlite3_reset(s);
    return rc == SQLITE_ROW || rc == SQLITE_DONE || failed();
}

bool SqliteFleet::newScanId(int64_t &scanId) {
    sqlite3_stmt *s = statement("SELECT coalesce(max(scan_id), 0) + 1 FROM scan");
    if (s == nullptr) {
        return false;
    }
    bool ok = sqlite3_step(s) == SQLITE_ROW;
    scanId = ok ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_reset(s);
    return ok || failed();
}

bool SqliteFleet::deleteScan(int64_t scanId) {
    for (const SqlTable &t : fleetTables()) {
        sqlite3_stmt *s = statement("DELETE FROM " + t.name + " WHERE scan_id = ?");
        if (s == nullptr) {
            return false;
        }
        sqlite3_bind_int64(s, 1, scanId);
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE) {
            return failed();
        }
    }
    return true;
}

bool SqliteFleet::beginTable(const SqlTable &table) {
    stopInserting();
    columns = table.columns.size();
    insertOne = statement(insertText(table, 1));
    insertBatch = insertOne != nullptr ? statement(insertText(table, kBatchRows)) : nullptr;
    if (insertBatch == nullptr) {
        return false;
    }
    try {
        inserting.reset(
            new WorkerQueue<Chunk>([this](Chunk &c) { return insert(c); }, kChunksWaiting));
    } catch (const std::system_error &e) {
        message = std::string("cannot start a thread: ") + e.what();
        return false;
    }
    filling = inserting->spare();
    return true;
}

bool SqliteFleet::row(const SqlValue *values) {
    Chunk &c = *filling;
    for (std::size_t i = 0; i < columns; ++i) {
        const SqlValue &v = values[i];
        c.values.push_back({v.kind, v.integer, c.text.size(), v.length});
        if (v.kind == SqlValue::Text) {
            c.text.append(v.text, v.length);
        }
    }
    if (c.values.size() < kChunkRows * columns) {
        return true;
    }
    if (!inserting->put(std::move(filling))) {
        stopInserting();  // error() is the inserting thread's
        return false;
    }
    filling = inserting->spare();
    return true;
}

bool SqliteFleet::endTable() {
    if (!inserting) {
        return false;  // the table never began
    }
    if (!filling->values.empty()) {
        inserting->put(std::move(filling));
    }
    bool ok = inserting->finish();
    stopInserting();
    return ok;
}

void SqliteFleet::stopInserting() {
    if (inserting) {
        inserting->finish();
        inserting.reset();
    }
    filling.reset();
}

void SqliteFleet::bind(sqlite3_stmt *s, int first, const Held *row, const std::string &text) {
    for (std::size_t i = 0; i < columns; ++i) {
        const Held &v = row[i];
        int at = first + static_cast<int>(i);
        if (v.kind == SqlValue::Integer) {
            sqlite3_bind_int64(s, at, v.integer);
        } else if (v.kind == SqlValue::Text) {
            sqlite3_bind_text(s, at, text.data() + v.offset, static_cast<int>(v.length),
                              SQLITE_STATIC);
        } else {
            sqlite3_bind_null(s, at);
        }
    }
}

bool SqliteFleet::step(sqlite3_stmt *s) {
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    return rc == SQLITE_DONE || failed();
}

bool SqliteFleet::insert(Chunk &chunk) {
    const std::size_t batch = kBatchRows * columns;
    const std::size_t all = chunk.values.size();
    std::size_t at = 0;
    bool ok = true;
    for (; ok && all - at >= batch; at += batch) {
        for (std::size_t r = 0; r < kBatchRows; ++r) {
            bind(insertBatch, static_cast<int>(r * columns) + 1, &chunk.values[at + r * columns],
                 chunk.text);
        }
        ok = step(insertBatch);
    }
    for (; ok && at < all; at += columns) {
        bind(insertOne, 1, &chunk.values[at], chunk.text);
        ok = step(insertOne);
    }
    chunk.values.clear();
    chunk.text.clear();
    return ok;
}

SqliteFleet::RunResult SqliteFleet::run(const std::string &text, ResultPrinter &printer) {
    const char *next = text.c_str();
    while (*next != '\0') {
        sqlite3_stmt *s = nullptr;
        const char *rest = nullptr;
        if (sqlite3_prepare_v2(db, next, -1, &s, &rest) != SQLITE_OK) {
            failed();
            return kNotSql;
        }
        next = rest;
        if (s == nullptr) {
            continue;  // only a comment or white space
        }
        int count = sqlite3_column_count(s);
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.push_back(sqlite3_column_name(s, i));
        }
        if (count > 0) {
            printer.begin(names);
        }
        std::vector<Cell> cells(count);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            for (int i = 0; i < count; ++i) {
                Cell &c = cells[i];
                switch (sqlite3_column_type(s, i)) {
                    case SQLITE_INTEGER:
                        c.kind = Cell::Integer;
                        c.integer = sqlite3_column_int64(s, i);
                        break;
                    case SQLITE_FLOAT:
                        c.kind = Cell::Real;
                        c.real = sqlite3_column_double(s, i);
                        break;
                    case SQLITE_NULL:
                        c.kind = Cell::Null;
                        break;
                    default:
                        c.kind = Cell::Text;
                        c.text.assign(static_cast<const char *>(sqlite3_column_blob(s, i)),
                                      static_cast<std::size_t>(sqlite3_column_bytes(s, i)));
                        break;
                }
            }
            printer.row(cells);
        }
        if (count > 0) {
            printer.end();
        }
        if (rc != SQLITE_DONE) {
            failed();
            sqlite3_finalize(s);
            return kFailed;
        }
        sqlite3_finalize(s);
    }
    return kRan;
}

}  // namespace ulvar_fleet
