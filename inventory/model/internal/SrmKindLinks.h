// The calls the database makes on particular kinds: computers it hands resources
// to and reads the host name of, and the storage-stack links that removing a
// resource must undo. The database reaches the kinds only through these
// functions, so it never needs their class definitions; they are defined with
// the kinds, in inventory/kinds/SrmKindLinks.cc.
//
// Internal to libulvar (not exported, not installed).
#ifndef INVENTORY_MODEL_INTERNAL_SRMKINDLINKS_H
#define INVENTORY_MODEL_INTERNAL_SRMKINDLINKS_H

#include <string>
#include <vector>

#include "inventory/model/SrmResourceList.h"

class SrmComputer;
class SrmResource;
class SrmServiceGroup;

// SrmComputer <-> the SrmResource it is. srmResourceAsComputer gives null for a
// null resource or one that is not of kind 1.
SrmResource *srmComputerAsResource(SrmComputer *c);
SrmComputer *srmResourceAsComputer(SrmResource *r);

// False for a null resource, and for one whose constructor could not allocate
// the member lists of its kind (a computer's resources, a volume's chunks and
// sub-volumes, a volume group's disks and volumes): such an object is as good
// as one that could not be allocated at all.
bool srmBuiltWhole(SrmResource *r);

// The computer's HostName; empty for a null computer.
std::string srmComputerHostName(SrmComputer *c);

// The computer's own resource list operations (add: 1 when added; remove: the
// list's result).
int srmComputerAddResource(SrmComputer *c, SrmResource *r);
int srmComputerRemoveResource(SrmComputer *c, SrmResource *r);

// Appends to `out` the service groups a computer or a virtual server holds a
// reference on; nothing for other kinds. No reference is given.
void srmHeldServiceGroups(SrmResource *r, std::vector<SrmServiceGroup *> &out);

// Makes a volume group drop a disk or volume (REQUIRES: `member` not null), and
// a volume drop a disk chunk.
void srmVolumeGroupDropMember(SrmResource *volumeGroup, SrmResource *member);
void srmVolumeDropDiskChunk(SrmResource *volume, SrmResource *chunk);

// Makes every volume of `volumes` (a database's volumes; null: none) let go of
// `removed` (REQUIRES: not null): a disk chunk leaves the chunk lists, a volume the sub-volume
// lists. A sub-volume of a removed volume that no other volume of `volumes` holds is no sub-volume
// any more: it stands at the top of its hierarchy again (hierarchy type 1 when it has sub-volumes
// of its own, else 0), so a database writes it.
void srmVolumesForget(SrmResourceIdMap *volumes, SrmResource *removed);

// When `replacement` (REQUIRES: not null) takes the database's place of
// `old` (the same kind and Id, another object), every volume of `volumes` that
// held `old` as a sub-volume holds `replacement` instead, and `old` is
// forgotten as by srmVolumesForget. A sub-volume link names a volume by its Id,
// and a file names each Id once: a parent left holding `old` would have the
// writer put `old` in the newcomer's place. Nothing for other kinds.
void srmVolumesHandOver(SrmResourceIdMap *volumes, SrmResource *old, SrmResource *replacement);

// The mount point's MountLocation, the share's VolumeId and the file system's
// Volume; empty when the resource is not of that kind.
std::string srmMountLocation(SrmResource *mountPoint);
std::string srmShareVolumeId(SrmResource *share);
std::string srmFileSystemVolume(SrmResource *fileSystem);

#endif
