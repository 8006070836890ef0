// ulvar report FILE: what the management station gets from a database file, as
// the CIM provider converts it: the instances as one ExecQuery response, or
// how many of each class.
#include <stdio.h>

#include <CLI/CLI.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "inventory/cimxml/cimxml.h"
#include "inventory/cimxml/sbuf.h"
#include "tools/DatabaseFile.h"
#include "tools/ReportConversion.h"
#include "tools/Tool.h"
#include "wbemkit/cim.h"

namespace ulvar_tool {

namespace {

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;

struct ReportOptions {
    std::string file;
    bool cluster = false;
    bool summary = false;
    std::string messageId = "1";
};

bool writeAll(const char *text, std::size_t length) {
    return fwrite(text, 1, length, stdout) == length;
}

// The whole response, written instance by instance so that a report of
// millions of instances never has to be held as one text: the frame is the
// writer's own response to an empty query, cut where the instances go.
bool writeResponse(CCIMList *instances, const std::string &messageId) {
    std::unique_ptr<sbuf, void (*)(sbuf *)> buffer(sbufCreate(8192), sbufDestroy);
    if (!buffer || marshallExecQueryResults(buffer.get(), nullptr, messageId.c_str()) != 0) {
        return false;
    }
    const std::string frame = sbufGetString(buffer.get());
    std::size_t close = frame.find("</IRETURNVALUE>");
    std::size_t lineStart = frame.rfind('\n', close);
    if (close == std::string::npos || lineStart == std::string::npos) {
        return false;
    }
    if (!writeAll(frame.data(), lineStart + 1)) {
        return false;
    }
    // The indent of VALUE.OBJECT inside IRETURNVALUE in an ExecQuery response.
    constexpr int kInstanceIndent = 5;
    for (CCIMList *node = instances; node != nullptr; node = node->mNext) {
        if (node->mDataObject == nullptr) {
            continue;
        }
        CCIMList one = {node->mDataObject, nullptr};
        sbufClear(buffer.get());
        if (marshallInstanceList(buffer.get(), &one, kInstanceIndent) != 0 ||
            !writeAll(sbufGetString(buffer.get()), sbufGetSize(buffer.get()))) {
            return false;
        }
    }
    return writeAll(frame.data() + lineStart + 1, frame.size() - lineStart - 1);
}

void writeSummary(CCIMList *instances) {
    std::map<std::string, long> perClass;
    long total = 0;
    for (CCIMList *node = instances; node != nullptr; node = node->mNext) {
        auto *instance = static_cast<CCIMInstance *>(node->mDataObject);
        if (instance != nullptr) {
            ++perClass[instance->mClassName != nullptr ? instance->mClassName : ""];
            ++total;
        }
    }
    for (const auto &entry : perClass) {
        printf("%8ld  %s\n", entry.second, entry.first.c_str());
    }
    printf("%8ld  instances\n", total);
}

int report(const ReportOptions &options) {
    DatabaseFile file(options.file);
    if (!file.load()) {
        complainAbout(file);
        return kExitNoFile;
    }
    std::vector<StatusResult> results;
    bool failed = false;
    CCIMList *instances = convertReport(file.database(), options.cluster, results, failed);
    if (failed) {
        explainFailure(options.file, results);
        return kExitFindings;
    }
    // The provider hands the station these results beside the instances.
    for (const StatusResult &r : results) {
        complain(options.file, describeResult(r));
    }
    if (instances == nullptr) {
        complain(options.file, "out of memory");
        return kExitNoFile;
    }
    std::unique_ptr<CCIMList, void (*)(CCIMList *)> owned(instances,
                                                          nmspc_cim::cim_freeInstanceList);
    if (options.summary) {
        writeSummary(instances);
    } else if (!writeResponse(instances, options.messageId)) {
        complain(options.file, "the CIM-XML response could not be written");
        return kExitNoFile;
    }
    return kExitOk;
}

}  // namespace

void addReportCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App *cmd = app.add_subcommand(
        "report",
        "Convert the database into the CIM instances a management station gets, as the CIM "
        "provider does, and write them as one CIM-XML ExecQuery response.");
    cmd->add_option("FILE", options->file, "Database file")->required();
    cmd->add_flag("--cluster", options->cluster,
                  "Convert as a cluster report (the default is a host report)");
    cmd->add_flag("--summary", options->summary,
                  "Instead of the response, the number of instances of each class");
    cmd->add_option("--message-id", options->messageId, "ID of the response's MESSAGE element")
        ->capture_default_str();
    cmd->footer(
        "Exit status: 0 converted (status results of the conversion go to standard error); 1 "
        "the conversion failed (its failure point and status results go to standard error); 2 "
        "the file does not load.");
    cmd->callback([options, &status] { raise(status, report(*options)); });
}

}  // namespace ulvar_tool
