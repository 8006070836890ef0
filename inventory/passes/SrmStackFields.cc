#include "inventory/passes/internal/SrmStackFields.h"

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/SrmDisk.h"
#include "inventory/kinds/SrmFileSystem.h"
#include "inventory/kinds/SrmVolume.h"

SrmResourceList *srmVolumeGroupDisks(SrmResource *r) {
    auto *g = dynamic_cast<SrmVolumeGroup *>(r);
    return g != nullptr ? g->getDiskList() : nullptr;
}

SrmResourceList *srmVolumeGroupVolumes(SrmResource *r) {
    auto *g = dynamic_cast<SrmVolumeGroup *>(r);
    return g != nullptr ? g->getVolumeList() : nullptr;
}

SrmResourceList *srmVolumeDiskChunks(SrmResource *r) {
    auto *v = dynamic_cast<SrmVolume *>(r);
    return v != nullptr ? v->getDiskChunkList() : nullptr;
}

bool srmDiskSignAndName(SrmResource *r, long *sign, std::string *name) {
    auto *d = dynamic_cast<SrmDisk *>(r);
    if (d == nullptr) {
        return false;
    }
    *sign = d->Sign;
    *name = d->Name;
    return true;
}

std::string srmDiskChunkDisk(SrmResource *r) {
    auto *c = dynamic_cast<SrmDiskChunk *>(r);
    return c != nullptr ? c->Disk : std::string();
}

std::string srmFileSystemVolume(SrmResource *r) {
    auto *f = dynamic_cast<SrmFileSystem *>(r);
    return f != nullptr ? f->Volume : std::string();
}

std::string srmMountPointVolumeId(SrmResource *r) {
    auto *m = dynamic_cast<SrmMountPoint *>(r);
    return m != nullptr ? m->VolumeId : std::string();
}

std::string srmShareVolumeId(SrmResource *r) {
    auto *s = dynamic_cast<SrmShare *>(r);
    return s != nullptr ? s->VolumeId : std::string();
}

bool srmComputerLLTNode(SrmResource *r, int32_t *lltId, std::string *ipAddr) {
    auto *c = dynamic_cast<SrmComputer *>(r);
    if (c == nullptr) {
        return false;
    }
    *lltId = c->LLTId;
    *ipAddr = c->IPAddr;
    return true;
}
