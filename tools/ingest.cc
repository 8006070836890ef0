// ulvar ingest DIR -o FILE: the scanner's road without a JVM. The batch files
// of a folder go through the same add road as the Java natives, in the order a
// scanner sends them; the database is resolved and written. Unlike the
// scanner, the user sees every record that was dropped.
#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cstring>
#include <memory>
#include <string>

#include "tools/BatchRoad.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

struct IngestOptions {
    std::string folder;
    std::string output;
};

// The file's bytes as they are; false (with a complaint) when it cannot be
// read.
bool readWhole(const std::string &path, std::string *text) {
    std::unique_ptr<FILE, int (*)(FILE *)> in(fopen(path.c_str(), "rb"), fclose);
    if (!in) {
        complain(path, std::string("cannot read: ") + strerror(errno));
        return false;
    }
    char chunk[65536];
    std::size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, in.get())) > 0) {
        text->append(chunk, n);
    }
    if (ferror(in.get())) {
        complain(path, std::string("cannot read: ") + strerror(errno));
        return false;
    }
    return true;
}

int ingest(const IngestOptions &options) {
    struct stat st;
    if (stat(options.folder.c_str(), &st) != 0) {
        complain(options.folder, std::string("cannot open: ") + strerror(errno));
        return kExitNoFile;
    }
    if (!S_ISDIR(st.st_mode)) {
        complain(options.folder, "is not a folder of batch files");
        return kExitNoFile;
    }
    // The account of every batch goes where the database does not.
    BatchRoad road(options.output == "-" ? stderr : stdout);
    int sent = 0;
    for (const SrmBatch &batch : kSrmBatches) {
        std::string path = options.folder + "/" + batch.file;
        if (stat(path.c_str(), &st) != 0 && errno == ENOENT) {
            continue;
        }
        std::string text;
        if (!readWhole(path, &text)) {
            return kExitNoFile;
        }
        ++sent;
        road.load(batch, text);
    }
    if (sent == 0) {
        complain(options.folder, "holds none of the batch files " + batchFileNames());
        return kExitNoFile;
    }
    return road.finish(options.output);
}

}  // namespace

void addIngestCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<IngestOptions>();
    CLI::App *cmd = app.add_subcommand(
        "ingest",
        "Run the batch files of a folder through the scanner's add road, as the Java natives do, "
        "resolve the database and write it. For each batch, its status and how many records were "
        "read, added, merged and skipped, and every record that was dropped.");
    cmd->add_option("DIR", options->folder, "Folder of batch files: " + batchFileNames())
        ->required();
    cmd->add_option("-o,--output", options->output,
                    "Database file to write (\"-\": standard output; the account of the batches "
                    "then goes to standard error)")
        ->required();
    cmd->footer(
        "Exit status: 0 every record went in; 1 a batch failed or records were dropped (the "
        "database is still written); 2 a file could not be read or written.");
    cmd->callback([options, &status] { raise(status, ingest(*options)); });
}

}  // namespace ulvar_tool
