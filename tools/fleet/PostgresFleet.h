// The fleet in PostgreSQL, through libpq: each scan's rows go in with COPY
// FROM STDIN, in a transaction that holds an advisory lock, so that exports
// running at the same time into one database take their turns.
#ifndef TOOLS_FLEET_POSTGRESFLEET_H
#define TOOLS_FLEET_POSTGRESFLEET_H

#include <memory>
#include <string>

#include "tools/fleet/FleetTarget.h"

struct pg_conn;
struct pg_result;

namespace ulvar_fleet {

class PostgresFleet : public FleetTarget, private RowSink {
  public:
    // Connects with the libpq connection string `conninfo` (a connection
    // attempt gives up after 10 seconds unless it says otherwise). Null when
    // it cannot connect; `error` then says why.
    static std::unique_ptr<PostgresFleet> connect(const std::string &conninfo, std::string &error);
    ~PostgresFleet() override;

    PostgresFleet(const PostgresFleet &) = delete;
    PostgresFleet &operator=(const PostgresFleet &) = delete;

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

  private:
    explicit PostgresFleet(pg_conn *conn) : conn(conn) {}

    // Runs `sql` with the text parameters given; the result when it has the
    // status `expected`, else null (message set). The caller clears it.
    pg_result *query(const std::string &sql, int expected, const char *param = nullptr);
    bool command(const std::string &sql, const char *param = nullptr);
    bool failed(pg_result *result);
    bool flush();

    bool beginTable(const SqlTable &table) override;
    bool row(const SqlValue *values) override;
    bool endTable() override;

    pg_conn *conn;
    std::size_t columns = 0;
    bool copying = false;
    std::string buffer;  // COPY text not yet sent
    std::string message;
};

}  // namespace ulvar_fleet

#endif
