// The storage stack of a database as trees, the way lsblk draws block devices:
// every line is built on the line above it. A computer holds its disks, a disk
// its chunks, a chunk the volumes made of it, a volume the volumes made of it
// (a sub-volume holds the volume it belongs to) and the file systems on it, a
// file system the mount points and shares of its volume. Volume groups hold
// their disks and volumes, service groups their members, each at the top.
#ifndef TOOLS_STORAGESTACK_H
#define TOOLS_STORAGESTACK_H

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "inventory/model/SrmResource.h"

class SrmResourceDatabase;
class SrmServiceGroup;

namespace ulvar_tool {

struct Kind;

// One line of a tree: a resource or a service group.
struct StackNode {
    SrmResource *resource = nullptr;
    SrmServiceGroup *group = nullptr;
    // A member listed under a group, or a group's child group: not followed
    // further (it has its own place in the trees).
    bool member = false;

    const Kind &kind() const;
    const std::string &id() const;
};

class StorageStack {
  public:
    // Indexes `db` (not owned; must outlive the stack and stay unchanged).
    explicit StorageStack(SrmResourceDatabase *db);

    // The tops of the trees: the computers, then the volume groups and the
    // service groups; then, lowest in the stack first, every resource that
    // none of those reaches. Together they show every resource.
    std::vector<StackNode> roots() const;
    // The roots a command's --kind and --id select: roots() when both are
    // empty; else every resource and service group whose kind name is in
    // `kinds` (any when empty) and whose Id is in `ids` (any when empty), each
    // the top of its tree.
    std::vector<StackNode> roots(const std::vector<std::string> &kinds,
                                 const std::vector<std::string> &ids) const;

    // What is built on `node`, in the order it is shown.
    std::vector<StackNode> children(const StackNode &node) const;

    // Visits every line of the trees of `roots`, depth first, with the
    // drawing that goes before the line's name ("│ ├─" and the like). A node
    // met again below itself is shown once more, not followed.
    using Visitor = std::function<void(const StackNode &node, const std::string &prefix)>;
    void walk(const std::vector<StackNode> &roots, const Visitor &visit) const;

  private:
    using Index = std::map<std::string, std::vector<SrmResource *>>;
    void placeResidents();
    void reach(const StackNode &root, std::set<const void *> &reached) const;

    SrmResourceDatabase *db;
    SrmResource *thisComputer;
    std::set<std::string> claimedDisks;  // listed by some computer
    Index chunksOnDisk;
    Index volumesOnChunk;
    Index holdersOfVolume;
    Index fileSystemsOnVolume;
    Index residentsOfVolume;      // mount points and shares not under a file system
    Index residentsOfFileSystem;  // by the file system's Id
};

}  // namespace ulvar_tool

#endif
