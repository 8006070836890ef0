#include "inventory/model/SrmResourceList.h"

#include <cassert>
#include <new>

#include "inventory/model/internal/SrmIdIndex.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

SrmResourceList::SrmResourceList(SrmResourceDatabase *db) : db(db) {}

SrmResourceList::~SrmResourceList() {
    releaseAll();
}

// A resource's destructor may reach back into lists, so each map is detached
// before its entries are released.
void SrmResourceList::releaseAll() {
    index.reset();
    for (auto &kind : kinds) {
        SrmResourceIdMap detached;
        detached.swap(kind.second);
        for (auto &entry : detached) {
            entry.second->Release();
        }
    }
}

int SrmResourceList::addResource(SrmResource *r) {
    if (r == nullptr || r->type == SRM_RES_NONE || r->Id.empty()) {
        return 0;
    }
    if (index) {
        index->prefetch(r->type, r->Id);
    }
    auto kind = kinds.find(r->type);
    bool created = false;
    try {
        if (kind == kinds.end()) {
            kind = kinds.emplace(r->type, SrmResourceIdMap()).first;
            created = true;
        }
        SrmResourceIdMap &ids = kind->second;
        // Ids often arrive in ascending order (a database file is written so):
        // appending after the last entry then needs no search at all, and any
        // other new id one search that also gives the place to insert.
        auto entry = ids.end();
        if (!ids.empty() && !(ids.rbegin()->first < r->Id)) {
            entry = ids.lower_bound(r->Id);
        }
        if (entry == ids.end() || entry->first != r->Id) {
            entry = ids.emplace_hint(entry, r->Id, r);
            if (!indexEntry(r->type, ids, entry)) {
                ids.erase(entry);
                throw std::bad_alloc();
            }
            // Once built, the index holds exactly the maps' entries.
            assert(!index || index->size() == static_cast<std::size_t>(getResourceCount()));
            r->AddRef();
            return 1;
        }
        // Adding what is already stored takes no second reference: the entry can
        // only ever give one back.
        if (entry->second != r) {
            // The index points at the entry itself and needs no change.
            SrmResource *replaced = entry->second;
            entry->second = r;
            r->AddRef();
            replaced->Release();
        }
        return 1;
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        // A kind appears only with its first entry.
        if (created) {
            kinds.erase(kind);
        }
        return 0;
    }
}

bool SrmResourceList::indexEntry(SrmResourceType t, SrmResourceIdMap &ids,
                                 SrmResourceIdMap::iterator entry) {
    try {
        if (index) {
            index->insert(t, ids, entry);
            return true;
        }
        std::size_t total = 0;
        for (const auto &kind : kinds) {
            total += kind.second.size();
        }
        if (total < kIndexFrom) {
            return true;
        }
        std::unique_ptr<SrmIdIndex> built(new SrmIdIndex());
        built->reserve(total);
        for (auto &kind : kinds) {
            for (auto id = kind.second.begin(); id != kind.second.end(); ++id) {
                built->insert(kind.first, kind.second, id);
            }
        }
        index = std::move(built);
        return true;
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return false;
    }
}

SrmResource *SrmResourceList::findResource(SrmResourceType t, const std::string &id) const {
    if (index) {
        SrmIdIndex::Entry *hit = index->find(t, id);
        return hit == nullptr ? nullptr : hit->second;
    }
    auto kind = kinds.find(t);
    if (kind == kinds.end()) {
        return nullptr;
    }
    auto entry = kind->second.find(id);
    return entry == kind->second.end() ? nullptr : entry->second;
}

int SrmResourceList::removeResource(SrmResourceType t, const std::string &id) {
    auto kind = kinds.find(t);
    if (kind == kinds.end()) {
        return 0;
    }
    auto entry = kind->second.find(id);
    if (entry == kind->second.end()) {
        return 0;
    }
    SrmResource *removed = entry->second;
    if (index) {
        index->erase(t, entry);
    }
    kind->second.erase(entry);
    assert(!index || index->size() == static_cast<std::size_t>(getResourceCount()));
    removed->Release();
    return 1;
}

int SrmResourceList::removeResource(SrmResourceType t, SrmResource *r) {
    if (r == nullptr || kinds.find(t) == kinds.end()) {
        return 0;
    }
    // The copy keeps the key alive should `r` itself die in the release.
    removeResource(t, std::string(r->Id));
    return 1;
}

int SrmResourceList::removeAllResources() {
    releaseAll();
    return 1;
}

int SrmResourceList::getResourceCount() const {
    size_t count = 0;
    for (const auto &kind : kinds) {
        count += kind.second.size();
    }
    return static_cast<int>(count);
}

int SrmResourceList::getTypeCount(SrmResourceType t) const {
    auto kind = kinds.find(t);
    return kind == kinds.end() ? 0 : static_cast<int>(kind->second.size());
}

SrmResourceIdMap *SrmResourceList::getSrmResourceIdMap(SrmResourceType t) {
    auto kind = kinds.find(t);
    return kind == kinds.end() ? nullptr : &kind->second;
}

int SrmResourceList::mergeKind(const SrmResourceIdMap &others) {
    for (const auto &entry : others) {
        SrmResource *other = entry.second;
        SrmResource *held = findResource(other->type, other->Id);
        if (held == nullptr) {
            if (addResource(other) == 0) {
                return 0;
            }
            other->db = db;
        } else if (held->mergeResource(other) == 0) {
            return 0;
        }
    }
    return 1;
}

int SrmResourceList::mergeResources(SrmResourceList *other) {
    if (other == nullptr) {
        return 0;
    }
    for (const auto &kind : other->kinds) {
        if (mergeKind(kind.second) == 0) {
            return 0;
        }
    }
    return 1;
}

int SrmResourceList::mergeResources(SrmResourceList *other, SrmResourceType t) {
    if (other == nullptr) {
        return 0;
    }
    auto kind = other->kinds.find(t);
    if (kind == other->kinds.end()) {
        return 0;
    }
    return mergeKind(kind->second);
}

void SrmResourceList::setAllResourceState(long bits) {
    for (auto &kind : kinds) {
        for (auto &entry : kind.second) {
            entry.second->state |= static_cast<uint32_t>(bits);
        }
    }
}

void SrmResourceList::unsetAllResourceState(long bits) {
    for (auto &kind : kinds) {
        for (auto &entry : kind.second) {
            entry.second->state &= ~static_cast<uint32_t>(bits);
        }
    }
}
