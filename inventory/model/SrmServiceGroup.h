// A cluster service group: a named set of resources that fail over together,
// with at most one group it depends on (its child, the next group).
#ifndef INVENTORY_MODEL_SRMSERVICEGROUP_H
#define INVENTORY_MODEL_SRMSERVICEGROUP_H

#include <map>
#include <memory>
#include <string>

#include "inventory/model/SrmRef.h"
#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceList.h"
#include "ulvar/export.h"

class CSRMReportTuple;
class SrmResourceDatabase;

// Reference counted; a new group holds its creator's reference. The member list
// holds one reference per member. The next group and the parent groups are not
// counted: the database's group map keeps them alive, and removing a group from
// the database clears every link to it. Failures are reported to the owning
// database's last-error slot, and only while the group is bound to one.
// One thread at a time.
class ULVAR_API SrmServiceGroup : public SrmRef {
  public:
    // Unbound, empty name.
    SrmServiceGroup();
    // Unbound, named.
    explicit SrmServiceGroup(std::string name);
    // Bound to `db` (group and member list), empty name.
    explicit SrmServiceGroup(SrmResourceDatabase *db);
    // Releases the members.
    ~SrmServiceGroup() override;

    const std::string &getName() const { return name; }
    void setName(std::string n) { name = std::move(n); }

    // The owning database (not owned), or null. setDb binds the member list too.
    SrmResourceDatabase *getDb() const { return db; }
    void setDb(SrmResourceDatabase *d);

    // The members (owned by the group, never null).
    SrmResourceList *getResourceList() { return members.get(); }

    // Member list operations; the results are the member list's.
    int addResource(SrmResource *r);
    int removeResource(SrmResourceType t, std::string id);
    int removeAllResources();

    // Folds `other`'s members into this group's, then takes `other`'s next group
    // as this group's next (refused silently when this group has another one or
    // it would close a cycle). 1; also 1 for `other` equal to this group. 0 for
    // a null `other`.
    int mergeServiceGroup(SrmServiceGroup *other);

    // Makes `child` the group this one depends on. 1 when set, or when `child`
    // already is the next group. 0 for a null child; 0 with (EINVAL, "Circular
    // Service Sroup Dependency reported") when `child` is this group, one of its
    // recorded ancestors, or a group whose own chain of next groups leads back
    // here; 0 with (EINVAL, "Invalid Service Group Dependency provided") when another
    // next group is already set (the first one stays).
    int setNextServiceGroup(SrmServiceGroup *child);
    // The next group, or null; no reference is given.
    SrmServiceGroup *getNextServiceGroup() const { return next; }
    // Drops the link to the next group (used when that group leaves the database).
    void clearNextServiceGroup() { next = nullptr; }

    // 1 when `g`'s name is the name of a parent recorded by addParentGroup, or of
    // a parent of a parent, and so on; else 0. Ends on parent cycles.
    int checkCircDependency(SrmServiceGroup *g);
    // Records `parent` (not counted) under its name. 0 for null or a name
    // already recorded.
    int addParentGroup(SrmServiceGroup *parent);
    // Forgets every recorded parent that is `g` (used when `g` leaves the
    // database, so no parent pointer outlives its group).
    void forgetParentGroup(const SrmServiceGroup *g);

    // The members' map of computers (kind 1), or null when none was ever added.
    SrmResourceIdMap *getSystemList();
    // Stores the members' map of virtual servers in `*out` and returns their
    // count; stores null and returns 0 when there are none. 0 for a null `out`.
    int getVirtualServerList(SrmResourceIdMap **out);

    // Merges the members of this group and of every group down its chain of
    // next groups into `list` (each group once, so a cyclic chain ends). 1; 0
    // for a null `list`. The second form does the same for kind `t` only.
    int getDependantResourceList(SrmResourceList *list);
    int getDependantResourceList(SrmResourceList *list, SrmResourceType t);

    // Number of members of the kinds a group record carries (all kinds except
    // volume managers and aliases).
    int getRecordedMemberCount();

    // Writes the group record ("Type", "Id"; full form also "ChildServiceGroup"
    // and "ResourceCount") and, unless bit 0x2 of `flags` is set, one short
    // record per carried member: disks, chunks, volumes, file systems, mount
    // points, shares, computers, virtual servers, volume groups, each kind in Id
    // order. Bit 0x1 selects the short form. 1 on success; 0 without a database;
    // 0 with (EIO, "Failed to serialize Service Group") on a failed write; 0 at the
    // first member whose write fails.
    int serialize(int fd, int flags);

    // Fills the group from its record (not owned) and reads the member records
    // that follow from the database's attached reader; members are looked up in
    // the database. A "ChildServiceGroup" the database lacks is created there,
    // empty. 1 on success; 0 with (EINVAL, "Failed to deserialize Service Group") for
    // a null record or when fewer members were found than announced (those found
    // stay); 0 when members are announced and there is no database or reader.
    int deserialize(int fd, CSRMReportTuple *record);

    // Every reported member must be a resource of the database of the kind it is
    // filed under. Defined with the database's integrity check.
    int checkIntegrity();

  private:
    // True when walking the next-group chain from `start` reaches this group.
    bool chainReaches(SrmServiceGroup *start) const;
    void report(int code, const char *message);

    std::unique_ptr<SrmResourceList> members;
    std::string name;
    SrmServiceGroup *next = nullptr;
    SrmResourceDatabase *db = nullptr;
    std::map<std::string, SrmServiceGroup *> parents;
};

#endif
