// ulvar: looks into the database files of the storage-inventory agent.
#include <stdio.h>

#include <CLI/CLI.hpp>
#include <exception>
#include <new>
#include <string>

#include "tools/Tool.h"

namespace ulvar_tool {

void complain(const std::string &what, const std::string &message) {
    fprintf(stderr, "ulvar: %s: %s\n", what.c_str(), message.c_str());
}

}  // namespace ulvar_tool

int main(int argc, char **argv) {
    using namespace ulvar_tool;
    int status = kExitOk;
    try {
        CLI::App app{
            "Looks into database files of the storage-inventory agent: whether a file is sound, "
            "what it holds, and what the management station gets from it; serves that to a "
            "management station.",
            "ulvar"};
        app.set_version_flag("--version", ULVAR_VERSION);
        app.require_subcommand(1);
        app.footer(
            "Exit status: 0 success; 1 the command found problems (integrity problems, a failed "
            "conversion, dropped records); 2 a file could not be read, loaded or written; 64 a "
            "wrong command line.");
        addCheckCommand(app, status);
        addShowCommand(app, status);
        addReportCommand(app, status);
        addGraphCommand(app, status);
        addIngestCommand(app, status);
        addMergeCommand(app, status);
        addScanCommand(app, status);
        addServeCommand(app, status);
        addSqlCommand(app, status);
        addExportCommand(app, status);
        try {
            app.parse(argc, argv);
        } catch (const CLI::Success &e) {
            return app.exit(e);  // --help, --version
        } catch (const CLI::ParseError &e) {
            app.exit(e);
            return kExitUsage;
        }
    } catch (const std::bad_alloc &) {
        complain("error", "out of memory");
        return kExitNoFile;
    } catch (const std::exception &e) {
        complain("error", e.what());
        return kExitNoFile;
    }
    fflush(stdout);
    if (ferror(stdout)) {
        complain("standard output", "write error");
        raise(status, kExitNoFile);
    }
    return status;
}
