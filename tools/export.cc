// ulvar export --postgres CONNINFO FILE...: database files into PostgreSQL as
// scans of the fleet, each in a transaction of its own.
#include <stdio.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "tools/Tool.h"
#include "tools/fleet/FleetLoad.h"
#include "tools/fleet/PostgresFleet.h"

namespace ulvar_tool {

namespace {

using namespace ulvar_fleet;

struct ExportOptions {
    std::string conninfo;
    std::vector<std::string> files;
    std::vector<std::string> sourceKeys;
};

// Messages name the target so, never by its connection string, which may
// hold a password.
const char kTarget[] = "PostgreSQL";

// The file is read before the transaction begins: other exports wait only
// while this one writes.
int exportFile(PostgresFleet &fleet, const ScanSource &source) {
    ScanFile scan;
    if (!readScan(source, scan)) {
        return kExitNoFile;
    }
    StoredScan stored;
    if (!fleet.begin()) {
        complain(kTarget, fleet.error());
        return kExitNoFile;
    }
    if (!storeScan(fleet, kTarget, scan, stored)) {
        fleet.rollback();
        return kExitNoFile;
    }
    if (stored.outcome == ScanOutcome::Unchanged) {
        fleet.rollback();
    } else if (!fleet.commit()) {
        complain(kTarget, source.path + ": " + fleet.error());
        fleet.rollback();
        return kExitNoFile;
    }
    const ScanInfo &info = scan.info;
    std::string what =
        stored.outcome == ScanOutcome::Unchanged
            ? "unchanged since its export as scan " + std::to_string(info.scanId)
            : std::string(stored.outcome == ScanOutcome::Added ? "exported as" : "replaced") +
                  " scan " + std::to_string(info.scanId) + ", " + std::to_string(stored.rows) +
                  " rows";
    printf("%s: %s: %s\n", source.path.c_str(), info.sourceKey.c_str(), what.c_str());
    fflush(stdout);
    return kExitOk;
}

int exportFiles(const ExportOptions &options) {
    if (options.sourceKeys.size() > options.files.size()) {
        complain("export", "more --source keys than database files");
        return kExitUsage;
    }
    std::string why;
    std::unique_ptr<PostgresFleet> fleet = PostgresFleet::connect(options.conninfo, why);
    if (!fleet) {
        complain(kTarget, "cannot connect: " + why);
        return kExitNoFile;
    }
    int status = kExitOk;
    for (const ScanSource &source : scanSources(options.files, options.sourceKeys)) {
        raise(status, exportFile(*fleet, source));
    }
    return status;
}

}  // namespace

void addExportCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App *cmd = app.add_subcommand(
        "export",
        "Export database files into PostgreSQL as scans of the fleet, in the tables of `ulvar "
        "sql` (made when missing). Each file is one transaction: the scan's old rows go and the "
        "new ones are copied in; a file unchanged since its last export is skipped.");
    cmd->add_option("--postgres", options->conninfo,
                    "libpq connection string, e.g. \"host=db.example.net dbname=fleet\" or "
                    "\"postgresql://user@host/fleet\"")
        ->required();
    cmd->add_option("FILE", options->files, "Database files to export")->required();
    cmd->add_option("--source", options->sourceKeys,
                    "Source key of the files in turn, instead of host:<computer Id> or "
                    "cluster:<ClusterId>/<ClusterName> (once per file)")
        ->allow_extra_args(false);
    cmd->footer(
        "Exit status: 0 every file exported or unchanged; 2 a file does not load or the database "
        "cannot be reached or written (the other files are still exported); 64 a wrong command "
        "line.");
    cmd->callback([options, &status] { raise(status, exportFiles(*options)); });
}

}  // namespace ulvar_tool
