#include "tools/fleet/PostgresFleet.h"

#include <libpq-fe.h>

#include <cstdlib>

#include "tools/fleet/FleetSchema.h"

namespace ulvar_fleet {

namespace {

// COPY data goes to the server in pieces of about this size.
constexpr std::size_t kCopyChunk = 256 * 1024;

// Held by every loading transaction: one export at a time finds, removes and
// numbers scans, and creates the schema.
const char kLock[] = "SELECT pg_advisory_xact_lock(hashtext('ulvar fleet'))";

// One line of a message: libpq's end with a newline and may hold several.
std::string oneLine(const char *text) {
    std::string s;
    for (const char *p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        bool space = *p == '\n' || *p == '\t' || *p == ' ';
        if (!space) {
            s += *p;
        } else if (!s.empty() && s.back() != ' ') {
            s += ' ';
        }
    }
    while (!s.empty() && s.back() == ' ') {
        s.pop_back();
    }
    return s;
}

// A text value in COPY's text format.
void appendCopyText(std::string &out, const char *s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        switch (s[i]) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += s[i];
        }
    }
}

}  // namespace

std::unique_ptr<PostgresFleet> PostgresFleet::connect(const std::string &conninfo,
                                                      std::string &error) {
    // The string may set connect_timeout itself: it is expanded after ours.
    const char *keys[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char *values[] = {"10", "ulvar", conninfo.c_str(), nullptr};
    PGconn *conn = PQconnectdbParams(keys, values, 1);
    if (conn == nullptr) {
        error = "out of memory";
        return nullptr;
    }
    if (PQstatus(conn) != CONNECTION_OK || PQsetClientEncoding(conn, "UTF8") != 0) {
        error = oneLine(PQerrorMessage(conn));
        PQfinish(conn);
        return nullptr;
    }
    return std::unique_ptr<PostgresFleet>(new PostgresFleet(conn));
}

PostgresFleet::~PostgresFleet() {
    PQfinish(conn);
}

bool PostgresFleet::failed(PGresult *result) {
    const char *primary =
        result != nullptr ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    message = oneLine(primary != nullptr ? primary : PQerrorMessage(conn));
    const char *detail =
        result != nullptr ? PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL) : nullptr;
    if (detail != nullptr) {
        message += " (" + oneLine(detail) + ")";
    }
    PQclear(result);
    return false;
}

PGresult *PostgresFleet::query(const std::string &sql, int expected, const char *param) {
    PGresult *result = PQexecParams(conn, sql.c_str(), param != nullptr ? 1 : 0, nullptr, &param,
                                    nullptr, nullptr, 0);
    if (PQresultStatus(result) != expected) {
        failed(result);
        return nullptr;
    }
    return result;
}

bool PostgresFleet::command(const std::string &sql, const char *param) {
    PGresult *result = query(sql, PGRES_COMMAND_OK, param);
    PQclear(result);
    return result != nullptr;
}

bool PostgresFleet::begin() {
    if (!command("BEGIN")) {
        return false;
    }
    PGresult *locked = query(kLock, PGRES_TUPLES_OK);
    PQclear(locked);
    return locked != nullptr;
}

bool PostgresFleet::commit() {
    return command("COMMIT");
}

void PostgresFleet::rollback() {
    std::string kept = message;
    if (copying) {
        PQputCopyEnd(conn, "the export stopped");
        copying = false;
    }
    while (PGresult *pending = PQgetResult(conn)) {
        PQclear(pending);
    }
    if (PQtransactionStatus(conn) != PQTRANS_IDLE) {
        PQclear(PQexec(conn, "ROLLBACK"));
    }
    message = kept;
}

bool PostgresFleet::ensureSchema() {
    PGresult *result = query("SELECT to_regclass($1) IS NOT NULL", PGRES_TUPLES_OK, kScanTable);
    if (result == nullptr) {
        return false;
    }
    bool present = PQntuples(result) == 1 && PQgetvalue(result, 0, 0)[0] == 't';
    PQclear(result);
    if (present) {
        return true;
    }
    // Several statements in one simple query, inside the open transaction.
    result = PQexec(conn, fleetSchemaText().c_str());
    if (PQresultStatus(result) != PGRES_COMMAND_OK) {
        return failed(result);
    }
    PQclear(result);
    return true;
}

bool PostgresFleet::findScan(const std::string &sourceKey, bool &found, int64_t &scanId,
                             std::string &sha256) {
    PGresult *result = query("SELECT scan_id, content_sha256 FROM scan WHERE source_key = $1",
                             PGRES_TUPLES_OK, sourceKey.c_str());
    if (result == nullptr) {
        return false;
    }
    found = PQntuples(result) > 0;
    if (found) {
        scanId = std::strtoll(PQgetvalue(result, 0, 0), nullptr, 10);
        sha256 = PQgetvalue(result, 0, 1);
    }
    PQclear(result);
    return true;
}

bool PostgresFleet::newScanId(int64_t &scanId) {
    PGresult *result = query("SELECT coalesce(max(scan_id), 0) + 1 FROM scan", PGRES_TUPLES_OK);
    if (result == nullptr) {
        return false;
    }
    scanId = std::strtoll(PQgetvalue(result, 0, 0), nullptr, 10);
    PQclear(result);
    return true;
}

bool PostgresFleet::deleteScan(int64_t scanId) {
    std::string id = std::to_string(scanId);
    for (const SqlTable &t : fleetTables()) {
        if (!command("DELETE FROM " + t.name + " WHERE scan_id = $1", id.c_str())) {
            return false;
        }
    }
    return true;
}

bool PostgresFleet::beginTable(const SqlTable &table) {
    std::string names;
    for (const SqlColumn &c : table.columns) {
        names += (names.empty() ? "" : ", ") + c.name;
    }
    PGresult *result = query("COPY " + table.name + " (" + names + ") FROM STDIN", PGRES_COPY_IN);
    if (result == nullptr) {
        return false;
    }
    PQclear(result);
    copying = true;
    columns = table.columns.size();
    buffer.clear();
    return true;
}

bool PostgresFleet::row(const SqlValue *values) {
    for (std::size_t i = 0; i < columns; ++i) {
        if (i > 0) {
            buffer += '\t';
        }
        const SqlValue &v = values[i];
        if (v.kind == SqlValue::Integer) {
            buffer += std::to_string(v.integer);
        } else if (v.kind == SqlValue::Text) {
            appendCopyText(buffer, v.text, v.length);
        } else {
            buffer += "\\N";
        }
    }
    buffer += '\n';
    return buffer.size() < kCopyChunk || flush();
}

bool PostgresFleet::flush() {
    if (!buffer.empty() &&
        PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size())) != 1) {
        return failed(nullptr);
    }
    buffer.clear();
    return true;
}

bool PostgresFleet::endTable() {
    if (!flush()) {
        return false;
    }
    copying = false;
    if (PQputCopyEnd(conn, nullptr) != 1) {
        return failed(nullptr);
    }
    bool ok = true;
    while (PGresult *result = PQgetResult(conn)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            ok = failed(result);
        } else {
            PQclear(result);
        }
    }
    return ok;
}

}  // namespace ulvar_fleet
