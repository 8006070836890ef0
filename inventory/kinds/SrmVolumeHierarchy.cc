// What keeps a volume hierarchy sound at any depth: the record of holders that
// makes the loop check cheap, the loop check itself, and the merge queue that
// keeps the machine stack flat however deep a file nests volumes. (The teardown
// queue, which does the same for a volume's death, is with its destructor.)
#include <algorithm>
#include <cassert>
#include <new>
#include <unordered_set>
#include <utility>
#include <vector>

#include "inventory/kinds/SrmVolume.h"
#include "inventory/model/SrmResourceList.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

namespace {

// Up to this many holders a volume finds one by looking through them all.
constexpr std::size_t kHolderIndexFrom = 8;

SrmResourceIdMap *subVolumesOf(SrmResourceList *list) {
    return list != nullptr ? list->getSrmResourceIdMap(SRM_RES_VOLUME) : nullptr;
}

// Pairs of volumes under the same Id that a sub-volume list merge found: the
// first absorbs the second. Both are held by one reference each while they
// wait. The outermost list merge works through them, so merging two
// hierarchies of any depth stays a few frames deep.
using MergePair = std::pair<SrmVolume *, SrmVolume *>;

struct MergeAgenda {
    std::vector<MergePair> pairs;
    bool running = false;
};

MergeAgenda &agenda() {
    thread_local MergeAgenda queue;
    return queue;
}

void releasePair(const MergePair &p) {
    p.first->Release();
    p.second->Release();
}

// Runs `found` (held pairs) now when no merge runs on this thread, else puts
// them on the running merge's agenda, in reverse so that they are taken in
// list order and each one's own sub-volumes before the next: the order a
// merge one level inside the other would have. The agenda has room for them
// (makeRoomOnAgenda).
void mergePairs(const std::vector<MergePair> &found) {
    MergeAgenda &queue = agenda();
    for (auto p = found.rbegin(); p != found.rend(); ++p) {
        queue.pairs.push_back(*p);
    }
    if (queue.running) {
        return;
    }
    queue.running = true;
    while (!queue.pairs.empty()) {
        MergePair next = queue.pairs.back();
        queue.pairs.pop_back();
        next.first->mergeResource(next.second);
        releasePair(next);
    }
    queue.running = false;
}

// Room for `more` pairs on the agenda, growing it by doubling; throws
// std::bad_alloc.
void makeRoomOnAgenda(std::size_t more) {
    std::vector<MergePair> &pairs = agenda().pairs;
    if (pairs.capacity() - pairs.size() < more) {
        pairs.reserve(std::max(pairs.capacity() * 2, pairs.size() + more));
    }
}

}  // namespace

// The two sides of the loop check, which follow the links of SrmVolume.
class SrmVolumeSearch {
  public:
    enum Step { kFound, kGoesOn, kDone };

    // One side of the loop check: a breadth-first search that advances one link
    // per step, so that two of them can take turns.
    class Search {
      public:
        explicit Search(SrmVolume *start) {
            seen.insert(start);
            queue.push_back(start);
        }

      protected:
        // Enters `v` unless seen before; kFound when it is `goal`.
        Step reach(SrmVolume *v, const SrmVolume *goal) {
            if (v == goal) {
                return kFound;
            }
            if (v != nullptr && seen.insert(v).second) {
                queue.push_back(v);
            }
            return kGoesOn;
        }

        std::unordered_set<const SrmVolume *> seen;
        std::vector<SrmVolume *> queue;
        std::size_t at = 0;  // the volume whose links are being followed
    };

    // Upward, through the holders: the ancestors of `start`.
    class Up : public Search {
      public:
        using Search::Search;
        Step step(const SrmVolume *goal) {
            while (at < queue.size()) {
                const std::vector<SrmVolume *> &holders = queue[at]->holders;
                if (edge < holders.size()) {
                    return reach(holders[edge++], goal);
                }
                ++at;
                edge = 0;
            }
            return kDone;
        }

      private:
        std::size_t edge = 0;
    };

    // Downward, through the sub-volume lists: the descendants of `start`.
    class Down : public Search {
      public:
        using Search::Search;
        Step step(const SrmVolume *goal) {
            for (;;) {
                if (map != nullptr && next != map->end()) {
                    SrmResource *r = (next++)->second;
                    return reach(dynamic_cast<SrmVolume *>(r), goal);
                }
                if (at == queue.size()) {
                    return kDone;
                }
                map = subVolumesOf(queue[at++]->subVolumes);
                if (map != nullptr) {
                    next = map->begin();
                }
            }
        }

      private:
        SrmResourceIdMap *map = nullptr;
        SrmResourceIdMap::iterator next;
    };
};

