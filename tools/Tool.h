// What every command of the ulvar tool shares: the exit statuses, how a
// command reports a failure, and how each registers itself with the command
// line.
#ifndef TOOLS_TOOL_H
#define TOOLS_TOOL_H

#include <string>

namespace CLI {
class App;
}

namespace ulvar_tool {

// Exit statuses of every command.
enum ExitStatus {
    kExitOk = 0,
    // The command ran and found something wrong: integrity problems, a
    // conversion that failed, records that were dropped.
    kExitFindings = 1,
    // A file could not be read, loaded or written.
    kExitNoFile = 2,
    // The command line is wrong.
    kExitUsage = 64,
};

// Prints "ulvar: <what>: <message>" on standard error; `what` is usually a
// file name.
void complain(const std::string &what, const std::string &message);

// Each command adds itself to `app`; when it runs, `status` receives its exit
// status (it is only ever raised).
void addCheckCommand(CLI::App &app, int &status);
void addShowCommand(CLI::App &app, int &status);
void addReportCommand(CLI::App &app, int &status);
void addGraphCommand(CLI::App &app, int &status);
void addIngestCommand(CLI::App &app, int &status);
void addMergeCommand(CLI::App &app, int &status);
void addScanCommand(CLI::App &app, int &status);
void addServeCommand(CLI::App &app, int &status);
void addSqlCommand(CLI::App &app, int &status);
void addExportCommand(CLI::App &app, int &status);

// Raises `status` to `to` when `to` is worse.
inline void raise(int &status, int to) {
    if (to > status) {
        status = to;
    }
}

}  // namespace ulvar_tool

#endif
