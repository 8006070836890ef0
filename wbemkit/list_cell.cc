#include "wbemkit/internal/list_cell.h"

#include <new>

namespace wbemkit {

namespace {

// The node's cell when it has room for a hint, else null.
ListCell *cellOf(CCIMList *node) {
    return blockOf(node)->kind == BlockKind::kRecords ? reinterpret_cast<ListCell *>(node)
                                                      : nullptr;
}

std::size_t cellSize(CCIMList *node) {
    return cellOf(node) != nullptr ? sizeof(ListCell) : sizeof(CCIMList);
}

CCIMList *newNode(Pool &pool, void *element, NodeCell kind) {
    if (kind == NodeCell::kShort) {
        void *memory = pool.newShortCell();
        return memory != nullptr ? new (memory) CCIMList{element, nullptr} : nullptr;
    }
    void *memory = pool.newRecord(sizeof(ListCell));
    return memory != nullptr ? &(new (memory) ListCell{{element, nullptr}, nullptr})->node
                             : nullptr;
}

// Keeps `last` as the hint of `list` when its first node has room for one.
void setHint(CCIMList *list, CCIMList *last) {
    if (ListCell *cell = cellOf(list)) {
        cell->last = last;
    }
}

bool isEmpty(const CCIMList *list) {
    return list->mDataObject == nullptr && list->mNext == nullptr;
}

// The list's last node. The hint is trusted while it still ends a chain; a
// first node without one (the rest of a hand cut) or a hint overtaken by a
// hand-made append costs one walk, after which appends are O(1) again.
CCIMList *lastNode(CCIMList *list) {
    ListCell *cell = cellOf(list);
    CCIMList *last = cell != nullptr ? cell->last : nullptr;
    if (last == nullptr || last->mNext != nullptr) {
        last = list;
        while (last->mNext != nullptr) {
            last = last->mNext;
        }
        setHint(list, last);
    }
    return last;
}

}  // namespace

CCIMList *listCreate(Pool &pool) noexcept {
    CCIMList *list = newNode(pool, nullptr, NodeCell::kListCell);
    if (list != nullptr) {
        setHint(list, list);
    }
    return list;
}

CCIMList *listAppend(Pool &pool, CCIMList *list, void *element, NodeCell kind) noexcept {
    if (isEmpty(list)) {
        list->mDataObject = element;
        setHint(list, list);
        return list;
    }
    CCIMList *node = newNode(pool, element, kind);
    if (node == nullptr) {
        return nullptr;
    }
    lastNode(list)->mNext = node;
    setHint(list, node);
    return list;
}

CCIMList *listPrepend(Pool &pool, CCIMList *list, void *element) noexcept {
    if (list == nullptr) {
        list = listCreate(pool);
        if (list == nullptr) {
            return nullptr;
        }
    }
    if (isEmpty(list)) {
        list->mDataObject = element;
        setHint(list, list);
        return list;
    }
    CCIMList *node = newNode(pool, element, NodeCell::kListCell);
    if (node == nullptr) {
        return nullptr;
    }
    node->mNext = list;
    // The hint moves to the new first node; the old one becomes an inner
    // node and must not keep a hint that a later cut could make stale.
    ListCell *old = cellOf(list);
    setHint(node, old != nullptr ? old->last : nullptr);
    setHint(list, nullptr);
    return node;
}

CCIMList *listSplit(CCIMList *list, int count) noexcept {
    CCIMList *last = lastNode(list);
    CCIMList *end = list;
    for (int i = 1; i < count && end != nullptr; ++i) {
        end = end->mNext;
    }
    if (end == nullptr || end->mNext == nullptr) {
        return nullptr;
    }
    CCIMList *rest = end->mNext;
    end->mNext = nullptr;
    setHint(list, end);
    setHint(rest, last);
    return rest;
}

void listFree(RecordRelease &release, CCIMList *list,
              void (*freeElement)(RecordRelease &, void *)) noexcept {
    // The elements of a long list (a report's instances) lie anywhere in the
    // heap, in an order of their own: each would wait for memory. The element
    // some nodes ahead, and the records made right after it, are asked for
    // early instead.
    constexpr int kAhead = 8;
    CCIMList *ahead = list;
    for (int i = 0; i < kAhead && ahead != nullptr; ++i) {
        ahead = ahead->mNext;
    }
    while (list != nullptr) {
        if (ahead != nullptr) {
            const char *element = static_cast<const char *>(ahead->mDataObject);
            if (element != nullptr) {
                for (int line = 0; line < 4; ++line) {
                    __builtin_prefetch(element + 64 * line);
                }
            }
            ahead = ahead->mNext;
        }
        CCIMList *next = list->mNext;
        if (list->mDataObject != nullptr) {
            freeElement(release, list->mDataObject);
        }
        release.free(list, cellSize(list));
        list = next;
    }
}

}  // namespace wbemkit
