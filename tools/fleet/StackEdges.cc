#include "tools/fleet/StackEdges.h"

#include <algorithm>
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
    std::sort(c.edges.begin(), c.edges.end(), before);
    c.edges.erase(std::unique(c.edges.begin(), c.edges.end(), same), c.edges.end());
    return std::move(c.edges);
}

}  // namespace ulvar_fleet
