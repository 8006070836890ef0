#include "tools/fleet/StackEdges.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmResourceList.h"
#include "tools/ResourceLists.h"
#include "tools/fleet/KindColumns.h"

namespace ulvar_fleet {

namespace {

using ulvar_tool::forEachResource;

bool empty(SrmResourceList *list) {
    return list == nullptr || list->getResourceCount() == 0;
}

class EdgeCollector {
  public:
    explicit EdgeCollector(SrmResourceDatabase *db) : db(db) {}

    void add(SrmResource *lower, SrmResource *upper, int exact) {
        edges.push_back({kindTableOf(lower->type)->table, &lower->Id,
                         kindTableOf(upper->type)->table, &upper->Id, exact});
    }
    // `reference` names a resource of kind `t` by its Id or a local identity.
    void addFrom(SrmResourceType t, const std::string &reference, SrmResource *upper) {
        if (reference.empty()) {
            return;
        }
        if (SrmResource *lower = db->findGlobalResource(t, reference)) {
            add(lower, upper, 1);
        }
    }

    std::vector<StackEdge> edges;

  private:
    SrmResourceDatabase *db;
};

bool before(const StackEdge &a, const StackEdge &b) {
    if (int c = std::strcmp(a.lowerKind, b.lowerKind)) {
        return c < 0;
    }
    if (int c = a.lowerId->compare(*b.lowerId)) {
        return c < 0;
    }
    if (int c = std::strcmp(a.upperKind, b.upperKind)) {
        return c < 0;
    }
    return a.upperId->compare(*b.upperId) < 0;
}

bool same(const StackEdge &a, const StackEdge &b) {
    return !before(a, b) && !before(b, a);
}

// Each resource of the database's list as a number that sorts as its kind's
// table name and then its Id do: the kind's place among the names above the
// resource's place in its kind, which is walked in Id order. Comparing the
// texts of a million edges took longer than finding them; so did a node-based
// map of a million places, hence open addressing by the Id's address.
class Places {
  public:
    explicit Places(SrmResourceDatabase *db) {
        std::vector<const KindTable *> kinds;
        for (const KindTable &k : kindTables()) {
            kinds.push_back(&k);
        }
        std::sort(kinds.begin(), kinds.end(), [](const KindTable *a, const KindTable *b) {
            return std::strcmp(a->table, b->table) < 0;
        });
        std::vector<Slot> walked;
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            uint64_t place = static_cast<uint64_t>(k) << 32;
            forEachResource(db->getResourceList(), kinds[k]->type, [&](SrmResource *r) {
                walked.push_back({&r->Id, place++});
            });
        }
        while ((std::size_t{1} << bits) < 2 * walked.size()) {
            ++bits;
        }
        slots.assign(std::size_t{1} << bits, Slot{nullptr, 0});
        for (const Slot &w : walked) {
            std::size_t i = slotOf(w.id);
            while (slots[i].id != nullptr) {
                i = (i + 1) & (slots.size() - 1);
            }
            slots[i] = w;
        }
    }
    // False for a resource the list does not hold.
    bool find(const std::string *id, uint64_t &place) const {
        for (std::size_t i = slotOf(id);; i = (i + 1) & (slots.size() - 1)) {
            if (slots[i].id == id) {
                place = slots[i].place;
                return true;
            }
            if (slots[i].id == nullptr) {
                return false;
            }
        }
    }

  private:
    struct Slot {
        const std::string *id;  // the resource's Id
        uint64_t place;
    };
    std::size_t slotOf(const std::string *id) const {
        uint64_t mixed =
            static_cast<uint64_t>(reinterpret_cast<uintptr_t>(id)) * 0x9E3779B97F4A7C15u;
        return static_cast<std::size_t>(mixed >> (64 - bits));
    }

    unsigned bits = 4;
    std::vector<Slot> slots;  // at most half of them full
};

// Sorts `edges` as before() does and drops repeated ones.
void sortUnique(SrmResourceDatabase *db, std::vector<StackEdge> &edges) {
    struct Placed {
        uint64_t lower, upper;
        const StackEdge *edge;
    };
    const Places places(db);
    std::vector<Placed> placed(edges.size());
    for (std::size_t i = 0; i < edges.size(); ++i) {
        Placed &p = placed[i];
        p.edge = &edges[i];
        if (!places.find(edges[i].lowerId, p.lower) || !places.find(edges[i].upperId, p.upper)) {
            // A list member the database's list does not hold: by the texts.
            std::sort(edges.begin(), edges.end(), before);
            edges.erase(std::unique(edges.begin(), edges.end(), same), edges.end());
            return;
        }
    }
    std::sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
        return a.lower != b.lower ? a.lower < b.lower : a.upper < b.upper;
    });
    std::vector<StackEdge> sorted;
    sorted.reserve(placed.size());
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (i == 0 || placed[i].lower != placed[i - 1].lower ||
            placed[i].upper != placed[i - 1].upper) {
            sorted.push_back(*placed[i].edge);
        }
    }
    edges.swap(sorted);
}

}  // namespace

std::vector<StackEdge> stackEdges(SrmResourceDatabase *db) {
    EdgeCollector c(db);
    SrmResourceList *all = db->getResourceList();
    forEachResource(all, SRM_RES_DISKCHUNK, [&](SrmResource *r) {
        c.addFrom(SRM_RES_DISK, static_cast<SrmDiskChunk *>(r)->Disk, r);
    });
    forEachResource(all, SRM_RES_VOLUME, [&](SrmResource *r) {
        auto *v = static_cast<SrmVolume *>(r);
        forEachResource(v->getDiskChunkList(), SRM_RES_DISKCHUNK,
                        [&](SrmResource *chunk) { c.add(chunk, v, 1); });
        forEachResource(v->getSubVolumeList(), SRM_RES_VOLUME,
                        [&](SrmResource *sub) { c.add(sub, v, 1); });
    });
    forEachResource(all, SRM_RES_VOLUMEGROUP, [&](SrmResource *r) {
        auto *g = static_cast<SrmVolumeGroup *>(r);
        forEachResource(g->getVolumeList(), SRM_RES_VOLUME, [&](SrmResource *r) {
            auto *v = static_cast<SrmVolume *>(r);
            if (empty(v->getDiskChunkList()) && empty(v->getSubVolumeList())) {
                forEachResource(g->getDiskList(), SRM_RES_DISK,
                                [&](SrmResource *disk) { c.add(disk, v, 0); });
            }
        });
    });
    forEachResource(all, SRM_RES_FILESYSTEM, [&](SrmResource *r) {
        c.addFrom(SRM_RES_VOLUME, static_cast<SrmFileSystem *>(r)->Volume, r);
    });
    forEachResource(all, SRM_RES_MOUNTPOINT, [&](SrmResource *r) {
        c.addFrom(SRM_RES_VOLUME, static_cast<SrmMountPoint *>(r)->VolumeId, r);
    });
    forEachResource(all, SRM_RES_SHARE, [&](SrmResource *r) {
        c.addFrom(SRM_RES_VOLUME, static_cast<SrmShare *>(r)->VolumeId, r);
    });
    // A volume in two groups that share a disk would give its edge twice.
    sortUnique(db, c.edges);
    return std::move(c.edges);
}

}  // namespace ulvar_fleet