bool SrmVolume::wouldLoop(SrmVolume *sub) {
    if (sub == this) {
        return true;
    }
    // A volume nothing holds lies below no volume; a volume holding nothing
    // has nothing below it. Either way no loop can close.
    SrmResourceIdMap *below = subVolumesOf(sub->subVolumes);
    if (holders.empty() || below == nullptr || below->empty()) {
        return false;
    }
    try {
        SrmVolumeSearch::Up ancestors(this);
        SrmVolumeSearch::Down descendants(sub);
        for (;;) {
            SrmVolumeSearch::Step up = ancestors.step(sub);
            if (up != SrmVolumeSearch::kGoesOn) {
                return up == SrmVolumeSearch::kFound;
            }
            SrmVolumeSearch::Step down = descendants.step(this);
            if (down != SrmVolumeSearch::kGoesOn) {
                return down == SrmVolumeSearch::kFound;
            }
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        // Callers refuse the link on a true answer: doubt counts as a loop.
        return true;
    }
}

bool SrmVolume::hasHolder(const SrmVolume *h) const {
    if (holderIndex != nullptr) {
        return holderIndex->count(h) != 0;
    }
    for (const SrmVolume *held : holders) {
        if (held == h) {
            return true;
        }
    }
    return false;
}

bool SrmVolume::addHolder(SrmVolume *h) {
    if (hasHolder(h)) {
        return true;
    }
    try {
        holders.push_back(h);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return false;
    }
    try {
        if (holderIndex != nullptr) {
            holderIndex->emplace(h, holders.size() - 1);
        } else if (holders.size() > kHolderIndexFrom) {
            auto index = std::make_unique<std::unordered_map<const SrmVolume *, std::size_t>>();
            for (std::size_t i = 0; i < holders.size(); ++i) {
                index->emplace(holders[i], i);
            }
            holderIndex = std::move(index);
        }
    } catch (const std::bad_alloc &) {
        // An index that cannot hold every holder would miss some: drop it
        // rather than the holder (lookups only get slower).
        holderIndex.reset();
    }
    assert(holderIndex == nullptr || holderIndex->size() == holders.size());
    return true;
}

void SrmVolume::removeHolder(const SrmVolume *h) {
    std::size_t place = holders.size();
    if (holderIndex != nullptr) {
        auto hit = holderIndex->find(h);
        if (hit != holderIndex->end()) {
            place = hit->second;
            holderIndex->erase(hit);
        }
    } else {
        for (std::size_t i = 0; i < holders.size(); ++i) {
            if (holders[i] == h) {
                place = i;
                break;
            }
        }
    }
    if (place == holders.size()) {
        return;
    }
    // The last holder takes the freed place, so removal never shifts the rest.
    holders[place] = holders.back();
    holders.pop_back();
    if (holderIndex != nullptr && place < holders.size()) {
        (*holderIndex)[holders[place]] = place;
    }
    assert(holderIndex == nullptr || holderIndex->size() == holders.size());
}

int SrmVolume::link(SrmVolume *sub) {
    // Callers have made sure the link closes no loop.
    assert(sub != nullptr && sub != this && subVolumes != nullptr);
    SrmResource *stored = subVolumes->findResource(SRM_RES_VOLUME, sub->Id);
    bool known = sub->hasHolder(this);
    if (!sub->addHolder(this)) {
        return 0;
    }
    // The replaced volume may die in the list's release; it is held until it
    // has forgotten this holder.
    if (stored != nullptr && stored != sub) {
        stored->AddRef();
    }
    int added = subVolumes->addResource(sub);
    if (added == 0 && !known) {
        sub->removeHolder(this);
    }
    if (stored != nullptr && stored != sub) {
        if (added != 0) {
            unlink(stored);
        }
        stored->Release();
    }
    assert(added == 0 || sub->hasHolder(this));
    return added;
}

void SrmVolume::unlink(SrmResource *stored) {
    if (auto *v = dynamic_cast<SrmVolume *>(stored)) {
        v->removeHolder(this);
    }
}

// The list merge, one volume at a time, so that each newcomer can be checked
// for a loop before it is linked. Newcomers under an Id
// this list already holds by another volume are merged into it afterwards,
// from the merge agenda.
int SrmVolume::mergeSubVolumeList(SrmResourceList *l) {
    if (l == nullptr || subVolumes == nullptr) {
        return 0;
    }
    if (db != nullptr) {
        subVolumes->setDb(db);
    }
    SrmResourceIdMap *others = l->getSrmResourceIdMap(SRM_RES_VOLUME);
    if (others == nullptr) {
        return 1;
    }
    // The merges below may change `l` (it can be this very list when a volume
    // absorbs itself), so the newcomers are taken first and held meanwhile.
    std::vector<SrmResource *> newcomers;
    std::vector<MergePair> pairs;
    try {
        newcomers.reserve(others->size());
        pairs.reserve(others->size());
        makeRoomOnAgenda(others->size());
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    for (auto &entry : *others) {
        entry.second->AddRef();
        newcomers.push_back(entry.second);
    }
    int result = 1;
    for (SrmResource *o : newcomers) {
        if (result == 0) {
            continue;
        }
        auto *sub = dynamic_cast<SrmVolume *>(o);
        SrmResource *held = subVolumes->findResource(SRM_RES_VOLUME, o->Id);
        auto *heldVolume = dynamic_cast<SrmVolume *>(held);
        if (held == nullptr) {
            // Only a new link can close a loop; a merge into the volume held
            // under the same Id links nothing itself, and each sub-volume it
            // brings is checked when that merge links it.
            if (sub != nullptr && wouldLoop(sub)) {
                continue;
            }
            int added = sub != nullptr ? link(sub) : subVolumes->addResource(o);
            if (added == 0) {
                result = 0;
            } else if (subVolumes->getDb() != nullptr) {
                o->db = subVolumes->getDb();
            }
        } else if (heldVolume != nullptr && sub != nullptr && heldVolume != sub &&
                   o->type == SRM_RES_VOLUME) {
            // A volume merge cannot be refused; only its depth is put off.
            heldVolume->AddRef();
            sub->AddRef();
            pairs.emplace_back(heldVolume, sub);
        } else if (held->mergeResource(o) == 0) {
            result = 0;
        }
    }
    for (SrmResource *o : newcomers) {
        o->Release();
    }
    mergePairs(pairs);
    return result;
}
