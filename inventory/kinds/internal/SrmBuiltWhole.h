// Whether a new resource is whole, for the roads that make resources of any
// kind (loading a database file, a batch).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMBUILTWHOLE_H
#define INVENTORY_KINDS_INTERNAL_SRMBUILTWHOLE_H

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmVolume.h"
#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/model/SrmResource.h"

// False for a null resource, and for one whose constructor could not allocate
// the member lists of its kind (a computer's resources, a volume's chunks and
// sub-volumes, a volume group's disks and volumes): such an object is as good
// as one that could not be allocated at all.
inline bool srmBuiltWhole(SrmResource *r) {
    if (r == nullptr) {
        return false;
    }
    if (auto *c = dynamic_cast<SrmComputer *>(r)) {
        return c->getResourceList() != nullptr;
    }
    if (auto *v = dynamic_cast<SrmVolume *>(r)) {
        return v->getDiskChunkList() != nullptr && v->getSubVolumeList() != nullptr;
    }
    if (auto *g = dynamic_cast<SrmVolumeGroup *>(r)) {
        return g->getDiskList() != nullptr && g->getVolumeList() != nullptr;
    }
    return true;
}

#endif
