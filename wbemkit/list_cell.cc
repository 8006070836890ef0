#include "wbemkit/internal/list_cell.h"

#include <new>

namespace wbemkit {

namespace {

ListCell *cellOf(CCIMList *node) {
    return reinterpret_cast<ListCell *>(node);
}

CCIMList *newNode(Pool &pool, void *element) {
    void *memory = pool.newRecord(sizeof(ListCell));
    if (memory == nullptr) {
        return nullptr;
    }
    auto *cell = new (memory) ListCell{};
    cell->node.mDataObject = element;
    return &cell->node;
}

bool isEmpty(const CCIMList *list) {
    return list->mDataObject == nullptr && list->mNext == nullptr;
}

// The list's last node. The hint is trusted while it still ends a chain; a
// first node without one (the rest of a hand cut) or a hint overtaken by a
// hand-made append costs one walk, after which appends are O(1) again.
CCIMList *lastNode(CCIMList *list) {
    CCIMList *last = cellOf(list)->last;
    if (last == nullptr || last->mNext != nullptr) {
        last = list;
        while (last->mNext != nullptr) {
            last = last->mNext;
        }
        cellOf(list)->last = last;
    }
    return last;
}

}  // namespace

CCIMList *listCreate(Pool &pool) noexcept {
    CCIMList *list = newNode(pool, nullptr);
    if (list != nullptr) {
        cellOf(list)->last = list;
    }
    return list;
}

CCIMList *listAppend(Pool &pool, CCIMList *list, void *element) noexcept {
    if (isEmpty(list)) {
        list->mDataObject = element;
        cellOf(list)->last = list;
        return list;
    }
    CCIMList *node = newNode(pool, element);
    if (node == nullptr) {
        return nullptr;
    }
    lastNode(list)->mNext = node;
    cellOf(list)->last = node;
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
        cellOf(list)->last = list;
        return list;
    }
    CCIMList *node = newNode(pool, element);
    if (node == nullptr) {
        return nullptr;
    }
    node->mNext = list;
    // The hint moves to the new first node; the old one becomes an inner
    // node and must not keep a hint that a later cut could make stale.
    cellOf(node)->last = cellOf(list)->last;
    cellOf(list)->last = nullptr;
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
    cellOf(list)->last = end;
    cellOf(rest)->last = last;
    return rest;
}

void listFree(RecordRelease &release, CCIMList *list,
              void (*freeElement)(RecordRelease &, void *)) noexcept {
    while (list != nullptr) {
        CCIMList *next = list->mNext;
        if (list->mDataObject != nullptr) {
            freeElement(release, list->mDataObject);
        }
        release.free(list, sizeof(ListCell));
        list = next;
    }
}

}  // namespace wbemkit
