// List nodes as the library allocates them, and the list operations shared by
// instance lists, property lists and key-property lists.
//
// A node is the visible CCIMList record, alone (a short cell, 16 bytes, from a
// block of short cells) or as the first member of a ListCell, which has room
// for a hint: the first node of a list keeps in `last` a pointer to the
// list's last node, other cells keep null there. A hint that is missing or no
// longer names a last node (mNext set) is rebuilt by one walk; see cim.h for
// the one kind of hand-made change a hint cannot notice. A list always starts
// with a ListCell; the nodes after it are ListCells in instance lists (which
// may be long and are cut and appended to again) and short cells in property
// lists (a property costs 8 bytes less). A property list whose first node is
// a short cell (the rest of a cut) walks to its end at every append.
#ifndef WBEMKIT_INTERNAL_LIST_CELL_H
#define WBEMKIT_INTERNAL_LIST_CELL_H

#include "wbemkit/cim.h"
#include "wbemkit/internal/block_pool.h"

namespace wbemkit {

using nmspc_cim::CCIMList;

struct ListCell {
    CCIMList node;   // must stay first
    CCIMList *last;  // in the first node: the last node; else null
};

// The cell a node after the first is made of.
enum class NodeCell { kListCell, kShort };

// New empty list (one node, null element), or null when memory is exhausted.
// None of these functions records a failure; their callers do. Cells come
// from `pool`, the calling thread's.
CCIMList *listCreate(Pool &pool) noexcept;

// Appends non-null `element` in O(1) and returns `list`; an empty list has
// its one node filled. Null when memory is exhausted (`list` unchanged).
CCIMList *listAppend(Pool &pool, CCIMList *list, void *element, NodeCell cell) noexcept;

// Puts non-null `element` in front and returns the list's new first node;
// a null `list` makes a new list. Null when memory is exhausted (`list`
// unchanged).
CCIMList *listPrepend(Pool &pool, CCIMList *list, void *element) noexcept;

// Cuts after `count` (>= 1) nodes and returns the rest as a list of its own,
// or null when nothing follows.
CCIMList *listSplit(CCIMList *list, int count) noexcept;

// Frees every node of `list` (may be null) through `release`, handing each
// non-null element to `freeElement` first. Iterative, so any length is fine.
void listFree(RecordRelease &release, CCIMList *list,
              void (*freeElement)(RecordRelease &, void *)) noexcept;

}  // namespace wbemkit

#endif
