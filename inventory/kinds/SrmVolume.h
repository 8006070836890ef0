// Logical storage: volumes built from disk chunks and from other volumes
// (sub-volumes, which give volumes a hierarchy). Volumes and volume groups name
// their volume manager by its numeric identity; this header brings the volume
// group and the volume manager along, so one include gives all three kinds.
#ifndef INVENTORY_KINDS_SRMVOLUME_H
#define INVENTORY_KINDS_SRMVOLUME_H

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "inventory/kinds/SrmVolumeGroup.h"
#include "inventory/kinds/SrmVolumeManager.h"
#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

class SrmResourceDatabase;
class SrmResourceList;

// The volume below, the volume group (SrmVolumeGroup.h) and the volume
// manager (SrmVolumeManager.h) keep the contract every kind keeps
// (SrmResourceFields.h). Volumes and groups read their members' short records
// from the owning database's attached reader after their own.
//
// The member lists are owned by their volume or group and hold one reference
// per member; they are null only when memory ran out at construction. A list
// pointer handed out stays valid as long as its volume or group.

// Hierarchy types of a volume (HierType).
constexpr int SRM_HIER_STANDALONE = 0;
constexpr int SRM_HIER_HAS_SUBVOLUMES = 1;
constexpr int SRM_HIER_SUBVOLUME = 4;

// A logical volume (kind 3, "Volume").
//
// Sub-volume links never form a loop: a link that would make a volume its own
// descendant is refused wherever links are made (addSubVolume, the sub-volume
// list merge, the reader), so every walk down a hierarchy ends and no reference
// cycle keeps volumes alive. Walk them with SrmVolumeWalk (SrmVolumeWalk.h),
// which also ends on lists changed by hand.
//
// Cost of the loop check: every volume records, uncounted, the volumes whose
// sub-volume list holds it (its holders), kept on every link and unlink made
// here (add, remove, list merge, and when a holder dies). A link is checked
// for free when the parent has no holders or the child no sub-volumes, which
// is every link of a hierarchy built children first (as a database file is
// read) or parents first. Otherwise the parent's ancestors and the child's
// descendants are searched in turns, one link at a time, and the search stops
// when either side runs out: it costs about twice the smaller of the two (a
// link between a long ancestry and a deep subtree still costs the shorter).
// The record of holders covers only links made through this class: a
// sub-volume list changed by hand (getSubVolumeList) is no longer guarded
// against loops, and a sub-volume linked here but taken out by hand still
// counts its old parent among its holders, which must then outlive every
// later link made below that sub-volume.
//
// Depth costs no machine stack: destroying a volume hands its member lists to
// a per-thread queue that the outermost destruction empties, and merging two
// hierarchies merges the matching sub-volumes one pair after another from a
// per-thread queue instead of one level inside the other.
class ULVAR_API SrmVolume : public SrmResource {
  public:
    SrmVolume();
    // Bound to `db` (not owned).
    explicit SrmVolume(SrmResourceDatabase *db);
    // Sets Id and the volume key.
    explicit SrmVolume(std::string id);
    // Releases the member lists and the manager.
    ~SrmVolume() override;

    // A negative size is refused with 0 and the old one kept; otherwise stored, 1.
    int setCapacity(long kb);
    int setFreeSpace(long kb);

    // Adds a disk chunk (kind 9) to the chunk list, which takes a reference: the
    // list's result; 0 for anything else.
    int addDiskChunk(SrmResource *c);
    // Adds volume `v` (kind 3) to the sub-volume list, which takes a reference;
    // `v` becomes SRM_HIER_SUBVOLUME and this volume SRM_HIER_HAS_SUBVOLUMES
    // unless it is itself a sub-volume. 0 for anything else, and 0 with nothing
    // changed when `v` is this volume or already holds it somewhere below.
    int addSubVolume(SrmResource *v);
    // The list's remove result; 0 for a wrong kind or a missing list.
    int removeDiskChunk(SrmResource *c);
    int removeSubVolume(SrmResource *v);
    // Merges `l`'s chunks (or volumes) into this volume's list: members this
    // list lacks are added, members held under the same Id absorb the
    // newcomer. A volume of `l` this list lacks is skipped when it is this
    // volume or holds this volume below it. A volume absorbing a newcomer of
    // its own class does so once every volume of `l` has been seen (and, inside
    // a merge already running on this thread, after that merge), so that deep
    // hierarchies merge level after level. 0 for a null `l`, a missing list or
    // a refused merge.
    int mergeDiskChunkList(SrmResourceList *l);
    int mergeSubVolumeList(SrmResourceList *l);

