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
#include <vector>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/persist/SrmBatchLoad.h"
#include "tools/DatabaseFile.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

struct IngestOptions {
    std::string folder;
    std::string output;
};

// The batch files a scanner sends, in its order: computers first, so that
// error records have a host to be filed under.
struct Batch {
    const char *file;
    SrmResourceType kind;
};
constexpr Batch kRoad[] = {
    {"computer.txt", SRM_RES_COMPUTER},
    {"volumemanagerinfo.txt", SRM_RES_VOLUMEMANAGER},
    {"disk.txt", SRM_RES_DISK},
    {"diskchunk.txt", SRM_RES_DISKCHUNK},
    {"volume.txt", SRM_RES_VOLUME},
    {"volumegroup.txt", SRM_RES_VOLUMEGROUP},
    {"filesystem.txt", SRM_RES_FILESYSTEM},
    {"mountpoint.txt", SRM_RES_MOUNTPOINT},
    {"share.txt", SRM_RES_SHARE},
    {"alias.txt", SRM_RES_ID},
};

std::string batchNames() {
    std::string names;
    for (const Batch &b : kRoad) {
        names += names.empty() ? b.file : std::string(", ") + b.file;
    }
    return names;
}

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

std::string recordRange(const SrmBatchRecord &r) {
    std::string range = "record " + std::to_string(r.number);
    if (r.count > 1) {
        range += "-" + std::to_string(r.number + r.count - 1);
    }
    return range;
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
    FILE *out = options.output == "-" ? stderr : stdout;
    std::unique_ptr<SrmResourceDatabase> db(new SrmResourceDatabase());
    int status = kExitOk;
    int sent = 0;
    for (const Batch &batch : kRoad) {
        std::string path = options.folder + "/" + batch.file;
        if (stat(path.c_str(), &st) != 0 && errno == ENOENT) {
            continue;
        }
        std::string text;
        if (!readWhole(path, &text)) {
            return kExitNoFile;
        }
        ++sent;
        std::vector<std::string> dropped;
        SrmBatchSummary summary;
        const char *result = srmLoadBatchText(
            db.get(), batch.kind, text.data(), text.size(), &summary,
            [&dropped](const SrmBatchRecord &r) {
                if (r.outcome == SRM_BATCH_SKIPPED) {
                    dropped.push_back(recordRange(r) +
                                      (r.id.empty() ? "" : " (Id \"" + r.id + "\")") +
                                      " skipped: " + r.reason);
                }
            });
        fprintf(out, "%s: %s %ld read, %ld added, %ld merged, %ld skipped\n", batch.file, result,
                summary.read, summary.added, summary.merged, summary.skipped);
        for (const std::string &line : dropped) {
            fprintf(out, "  %s\n", line.c_str());
        }
        if (summary.stoppedAt != 0) {
            fprintf(out, "  record %ld: the text ends inside it; it and the rest are lost\n",
                    summary.stoppedAt);
        }
        if (std::strcmp(result, kSrmBatchOk) != 0 || summary.skipped != 0 ||
            summary.stoppedAt != 0) {
            raise(status, kExitFindings);
        }
    }
    if (sent == 0) {
        complain(options.folder, "holds none of the batch files " + batchNames());
        return kExitNoFile;
    }
    fprintf(out, "resolved: %d state copies\n", db->resolveDatabase());
    fflush(out);
    if (!writeDatabaseFile(db.get(), options.output)) {
        return kExitNoFile;
    }
    return status;
}

}  // namespace

void addIngestCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<IngestOptions>();
    CLI::App *cmd = app.add_subcommand(
        "ingest",
        "Run the batch files of a folder through the scanner's add road, as the Java natives do, "
        "resolve the database and write it. For each batch, its status and how many records were "
        "read, added, merged and skipped, and every record that was dropped.");
    cmd->add_option("DIR", options->folder, "Folder of batch files: " + batchNames())->required();
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
