// ulvar sql [--db FILE] FILE... [QUERY]: database files loaded into SQLite as
// scans of one fleet, then asked in SQL.
#include <errno.h>
#include <malloc.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>
#include <CLI/CLI.hpp>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/Tool.h"
#include "tools/fleet/FleetLoad.h"
#include "tools/fleet/FleetSchema.h"
#include "tools/fleet/QueryOutput.h"
#include "tools/fleet/SqliteFleet.h"

namespace ulvar_tool {

namespace {

using namespace ulvar_fleet;

struct SqlOptions {
    std::string db;
    std::vector<std::string> arguments;  // files, then perhaps the query
    std::vector<std::string> sourceKeys;
    bool json = false;
    bool csv = false;
    bool schema = false;
};

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The last argument is the query when it names no file and holds white space,
// as every statement worth asking does.
std::string takeQuery(std::vector<std::string> &arguments) {
    if (arguments.empty()) {
        return std::string();
    }
    const std::string &last = arguments.back();
    if (exists(last) || last.find_first_of(" \t\n") == std::string::npos) {
        return std::string();
    }
    std::string query = last;
    arguments.pop_back();
    return query;
}

// Loads every file in one transaction: all of them, or none.
int load(SqliteFleet &fleet, const std::string &target, const std::vector<ScanSource> &sources) {
    // Each file's database is freed once its rows are in: millions of small
    // blocks. In fast bins, glibc would merge them all at the next larger
    // request, a second pass as long as the freeing; without, they merge as
    // they are freed.
    mallopt(M_MXFAST, 0);
    if (!fleet.begin()) {
        complain(target, fleet.error());
        return kExitNoFile;
    }
    std::map<std::string, std::string> loadedNow;  // source key -> file
    for (const ScanSource &source : sources) {
        ScanFile scan;
        StoredScan stored;
        if (!readScan(source, scan) || !storeScan(fleet, target, scan, stored)) {
            fleet.rollback();
            return kExitNoFile;
        }
        const std::string &key = scan.info.sourceKey;
        auto earlier = loadedNow.find(key);
        if (earlier != loadedNow.end() && stored.outcome == ScanOutcome::Replaced) {
            complain(source.path, "replaces " + earlier->second + ", the same scan (" + key +
                                      "); --source names them apart");
        }
        loadedNow[key] = source.path;
    }
    if (!fleet.ensureSchema() || !fleet.commit()) {
        complain(target, fleet.error());
        fleet.rollback();
        return kExitNoFile;
    }
    return kExitOk;
}

int runQuery(SqliteFleet &fleet, const std::string &where, const std::string &query,
             ResultPrinter &printer) {
    SqliteFleet::RunResult result = fleet.run(query, printer);
    if (result == SqliteFleet::kRan) {
        return kExitOk;
    }
    complain(where, fleet.error());
    return result == SqliteFleet::kNotSql ? kExitUsage : kExitFindings;
}

// Statements from standard input, each run once it is complete.
int runInput(SqliteFleet &fleet, ResultPrinter &printer) {
    bool terminal = isatty(STDIN_FILENO) != 0;
    int status = kExitOk;
    std::string statement, line;
    long lineNumber = 0, firstLine = 1;
    for (;;) {
        if (terminal) {
            fputs(statement.empty() ? "ulvar> " : "  ...> ", stderr);
        }
        if (!std::getline(std::cin, line)) {
            break;
        }
        ++lineNumber;
        if (statement.find_first_not_of(" \t\r\n") == std::string::npos) {
            statement.clear();
            firstLine = lineNumber;
        }
        statement += line + "\n";
        if (sqlite3_complete(statement.c_str()) != 0) {
            raise(status, runQuery(fleet, "standard input, line " + std::to_string(firstLine),
                                   statement, printer));
            fflush(stdout);
            statement.clear();
        }
    }
    if (terminal) {
        fputc('\n', stderr);
    }
    if (statement.find_first_not_of(" \t\r\n") != std::string::npos) {
        raise(status, runQuery(fleet, "standard input, line " + std::to_string(firstLine),
                               statement, printer));
    }
    return status;
}

int sql(SqlOptions &options) {
    if (options.schema) {
        fputs(fleetSchemaText().c_str(), stdout);
        return kExitOk;
    }
    std::string query = takeQuery(options.arguments);
    if (options.sourceKeys.size() > options.arguments.size()) {
        complain("sql", "more --source keys than database files");
        return kExitUsage;
    }
    std::vector<ScanSource> sources = scanSources(options.arguments, options.sourceKeys);

    std::string target = options.db.empty() ? ":memory:" : options.db;
    bool created = !options.db.empty() && !exists(options.db);
    std::string why;
    std::unique_ptr<SqliteFleet> fleet = SqliteFleet::open(target, why);
    if (!fleet) {
        complain(target, "cannot open as an SQLite database: " + why);
        return kExitNoFile;
    }
    int status = load(*fleet, target, sources);
    if (status != kExitOk) {
        fleet.reset();
        if (created) {
            unlink(options.db.c_str());  // nothing was kept in it
        }
        return status;
    }
    std::unique_ptr<ResultPrinter> printer = makePrinter(options.json  ? OutputFormat::Json
                                                         : options.csv ? OutputFormat::Csv
                                                                       : OutputFormat::Table,
                                                         stdout);
    return query.empty() ? runInput(*fleet, *printer) : runQuery(*fleet, "query", query, *printer);
}

}  // namespace

void addSqlCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<SqlOptions>();
    CLI::App *cmd = app.add_subcommand(
        "sql",
        "Load database files into SQLite, one scan each, and ask them in SQL: the QUERY, or each "
        "statement read from standard input. Every kind has its table (sizes in bytes), every "
        "list a link table, the storage stack the table stack_edge; --schema shows them all.");
    cmd->add_option("FILE", options->arguments,
                    "Database files to load; the last argument is the query when it is no file "
                    "and holds a space");
    cmd->add_option("--db", options->db,
                    "SQLite database file to load into and ask (made when missing); a scan "
                    "already there under the same source key is replaced, or kept when its file "
                    "is unchanged. Default: a database in memory");
    cmd->add_option("--source", options->sourceKeys,
                    "Source key of the files in turn, instead of host:<computer Id> or "
                    "cluster:<ClusterId>/<ClusterName> (once per file)")
        ->allow_extra_args(false);
    auto json = cmd->add_flag("--json", options->json, "Each result as a JSON array of objects");
    cmd->add_flag("--csv", options->csv, "Each result as CSV with a header line")->excludes(json);
    cmd->add_flag("--schema", options->schema, "Print the schema (SQL) and stop");
    cmd->footer(
        "Loading is one transaction: when a file does not load, nothing is kept.\n"
        "Exit status: 0 success; 1 a statement failed while it ran; 2 a file does not load or "
        "the database cannot be opened or written; 64 a wrong command line or a statement that "
        "is not SQL.");
    cmd->callback([options, &status] { raise(status, sql(*options)); });
}

}  // namespace ulvar_tool