    // Points the volume at the first volume manager of the owning database (in
    // Id order) whose IdType is the decimal value of `id`, and stores `id` as
    // VolumeManager. Nothing changes when there is none. The volume holds a
    // reference on its manager, so a manager later removed from or replaced in
    // the database stays valid here.
    void setVolumeMgrId(std::string id);
    // The manager set by setVolumeMgrId, or null. No reference is given; valid
    // while this volume lives and the manager is not set again.
    SrmVolumeManager *getVolumeManager() const { return volumeManager; }

    SrmResourceList *getDiskChunkList() const { return diskChunks; }
    SrmResourceList *getSubVolumeList() const { return subVolumes; }
    // Copy of the Id made by the id constructor and by the reader.
    const std::string &getVolumeKey() const { return volumeKey; }
    // The number of volumes whose sub-volume list holds this one, as recorded
    // by the link operations above.
    int getHolderCount() const { return static_cast<int>(holders.size()); }

    // Sizes when 0 or more, URLs and type text when not empty, the volume type
    // when 0 or more, status with its text when not 0, the hierarchy type when
    // not 0 (a sub-volume stays one); then the member lists are merged. Name,
    // volume key and manager stay, except that a volume with neither a name nor
    // a manager (a placeholder made for a member record) takes both.
    int mergeResource(SrmResource *other) override;
    std::string getResourceReportString(bool) override;
    std::string getResourceHeader(bool) override;
    // The full form is followed by one short record per chunk, then per
    // sub-volume, each in Id order.
    int serialize(int fd, int flags) override;
    // Reads "DiskChunkCount" + "SubVolumeCount" member records. A sub-volume
    // the database lacks is made as an empty volume of that Id and added to the
    // database. 1 when every member was attached (a sub-volume refused because
    // it would close a loop counts as read: the link is dropped, the record
    // still loads); 0 without a reader or on a count mismatch.
    int deserialize(int fd, CSRMReportTuple *record) override;

    std::string Name;
    int VolumeType = 0;
    std::string VolumeTypeDesc;
    int Status = 0;
    std::string StatusDesc;
    int HierType = SRM_HIER_STANDALONE;
    std::string MgmtURL;
    std::string DisplayMgmtURL;
    long CapacityKB = 0;        // never negative; change through setCapacity
    long FreeSpaceKB = 0;       // never negative; change through setFreeSpace
    std::string VolumeManager;  // the manager's IdType as decimal text

  private:
    // The loop check's searches follow holders and sub-volume lists.
    friend class SrmVolumeSearch;
    // The field table reads the Id into the volume key too.
    friend struct SrmVolumeFields;

    void setManager(SrmVolumeManager *m);
    // Links the database's volume `id` (made empty when missing) as a
    // sub-volume while reading; 1 when it counts as read.
    int attachSubVolume(const std::string &id);

    // True when `sub` below this volume would make a volume its own
    // descendant, and when memory ran out before that was ruled out.
    bool wouldLoop(SrmVolume *sub);
    // Stores `sub` in the sub-volume list and records this volume among its
    // holders; a different volume stored under the same Id is dropped and
    // forgets this holder. The list's result; 0 when memory ran out.
    int link(SrmVolume *sub);
    // The stored sub-volume `stored` (may be null or of another class) is
    // about to leave the list: it forgets this holder.
    void unlink(SrmResource *stored);
    // Holder records; addHolder is false only when memory ran out.
    bool hasHolder(const SrmVolume *h) const;
    bool addHolder(SrmVolume *h);
    void removeHolder(const SrmVolume *h);

    SrmResourceList *diskChunks;
    SrmResourceList *subVolumes;
    std::string volumeKey;
    SrmVolumeManager *volumeManager = nullptr;  // one reference held
    // Volumes whose sub-volume list holds this one; no references taken. Past
    // a few holders, holderIndex gives each one's place in `holders`.
    std::vector<SrmVolume *> holders;
    std::unique_ptr<std::unordered_map<const SrmVolume *, std::size_t>> holderIndex;
};

#endif
