// ulvar check FILE...: whether each file loads, what its header says, what it
// holds per kind, and every integrity problem.
#include <stdio.h>

#include <CLI/CLI.hpp>
#include <map>
#include <string>
#include <vector>

#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "tools/DatabaseFile.h"
#include "tools/Kinds.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

// "1 record", "2 records".
std::string counted(long n, const char *noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

void printLine(const char *label, const std::string &text) {
    printf("  %-15s %s\n", label, text.c_str());
}

std::string elementsOf(const HeaderRecord &header, std::initializer_list<const char *> keys) {
    std::string text;
    for (const char *key : keys) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::string(key) + "=" + header.value(key);
    }
    return text;
}

std::vector<SrmResource *> reportedResources(SrmResourceList *list) {
    std::vector<SrmResource *> reported;
    for (const Kind &k : allKinds()) {
        SrmResourceIdMap *kind = list->getSrmResourceIdMap(k.type);
        if (kind == nullptr) {
            continue;
        }
        for (const auto &entry : *kind) {
            if (entry.second->shouldReport() != 0) {
                reported.push_back(entry.second);
            }
        }
    }
    return reported;
}

// Runs the database's integrity check and returns every problem it found, in
// the order found. The check files each problem as an error record under the
// host name, which a database without one computer lacks: the resources it
// took out of the report then stand for the problems.
std::vector<std::string> integrityProblems(SrmResourceDatabase *db) {
    SrmErrorList *errors = db->getErrorList();
    std::map<std::string, std::size_t> before;
    for (const auto &group : errors->getErrorMap()) {
        before[group.first] = group.second.size();
    }
    std::vector<SrmResource *> reported = reportedResources(db->getResourceList());

    int passed = db->checkIntegrity();

    std::vector<std::string> problems;
    for (const auto &group : errors->getErrorMap()) {
        for (std::size_t i = before[group.first]; i < group.second.size(); ++i) {
            problems.push_back(group.second[i]->ErrorDesc);
        }
    }
    if (!problems.empty()) {
        return problems;
    }
    for (SrmResource *r : reported) {
        if (r->shouldReport() == 0) {
            problems.push_back(std::string(kindOf(r->type).title) + " " + r->Id +
                               " is taken out of the report");
        }
    }
    if (passed == 0) {
        std::string message;
        db->getLastErrorInfo(nullptr, message, nullptr);
        problems.push_back(message);
    }
    return problems;
}

int checkFile(const std::string &path) {
    printf("%s\n", path.c_str());
    DatabaseFile file(path);
    if (!file.load()) {
        complainAbout(file);
        for (const std::string &line : file.failure()) {
            printf("  %s\n", line.c_str());
        }
        return kExitNoFile;
    }
    SrmResourceDatabase *db = file.database();
    const HeaderRecord &header = file.header();
    printLine("header", elementsOf(header, {"SrmResourceDbVersion", "ResourceCount", "SGCount"}));
    printLine("cluster", elementsOf(header, {"ClusterName", "ClusterId", "ClusterAlias",
                                             "ClusterVersion", "MemberCount"}));

    std::vector<std::string> problems;
    FileRecords inFile = file.scan();
    long read = file.recordsRead();
    printLine("records",
              std::to_string(read) + " read, " + std::to_string(inFile.records) + " in the file");
    if (inFile.records > read) {
        problems.push_back("the file holds " + counted(inFile.records - read, "record") +
                           " after those its header counts, which no loader reads");
    }

    SrmResourceList *resources = db->getResourceList();
    printLine("resources", std::to_string(db->getResourceCount()));
    for (const Kind &k : allKinds()) {
        if (k.type != SRM_RES_NONE && resources->getTypeCount(k.type) > 0) {
            printf("    %-17s %d\n", k.title, resources->getTypeCount(k.type));
        }
    }
    printLine("service groups", std::to_string(db->getServiceGroups().size()));

    SrmErrorList *errors = db->getErrorList();
    int errorCount = errors->getErrorCount();
    printLine("error records", std::to_string(errorCount));
    for (const auto &group : errors->getErrorMap()) {
        for (const SrmError *e : group.second) {
            printf("    %s: %s (code %d, severity %d)\n", group.first.c_str(), e->ErrorDesc.c_str(),
                   static_cast<int>(e->Ecode), static_cast<int>(e->Sev));
        }
    }

    // Records the header counts that became neither a resource nor an error
    // record: a later record of the same kind and Id replaced them, or they
    // lacked an Id (errors: a key or a description).
    long announced = std::atol(header.value("ResourceCount").c_str());
    long kept = static_cast<long>(db->getResourceCount()) + errorCount;
    if (announced > kept) {
        problems.push_back(counted(announced - kept, "record") +
                           " of those the header counts not kept: a later record of the same kind "
                           "and Id replaced it, or it lacks an Id");
    }

    for (std::string &p : integrityProblems(db)) {
        problems.push_back(std::move(p));
    }
    if (problems.empty()) {
        printLine("integrity", "clean");
        return kExitOk;
    }
    printLine("integrity", counted(static_cast<long>(problems.size()), "problem"));
    for (const std::string &p : problems) {
        printf("    %s\n", p.c_str());
    }
    return kExitFindings;
}

}  // namespace

void addCheckCommand(CLI::App &app, int &status) {
    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App *check =
        app.add_subcommand("check",
                           "Load each database file and print its header, its resources per kind, "
                           "its error records and every integrity problem.");
    check->add_option("FILE", *files, "Database files")->required();
    check->footer(
        "Exit status: 0 every file loads and checks clean; 1 a file has integrity problems; 2 a "
        "file does not load (the loader's message and the record where reading stopped go to "
        "standard error).");
    check->callback([files, &status] {
        for (const std::string &path : *files) {
            raise(status, checkFile(path));
        }
    });
}

}  // namespace ulvar_tool
