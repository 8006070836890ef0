// ulvar merge A B -o C: the database of B merged into that of A, written as C.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "tools/DatabaseFile.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

struct MergeOptions {
    std::string into;
    std::string from;
    std::string output;
};

int merge(const MergeOptions &options) {
    // A merged database links to service groups of the other one, so the
    // other must outlive it: `from` is declared first and goes last.
    DatabaseFile from(options.from);
    DatabaseFile into(options.into);
    if (!into.load()) {
        complainAbout(into);
        return kExitNoFile;
    }
    if (!from.load()) {
        complainAbout(from);
        return kExitNoFile;
    }
    SrmResourceDatabase *db = into.database();
    if (db->mergeResourceDatabase(from.database()) == 0) {
        std::string message;
        db->getLastErrorInfo(nullptr, message, nullptr);
        complain(options.from, "cannot be merged into " + options.into + ": " + message);
        return kExitFindings;
    }
    // The database's merge leaves error records alone; a merged inventory
    // keeps the other scan's errors too (their texts, codes and severities).
    if (db->getErrorList()->mergeErrors(from.database()->getErrorList()) == 0) {
        complain(options.from, "its error records cannot be merged into " + options.into);
        return kExitFindings;
    }
    return writeDatabaseFile(db, options.output) ? kExitOk : kExitNoFile;
}

}  // namespace

void addMergeCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<MergeOptions>();
    CLI::App *cmd = app.add_subcommand(
        "merge",
        "Merge database B into database A, as the database merges one scan into another, and write "
        "the result. A's header values stay; B's error records are added to A's.");
    cmd->add_option("A", options->into, "Database file merged into")->required();
    cmd->add_option("B", options->from, "Database file merged from")->required();
    cmd->add_option("-o,--output", options->output,
                    "Database file to write (\"-\": standard output)")
        ->required();
    cmd->footer(
        "Exit status: 0 written; 1 the databases cannot be merged; 2 a file does not load or "
        "cannot be written.");
    cmd->callback([options, &status] { raise(status, merge(*options)); });
}

}  // namespace ulvar_tool
