// ulvar scan: this Linux host (or a recorded copy of its /sys, /proc, /etc,
// /run/udev and /dev/disk) read into the scanner's batches, written to a
// folder, and with --database run through the add road, resolved and written
// as a database file.
#include <errno.h>
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cstring>
#include <memory>
#include <string>

#include "collector/HostScan.h"
#include "tools/BatchRoad.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

struct ScanOptions {
    std::string root = "/";
    std::string folder;
    std::string database;
};

using collector::HostBatches;
using collector::HostBatchKind;
using collector::ScanWarnings;

int scan(const ScanOptions &options) {
    ScanWarnings warn = [](const std::string &message) { complain("scan", message); };
    HostBatches batches;
    if (!collector::scanHost(collector::HostScanOptions{options.root}, warn, batches)) {
        complain(options.root, "cannot be scanned");
        return kExitNoFile;
    }
    if (!options.folder.empty()) {
        if (mkdir(options.folder.c_str(), 0777) != 0 && errno != EEXIST) {
            complain(options.folder, std::string("cannot make the folder: ") + strerror(errno));
            return kExitNoFile;
        }
        if (!collector::writeHostBatches(batches, options.folder, warn)) {
            return kExitNoFile;
        }
    }
    if (options.database.empty()) {
        return kExitOk;
    }
    BatchRoad road(options.database == "-" ? stderr : stdout);
    for (int k = 0; k < collector::kHostBatchKindCount; ++k) {
        auto kind = static_cast<HostBatchKind>(k);
        road.load(collector::hostBatch(kind), batches[kind]);
    }
    return road.finish(options.database);
}

}  // namespace

void addScanCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<ScanOptions>();
    CLI::App *cmd = app.add_subcommand(
        "scan",
        "Scan this Linux host into the scanner's batch files (computer.txt, disk.txt, ...), and "
        "with --database run them through the add road as ingest does and write the resolved "
        "database. What cannot be read is left out with a warning on standard error.");
    cmd->add_option("-o,--output", options->folder, "Folder to write the batch files to");
    cmd->add_option("--database", options->database,
                    "Database file to write (\"-\": standard output; the account of the batches "
                    "then goes to standard error)");
    cmd->add_option("--root", options->root,
                    "Scan a recorded host below this folder (sys/, proc/, etc/, run/udev/data/, "
                    "dev/disk/) instead of this one")
        ->capture_default_str();
    cmd->parse_complete_callback([cmd] {
        if (cmd->count("--output") == 0 && cmd->count("--database") == 0) {
            throw CLI::RequiredError("--output or --database");
        }
    });
    cmd->footer(
        "Exit status: 0 scanned and written; 1 records were dropped on the way into the "
        "database (it is still written); 2 the host cannot be scanned or a file cannot be "
        "written.");
    cmd->callback([options, &status] { raise(status, scan(*options)); });
}

}  // namespace ulvar_tool
