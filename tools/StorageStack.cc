#include "tools/StorageStack.h"

#include <algorithm>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/model/SrmServiceGroup.h"
#include "tools/Kinds.h"
#include "tools/ResourceLists.h"

namespace ulvar_tool {

namespace {

// A group's members in the order its record lists them.
constexpr SrmResourceType kMemberKinds[] = {
    SRM_RES_DISK,       SRM_RES_DISKCHUNK,     SRM_RES_VOLUME,
    SRM_RES_FILESYSTEM, SRM_RES_MOUNTPOINT,    SRM_RES_SHARE,
    SRM_RES_COMPUTER,   SRM_RES_VIRTUALSERVER, SRM_RES_VOLUMEGROUP,
};

// Resources no top reaches become tops themselves, lowest in the stack first,
// so that each shows what is built on it.
constexpr SrmResourceType kLeftoverKinds[] = {
    SRM_RES_DISK,          SRM_RES_DISKCHUNK,     SRM_RES_VOLUME,
    SRM_RES_FILESYSTEM,    SRM_RES_MOUNTPOINT,    SRM_RES_SHARE,
    SRM_RES_VOLUMEMANAGER, SRM_RES_VIRTUALSERVER, SRM_RES_ID,
};

// Trees deeper than this are cut; only a hierarchy made by hand gets there.
constexpr std::size_t kMaxDepth = 100;

const std::string kNoId;

void appendAll(std::vector<StackNode> &out,
               const std::map<std::string, std::vector<SrmResource *>> &index,
               const std::string &key) {
    auto found = index.find(key);
    if (found != index.end()) {
        for (SrmResource *r : found->second) {
            out.push_back({r, nullptr, false});
        }
    }
}

const void *identity(const StackNode &n) {
    return n.resource != nullptr ? static_cast<const void *>(n.resource)
                                 : static_cast<const void *>(n.group);
}

}  // namespace

const Kind &StackNode::kind() const {
    return resource != nullptr ? kindOf(resource->type) : serviceGroupKind();
}

const std::string &StackNode::id() const {
    if (resource != nullptr) {
        return resource->Id;
    }
    return group != nullptr ? group->getName() : kNoId;
}

StorageStack::StorageStack(SrmResourceDatabase *db) : db(db), thisComputer(db->getThisComputer()) {
    SrmResourceList *all = db->getResourceList();
    forEachResource(all, SRM_RES_COMPUTER, [this](SrmResource *c) {
        forEachResource(static_cast<SrmComputer *>(c)->getResourceList(), SRM_RES_DISK,
                        [this](SrmResource *d) { claimedDisks.insert(d->Id); });
    });
    forEachResource(all, SRM_RES_DISKCHUNK, [this](SrmResource *c) {
        chunksOnDisk[static_cast<SrmDiskChunk *>(c)->Disk].push_back(c);
    });
    forEachResource(all, SRM_RES_VOLUME, [this](SrmResource *r) {
        auto *v = static_cast<SrmVolume *>(r);
        forEachResource(v->getDiskChunkList(), SRM_RES_DISKCHUNK,
                        [this, v](SrmResource *c) { volumesOnChunk[c->Id].push_back(v); });
        forEachResource(v->getSubVolumeList(), SRM_RES_VOLUME,
                        [this, v](SrmResource *s) { holdersOfVolume[s->Id].push_back(v); });
    });
    forEachResource(all, SRM_RES_FILESYSTEM, [this](SrmResource *f) {
        fileSystemsOnVolume[static_cast<SrmFileSystem *>(f)->Volume].push_back(f);
    });
    placeResidents();
}

// A mount point goes under the file system of its volume that it names as its
// location, else under the only file system of its volume; a share under the
// only file system of its volume. Otherwise both go under the volume itself.
void StorageStack::placeResidents() {
    SrmResourceList *all = db->getResourceList();
    auto fileSystemsOn = [this](const std::string &volume) -> const std::vector<SrmResource *> * {
        auto found = fileSystemsOnVolume.find(volume);
        return found != fileSystemsOnVolume.end() ? &found->second : nullptr;
    };
    forEachResource(all, SRM_RES_MOUNTPOINT, [&](SrmResource *r) {
        auto *m = static_cast<SrmMountPoint *>(r);
        const std::vector<SrmResource *> *fileSystems = fileSystemsOn(m->VolumeId);
        SrmResource *on = nullptr;
        if (fileSystems != nullptr) {
            for (SrmResource *f : *fileSystems) {
                if (!m->MountLocation.empty() &&
                    (f->LId == m->MountLocation || f->Id == m->MountLocation)) {
                    on = f;
                    break;
                }
            }
            if (on == nullptr && fileSystems->size() == 1) {
                on = fileSystems->front();
            }
        }
        if (on != nullptr) {
            residentsOfFileSystem[on->Id].push_back(m);
        } else {
            residentsOfVolume[m->VolumeId].push_back(m);
        }
    });
    forEachResource(all, SRM_RES_SHARE, [&](SrmResource *r) {
        auto *s = static_cast<SrmShare *>(r);
        const std::vector<SrmResource *> *fileSystems = fileSystemsOn(s->VolumeId);
        if (fileSystems != nullptr && fileSystems->size() == 1) {
            residentsOfFileSystem[fileSystems->front()->Id].push_back(s);
        } else {
            residentsOfVolume[s->VolumeId].push_back(s);
        }
    });
}

std::vector<StackNode> StorageStack::children(const StackNode &node) const {
    std::vector<StackNode> out;
    if (node.member) {
        return out;
    }
    if (node.group != nullptr) {
        SrmResourceList *members = node.group->getResourceList();
        for (SrmResourceType t : kMemberKinds) {
            forEachResource(members, t, [&out](SrmResource *r) {
                out.push_back({r, nullptr, true});
            });
        }
        if (SrmServiceGroup *child = node.group->getNextServiceGroup()) {
            out.push_back({nullptr, child, true});
        }
        return out;
    }
    SrmResource *r = node.resource;
    switch (r->type) {
        case SRM_RES_COMPUTER: {
            // The computer the scan ran on also holds the disks no computer lists.
            SrmResourceList *own = static_cast<SrmComputer *>(r)->getResourceList();
            bool here = r == thisComputer;
            forEachResource(db->getResourceList(), SRM_RES_DISK, [&](SrmResource *d) {
                if ((own != nullptr && own->findResource(SRM_RES_DISK, d->Id) == d) ||
                    (here && claimedDisks.count(d->Id) == 0)) {
                    out.push_back({d, nullptr, false});
                }
            });
            break;
        }
        case SRM_RES_DISK:
            appendAll(out, chunksOnDisk, r->Id);
            break;
        case SRM_RES_DISKCHUNK:
            appendAll(out, volumesOnChunk, r->Id);
            break;
        case SRM_RES_VOLUME:
            appendAll(out, holdersOfVolume, r->Id);
            appendAll(out, fileSystemsOnVolume, r->Id);
            appendAll(out, residentsOfVolume, r->Id);
            break;
        case SRM_RES_FILESYSTEM:
            appendAll(out, residentsOfFileSystem, r->Id);
            break;
        case SRM_RES_VOLUMEGROUP: {
            auto *g = static_cast<SrmVolumeGroup *>(r);
            forEachResource(g->getDiskList(), SRM_RES_DISK, [&out](SrmResource *d) {
                out.push_back({d, nullptr, true});
            });
            forEachResource(g->getVolumeList(), SRM_RES_VOLUME, [&out](SrmResource *v) {
                out.push_back({v, nullptr, false});
            });
            break;
        }
        default:
            break;
    }
    return out;
}

// Marks every node the tree of `root` shows and follows (members are only
// listed, so they reach nothing).
void StorageStack::reach(const StackNode &root, std::set<const void *> &reached) const {
    std::vector<StackNode> pending{root};
    while (!pending.empty()) {
        StackNode node = pending.back();
        pending.pop_back();
        if (node.member || !reached.insert(identity(node)).second) {
            continue;
        }
        for (const StackNode &child : children(node)) {
            pending.push_back(child);
        }
    }
}

std::vector<StackNode> StorageStack::roots() const {
    std::vector<StackNode> tops;
    SrmResourceList *all = db->getResourceList();
    forEachResource(all, SRM_RES_COMPUTER, [&tops](SrmResource *c) {
        tops.push_back({c, nullptr, false});
    });
    forEachResource(all, SRM_RES_VOLUMEGROUP, [&tops](SrmResource *g) {
        tops.push_back({g, nullptr, false});
    });
    for (const auto &entry : db->getServiceGroups()) {
        tops.push_back({nullptr, entry.second, false});
    }
    std::set<const void *> reached;
    for (const StackNode &top : tops) {
        reach(top, reached);
    }
    for (SrmResourceType t : kLeftoverKinds) {
        forEachResource(all, t, [&](SrmResource *r) {
            if (reached.count(r) == 0) {
                StackNode top{r, nullptr, false};
                tops.push_back(top);
                reach(top, reached);
            }
        });
    }
    return tops;
}

std::vector<StackNode> StorageStack::roots(const std::vector<std::string> &kindList,
                                           const std::vector<std::string> &idList) const {
    if (kindList.empty() && idList.empty()) {
        return roots();
    }
    const std::set<std::string> kinds(kindList.begin(), kindList.end());
    const std::set<std::string> ids(idList.begin(), idList.end());
    std::vector<StackNode> tops;
    auto wanted = [&](const std::string &id) { return ids.empty() || ids.count(id) != 0; };
    for (const Kind &k : allKinds()) {
        if (!kinds.empty() && kinds.count(k.name) == 0) {
            continue;
        }
        if (k.type == SRM_RES_NONE) {
            for (const auto &entry : db->getServiceGroups()) {
                if (wanted(entry.first)) {
                    tops.push_back({nullptr, entry.second, false});
                }
            }
            continue;
        }
        forEachResource(db->getResourceList(), k.type, [&](SrmResource *r) {
            if (wanted(r->Id)) {
                tops.push_back({r, nullptr, false});
            }
        });
    }
    return tops;
}

void StorageStack::walk(const std::vector<StackNode> &roots, const Visitor &visit) const {
    struct Level {
        std::vector<StackNode> nodes;
        std::size_t next;
        const void *owner;  // the node these are built on
    };
    for (const StackNode &root : roots) {
        visit(root, std::string());
        std::vector<Level> levels;
        levels.push_back({children(root), 0, identity(root)});
        while (!levels.empty()) {
            Level &level = levels.back();
            if (level.next == level.nodes.size()) {
                levels.pop_back();
                continue;
            }
            StackNode node = level.nodes[level.next++];
            std::string prefix;
            for (std::size_t i = 0; i + 1 < levels.size(); ++i) {
                prefix += levels[i].next < levels[i].nodes.size() ? "\u2502 " : "  ";
            }
            prefix += level.next == level.nodes.size() ? "\u2514\u2500" : "\u251c\u2500";
            visit(node, prefix);
            const void *self = identity(node);
            bool below = std::any_of(levels.begin(), levels.end(),
                                     [self](const Level &l) { return l.owner == self; });
            if (!node.member && !below && levels.size() < kMaxDepth) {
                levels.push_back({children(node), 0, self});
            }
        }
    }
}

}  // namespace ulvar_tool
