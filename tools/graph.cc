// ulvar graph FILE: the storage stack as Graphviz dot text, one node per
// resource and an edge for every "built on" of the stack; service groups are
// drawn as clusters.
#include <stdio.h>

#include <CLI/CLI.hpp>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "tools/DatabaseFile.h"
#include "tools/Kinds.h"
#include "tools/ResourceText.h"
#include "tools/StorageStack.h"
#include "tools/Tool.h"

namespace ulvar_tool {

namespace {

struct GraphOptions {
    std::string file;
    std::vector<std::string> kinds;
    std::vector<std::string> ids;
};

// Text inside a quoted dot label: quotes and backslashes escaped, line breaks
// of the text made blanks (the label's own lines are "\n").
std::string labelText(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

// Nodes are named n1, n2, ... so that no Id needs escaping as a node name.
class DotGraph {
  public:
    explicit DotGraph(const StorageStack &stack) : stack(stack) {}

    // Numbers every node shown; a node is drawn once however often the
    // trees show it.
    void collect(const std::vector<StackNode> &roots) {
        stack.walk(roots, [this](const StackNode &node, const std::string &) {
            const void *self = key(node);
            if (numbers.emplace(self, numbers.size() + 1).second) {
                order.push_back(node);
            }
        });
    }

    void print(const std::string &title) {
        printf("digraph \"%s\" {\n", labelText(title).c_str());
        printf("  graph [rankdir=LR, fontname=\"Helvetica\", fontsize=11];\n");
        printf("  node [shape=box, style=rounded, fontname=\"Helvetica\", fontsize=10];\n");
        printf("  edge [color=\"#555555\", fontname=\"Helvetica\", fontsize=9];\n");
        std::set<const void *> inCluster = printClusters();
        for (const StackNode &node : order) {
            if (node.resource != nullptr && inCluster.count(node.resource) == 0) {
                printNode(node, "  ");
            }
        }
        printEdges();
        printf("}\n");
    }

  private:
    static const void *key(const StackNode &n) {
        return n.resource != nullptr ? static_cast<const void *>(n.resource)
                                     : static_cast<const void *>(n.group);
    }
    std::string name(const void *p) const {
        auto found = numbers.find(p);
        return found != numbers.end() ? "n" + std::to_string(found->second) : std::string();
    }

    void printNode(const StackNode &node, const char *indent) const {
        if (node.group != nullptr) {
            printf("%s%s [shape=folder, label=\"service group\\n%s\"];\n", indent,
                   name(node.group).c_str(), labelText(node.group->getName()).c_str());
            return;
        }
        SrmResource *r = node.resource;
        std::string label = std::string(kindOf(r->type).title) + "\\n" + labelText(r->Id);
        std::string known = displayName(r);
        long kb = sizeKB(r);
        std::string third = known != r->Id ? labelText(known) : std::string();
        if (kb >= 0) {
            third += (third.empty() ? "" : ", ") + humanSize(kb);
        }
        if (!third.empty()) {
            label += "\\n" + third;
        }
        // What the report leaves out is drawn dashed.
        printf("%s%s [label=\"%s\"%s];\n", indent, name(r).c_str(), label.c_str(),
               r->shouldReport() != 0 ? "" : ", style=\"rounded,dashed\", fontcolor=\"#777777\"");
    }

    // A service group is a cluster holding its own node and the members that
    // belong to it alone; members of several groups stay outside, linked to
    // each group's node. Returns the members drawn inside.
    std::set<const void *> printClusters() {
        std::unordered_map<const void *, int> groupsOf;
        for (const StackNode &node : order) {
            if (node.group != nullptr) {
                for (const StackNode &member : stack.children(node)) {
                    if (member.resource != nullptr) {
                        ++groupsOf[member.resource];
                    }
                }
            }
        }
        std::set<const void *> inside;
        for (const StackNode &node : order) {
            if (node.group == nullptr) {
                continue;
            }
            printf("  subgraph cluster_%s {\n", name(node.group).c_str());
            printf("    label=\"%s\"; style=\"rounded,filled\"; fillcolor=\"#f2f2f2\";\n",
                   labelText(node.group->getName()).c_str());
            printNode(node, "    ");
            for (const StackNode &member : stack.children(node)) {
                if (member.resource == nullptr || numbers.count(member.resource) == 0) {
                    continue;
                }
                if (groupsOf[member.resource] == 1 && inside.insert(member.resource).second) {
                    printNode(member, "    ");
                } else {
                    shared.emplace_back(node.group, member.resource);
                }
            }
            printf("  }\n");
        }
        return inside;
    }

    void edge(const void *from, const void *to, const char *attributes) const {
        std::string a = name(from), b = name(to);
        if (!a.empty() && !b.empty()) {
            printf("  %s -> %s%s;\n", a.c_str(), b.c_str(), attributes);
        }
    }

    void printEdges() const {
        for (const StackNode &node : order) {
            for (const StackNode &child : stack.children(node)) {
                if (node.group != nullptr) {
                    if (child.group != nullptr) {
                        edge(node.group, child.group, " [label=\"depends on\", style=bold]");
                    }
                } else if (child.member) {
                    edge(node.resource, child.resource, " [style=dashed, arrowhead=none]");
                } else {
                    edge(node.resource, child.resource, "");
                }
            }
            if (node.resource != nullptr) {
                printLinks(node.resource);
            }
        }
        for (const auto &link : shared) {
            edge(link.first, link.second, " [style=dotted, arrowhead=none]");
        }
    }

    // What the stack does not draw: a volume's or group's manager, a virtual
    // server's service group.
    void printLinks(SrmResource *r) const {
        SrmResource *manager = nullptr;
        if (r->type == SRM_RES_VOLUME) {
            manager = static_cast<SrmVolume *>(r)->getVolumeManager();
        } else if (r->type == SRM_RES_VOLUMEGROUP) {
            manager = static_cast<SrmVolumeGroup *>(r)->getVolumeManager();
        } else if (r->type == SRM_RES_VIRTUALSERVER) {
            SrmServiceGroup *g = static_cast<SrmVirtualServer *>(r)->getServiceGroup();
            if (g != nullptr) {
                edge(r, g, " [style=dotted]");
            }
        }
        if (manager != nullptr) {
            edge(manager, r, " [style=dotted, color=\"#999999\"]");
        }
    }

    const StorageStack &stack;
    std::unordered_map<const void *, std::size_t> numbers;
    std::vector<StackNode> order;
    std::vector<std::pair<const void *, const void *>> shared;  // group, member
};

int graph(const GraphOptions &options) {
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
    DotGraph dot(stack);
    dot.collect(roots);
    dot.print(options.file);
    return kExitOk;
}

}  // namespace

void addGraphCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<GraphOptions>();
    CLI::App *cmd = app.add_subcommand(
        "graph",
        "Write the storage stack as Graphviz dot text: one node per resource (kind, Id, name and "
        "capacity; dashed when the report leaves it out), edges along the stack, service groups as "
        "clusters. For example: ulvar graph FILE | dot -Tsvg > stack.svg");
    cmd->add_option("FILE", options->file, "Database file")->required();
    cmd->add_option("--kind", options->kinds, "Only what is built on resources of this kind")
        ->transform(kindOption());
    cmd->add_option("--id", options->ids, "Only what is built on the resources with this Id");
    cmd->footer(
        "Exit status: 0 written; 1 nothing matches --kind and --id; 2 the file does not load.");
    cmd->callback([options, &status] { raise(status, graph(*options)); });
}

}  // namespace ulvar_tool
