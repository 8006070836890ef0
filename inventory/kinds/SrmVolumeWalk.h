// Walks down a volume hierarchy through sub-volume lists without recursion and
// without ever visiting a volume twice, so a hierarchy of any depth, and one
// whose lists were made to loop by hand, ends.
#ifndef INVENTORY_KINDS_SRMVOLUMEWALK_H
#define INVENTORY_KINDS_SRMVOLUMEWALK_H

#include <functional>
#include <set>

#include "ulvar/export.h"

class SrmResource;
class SrmVolume;

// One walk object may serve several walks: a volume visited by an earlier walk
// of the same object is not visited again (as when a database writes every
// volume once, starting from each top volume in turn). The walker takes no
// references: the visitor must not add to or remove from any sub-volume list
// while a walk runs, nor release the volumes it is handed.
class ULVAR_API SrmVolumeWalk {
  public:
    // Returns non-zero to go on, 0 to stop the walk.
    using Visitor = std::function<int(SrmVolume *)>;

    SrmVolumeWalk() = default;

    // Depth first from `top`: the sub-volumes of a volume, in Id order, are
    // visited before the volume itself. A resource that is not an SrmVolume is
    // not visited. 0 as soon as `visit` returns 0 (or memory runs out), else 1.
    int subVolumesFirst(SrmResource *top, const Visitor &visit);

    // Non-zero when the volume was visited by a walk of this object.
    int visited(const SrmVolume *v) const { return seen.count(v) != 0; }
    // Forgets every visit.
    void reset() { seen.clear(); }

  private:
    std::set<const SrmVolume *> seen;
};

// Non-zero when `target` is `from` or lies somewhere below `from` in its
// sub-volume lists; 0 for nulls and for resources that are not volumes.
ULVAR_API int srmVolumeHolds(SrmResource *from, SrmResource *target);

#endif
