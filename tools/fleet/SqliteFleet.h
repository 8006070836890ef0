// The fleet in SQLite: a database in memory or in a file, loaded through
// prepared statements, and the statements a user runs on it.
#ifndef TOOLS_FLEET_SQLITEFLEET_H
#define TOOLS_FLEET_SQLITEFLEET_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/fleet/FleetTarget.h"
#include "tools/fleet/WorkerQueue.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ulvar_fleet {

class ResultPrinter;

// While the rows of a table arrive, a thread of its own inserts them: the
// caller's thread builds the next rows meanwhile. The connection is used by
// one thread at a time all the same: the caller's outside a table, the
// inserting thread within one.
class SqliteFleet : public FleetTarget, private RowSink {
  public:
    // Opens the database file at `path`, creating it when missing; ":memory:"
    // keeps it in memory. Null when it cannot be opened or is no SQLite
    // database; `error` then says why.
    static std::unique_ptr<SqliteFleet> open(const std::string &path, std::string &error);
    ~SqliteFleet() override;

    SqliteFleet(const SqliteFleet &) = delete;
    SqliteFleet &operator=(const SqliteFleet &) = delete;

    bool begin() override;
    bool commit() override;
    void rollback() override;
    bool ensureSchema() override;
    bool findScan(const std::string &sourceKey, bool &found, int64_t &scanId,
                  std::string &sha256) override;
    bool newScanId(int64_t &scanId) override;
    bool deleteScan(int64_t scanId) override;
    RowSink &sink() override { return *this; }
    std::string error() const override { return message; }

    // How running statements ended.
    enum RunResult { kRan, kNotSql, kFailed };
    // Runs every statement of `text` in turn, each result into `printer`,
    // until one cannot be prepared (kNotSql) or fails while it runs
    // (kFailed); error() then says why.
    RunResult run(const std::string &text, ResultPrinter &printer);

  private:
    explicit SqliteFleet(sqlite3 *db) : db(db) {}

    bool exec(const char *sql);
    // The statement of `sql`, prepared once and kept; null on failure.
    sqlite3_stmt *statement(const std::string &sql);
    bool failed();  // takes the engine's message; false

    bool beginTable(const SqlTable &table) override;
    bool row(const SqlValue *values) override;
    bool endTable() override;

    // A value of a row on its way to the inserting thread: a text as its place
    // in the chunk's text, which may move while the chunk fills.
    struct Held {
        SqlValue::Kind kind;
        int64_t integer;
        std::size_t offset, length;
    };
    // Rows of the current table, handed over together.
    struct Chunk {
        std::vector<Held> values;  // `columns` a row
        std::string text;
    };
    // On the inserting thread: inserts the rows of `chunk` and empties it.
    bool insert(Chunk &chunk);
    void bind(sqlite3_stmt *s, int first, const Held *row, const std::string &text);
    bool step(sqlite3_stmt *s);
    // Waits for the inserting thread to end, if it runs.
    void stopInserting();

    sqlite3 *db;
    std::map<std::string, sqlite3_stmt *> prepared;
    // Of the current table: the inserts of one row and of a batch.
    sqlite3_stmt *insertOne = nullptr;
    sqlite3_stmt *insertBatch = nullptr;
    std::size_t columns = 0;
    std::unique_ptr<WorkerQueue<Chunk>> inserting;
    std::unique_ptr<Chunk> filling;
    std::string message;
};

}  // namespace ulvar_fleet

#endif
