// ulvar show FILE: the storage stack as trees, the way lsblk shows block
// devices, or every field of every resource as JSON.
#include <stdio.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "inventory/model/SrmError.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "tools/DatabaseFile.h"
#include "tools/Kinds.h"
#include "tools/ResourceJson.h"
#include "tools/ResourceText.h"
#include "tools/StorageStack.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

struct ShowOptions {
    std::string file;
    std::vector<std::string> kinds;
    std::vector<std::string> ids;
    bool json = false;
};

// Terminal columns of UTF-8 text: one per character.
std::size_t columns(const std::string &text) {
    std::size_t n = 0;
    for (unsigned char c : text) {
        n += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

void printTrees(const StorageStack &stack, const std::vector<StackNode> &roots) {
    std::size_t nameWidth = 4;
    stack.walk(roots, [&nameWidth](const StackNode &node, const std::string &prefix) {
        nameWidth = std::max(nameWidth, columns(prefix) + columns(node.id()));
    });
    auto row = [nameWidth](const std::string &name, const char *kind, const std::string &size,
                           const char *report, const std::string &description) {
        std::string padded = name + std::string(nameWidth - columns(name), ' ');
        printf("%s  %-13s %7s  %-6s %s\n", padded.c_str(), kind, size.c_str(), report,
               description.c_str());
    };
    row("NAME", "KIND", "SIZE", "REPORT", "DESCRIPTION");
    stack.walk(roots, [&row](const StackNode &node, const std::string &prefix) {
        std::string name = prefix + node.id();
        if (node.resource == nullptr) {
            SrmServiceGroup *child = node.group->getNextServiceGroup();
            std::string description =
                node.member ? std::string("the group depends on it")
                            : std::to_string(node.group->getRecordedMemberCount()) + " members" +
                                  (child != nullptr ? ", depends on " + child->getName() : "");
            row(name, node.kind().name, "", "", description);
            return;
        }
        long kb = sizeKB(node.resource);
        row(name, node.kind().name, kb >= 0 ? humanSize(kb) : std::string(),
            node.resource->shouldReport() != 0 ? "yes" : "no", describe(node.resource));
    });
}

// The header's values as they stand, its counts as numbers.
Json headerJson(const HeaderRecord &header) {
    Json out = Json::object();
    for (const auto &element : header.elements) {
        if (element.first == "ResourceCount" || element.first == "SGCount" ||
            element.first == "MemberCount") {
            out[element.first] = std::atol(element.second.c_str());
        } else {
            out[element.first] = element.second;
        }
    }
    return out;
}

// One line per resource, group and error, so that a large file never has to
// be held as one document.
void printJson(const DatabaseFile &file, const StorageStack &stack,
               const std::vector<StackNode> &roots, bool narrowed) {
    SrmResourceDatabase *db = file.database();
    std::set<const void *> shown;
    if (narrowed) {
        stack.walk(roots, [&shown](const StackNode &node, const std::string &) {
            shown.insert(node.resource != nullptr ? static_cast<const void *>(node.resource)
                                                  : static_cast<const void *>(node.group));
        });
    }
    auto included = [&](const void *p) { return !narrowed || shown.count(p) != 0; };
    printf("{\"file\":%s,\n\"header\":%s,\n\"resources\":[", Json(file.path()).dump().c_str(),
           headerJson(file.header()).dump().c_str());
    const char *separator = "\n";
    for (const Kind &k : allKinds()) {
        SrmResourceIdMap *kind =
            k.type != SRM_RES_NONE ? db->getResourceList()->getSrmResourceIdMap(k.type) : nullptr;
        if (kind == nullptr) {
            continue;
        }
        for (const auto &entry : *kind) {
            if (included(entry.second)) {
                printf("%s%s", separator, resourceJson(entry.second).dump().c_str());
                separator = ",\n";
            }
        }
    }
    printf("],\n\"serviceGroups\":[");
    separator = "\n";
    for (const auto &entry : db->getServiceGroups()) {
        if (included(entry.second)) {
            printf("%s%s", separator, serviceGroupJson(entry.second).dump().c_str());
            separator = ",\n";
        }
    }
    printf("],\n\"errors\":[");
    separator = "\n";
    if (!narrowed) {
        for (const auto &group : db->getErrorList()->getErrorMap()) {
            for (const SrmError *e : group.second) {
                printf("%s%s", separator, errorJson(group.first, *e).dump().c_str());
                separator = ",\n";
            }
        }
    }
    printf("]}\n");
}

int show(const ShowOptions &options) {
    DatabaseFile file(options.file);
    if (!file.load()) {
        complainAbout(file);
        return kExitNoFile;
    }
    StorageStack stack(file.database());
    std::vector<StackNode> roots = stack.roots(options.kinds, options.ids);
    bool narrowed = !options.kinds.empty() || !options.ids.empty();
    if (narrowed && roots.empty()) {
        complain(options.file, "no resource or service group matches");
        return kExitFindings;
    }
    if (options.json) {
        printJson(file, stack, roots, narrowed);
    } else {
        printTrees(stack, roots);
    }
    return kExitOk;
}

}  // namespace

void addShowCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App *cmd = app.add_subcommand(
        "show",
        "Show the storage stack as trees, the way lsblk shows block devices: computers, their "
        "disks, chunks, the volumes made of them, file systems, mount points and shares; then "
        "volume groups and service groups with their members, and whatever none of them reaches.");
    cmd->add_option("FILE", options->file, "Database file")->required();
    cmd->add_option("--kind", options->kinds,
                    "Only the trees of resources of this kind (repeatable): " + kindNames())
        ->transform(kindOption());
    cmd->add_option("--id", options->ids,
                    "Only the trees of the resources with this Id (repeatable)");
    cmd->add_flag("--json", options->json,
                  "Every field of the resources shown, as JSON: numbers as numbers, lists as "
                  "arrays, references as ids");
    cmd->footer(
        "Exit status: 0 shown; 1 nothing matches --kind and --id; 2 the file does not load.");
    cmd->callback([options, &status] { raise(status, show(*options)); });
}

}  // namespace ulvar_tool
