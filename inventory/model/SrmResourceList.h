// The container of resources: kind -> Id -> resource, one reference per entry.
#ifndef INVENTORY_MODEL_SRMRESOURCELIST_H
#define INVENTORY_MODEL_SRMRESOURCELIST_H

#include <map>
#include <memory>
#include <string>

#include "inventory/model/SrmResource.h"
#include "ulvar/export.h"

class SrmResourceDatabase;
class SrmIdIndex;

// Ids of one kind, in byte-wise order (unsigned bytes; a proper prefix first).
using SrmResourceIdMap = std::map<std::string, SrmResource *>;

// Walks go by kind number, then by Id. A kind, once it had an entry, stays
// present with a possibly empty map until the list is destroyed. The list holds
// exactly one reference on every stored resource and gives it back when it drops
// the entry. Refusals are results (0 or null); the list records no error.
class ULVAR_API SrmResourceList {
  public:
    // An empty list bound to `db` (may be null; not owned).
    explicit SrmResourceList(SrmResourceDatabase *db);
    // Releases every stored resource.
    ~SrmResourceList();

    SrmResourceList(const SrmResourceList &) = delete;
    SrmResourceList &operator=(const SrmResourceList &) = delete;

    void setDb(SrmResourceDatabase *db) { this->db = db; }
    SrmResourceDatabase *getDb() const { return db; }

    // Stores `r` under (type, Id) and takes one reference. 0 for a null `r`,
    // type SRM_RES_NONE, an empty Id, or no memory. Another object under the same
    // key is replaced and loses the list's reference; `r` already stored there
    // stays as it is and gains no second reference.
    int addResource(SrmResource *r);

    // The stored resource or null; no reference is taken for the caller.
    SrmResource *findResource(SrmResourceType t, const std::string &id) const;

    // Erases (t, id) and releases the list's reference: 1 when something was
    // removed, 0 when the kind or the id is absent.
    int removeResource(SrmResourceType t, const std::string &id);

    // Erases whatever is stored under r's Id in kind t and releases it. 1 whenever
    // `r` is non-null and kind t is present, even when no entry was found.
    int removeResource(SrmResourceType t, SrmResource *r);

    // Releases every resource; the kinds stay present. Returns 1.
    int removeAllResources();

    int getResourceCount() const;
    // Kinds present, emptied ones included.
    int getResourceTypeCount() const { return static_cast<int>(kinds.size()); }
    int getTypeCount(SrmResourceType t) const;

    // The list's own map of kind t, for walking in Id order; null when the kind
    // never had an entry. Valid until the list is destroyed; do not add or
    // remove through the list while walking it.
    SrmResourceIdMap *getSrmResourceIdMap(SrmResourceType t);

    // Walks `other` in list order: a resource this list lacks is added (both lists
    // then hold it) and gets this list's database; a resource held here under the
    // same key absorbs it through mergeResource, even when it is the same object.
    // Stops with 0 at the first refused add or merge, keeping what was done; 0
    // for a null `other`. `other` keeps all its entries.
    int mergeResources(SrmResourceList *other);
    // The same over kind t only; 0 when `other` lacks kind t.
    int mergeResources(SrmResourceList *other, SrmResourceType t);

    // OR / clear `bits` in the state of every stored resource.
    void setAllResourceState(long bits);
    void unsetAllResourceState(long bits);

  private:
    // Every entry of every kind hashed to its place in the maps, so that a
    // lookup costs the same in a list of millions as in a small one. Kept only
    // once the list reached kIndexFrom entries: below that the maps are as fast.
    static constexpr std::size_t kIndexFrom = 32;

    int mergeKind(const SrmResourceIdMap &others);
    void releaseAll();
    // Adds the new entry `entry` of kind t (in `ids`) to the index; false when
    // memory ran out.
    bool indexEntry(SrmResourceType t, SrmResourceIdMap &ids, SrmResourceIdMap::iterator entry);

    std::map<SrmResourceType, SrmResourceIdMap> kinds;
    std::unique_ptr<SrmIdIndex> index;  // null below kIndexFrom entries
    SrmResourceDatabase *db;
};

#endif
