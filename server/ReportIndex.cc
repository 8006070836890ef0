#include "server/ReportIndex.h"

#include <new>
#include <tuple>

#include "inventory/cimxml/imethod.h"

namespace ulvar_server {

using nmspc_cim::CCIMInstance;
using nmspc_cim::CCIMList;
using nmspc_cim::CCIMProperty;

std::unique_ptr<ReportIndex> ReportIndex::build(std::vector<CCIMList *> lists, std::string *why) {
    std::unique_ptr<ReportIndex> index(new (std::nothrow) ReportIndex());
    if (!index) {
        for (CCIMList *list : lists) {
            nmspc_cim::cim_freeInstanceList(list);
        }
        *why = "out of memory while indexing the report";
        return nullptr;
    }
    index->owned = std::move(lists);
    try {
        const ClassTable &table = ClassTable::schema();
        index->byClass.resize(table.size());
        std::size_t count = 0;
        for (CCIMList *list : index->owned) {
            for (CCIMList *node = list; node != nullptr; node = node->mNext) {
                count += node->mDataObject != nullptr;
            }
        }
        // At most half full, so that a probe ends soon.
        std::size_t slotCount = 16;
        while (slotCount < 2 * count) {
            slotCount *= 2;
        }
        index->slots.assign(slotCount, kNone);
        index->entries.reserve(count);
        for (CCIMList *list : index->owned) {
            for (CCIMList *node = list; node != nullptr; node = node->mNext) {
                auto *instance = static_cast<CCIMInstance *>(node->mDataObject);
                if (instance == nullptr) {
                    continue;
                }
                if (marshallPrepareInstance(instance) != 0) {
                    throw std::bad_alloc();
                }
                index->add(table, instance);
            }
        }
        index->link();
    } catch (const std::bad_alloc &) {
        *why = "out of memory while indexing the report";
        return nullptr;
    }
    return index;
}

ReportIndex::~ReportIndex() {
    for (CCIMList *list : owned) {
        nmspc_cim::cim_freeInstanceList(list);
    }
}

void ReportIndex::add(const ClassTable &table, CCIMInstance *instance) {
    const std::string form = comparedForm(instance);
    const uint64_t hash = hashOf(form);
    if (lookup(form, hash) != kNone) {
        ++duplicateCount;
        return;
    }
    const int classId = instance->mClassName != nullptr ? table.find(instance->mClassName) : -1;
    const auto i = static_cast<uint32_t>(entries.size());
    entries.push_back({instance, hash, classId});
    if (classId >= 0) {
        byClass[classId].push_back(i);
    }
    const std::size_t mask = slots.size() - 1;
    std::size_t at = hash & mask;
    while (slots[at] != kNone) {
        at = (at + 1) & mask;
    }
    slots[at] = i;
}

uint32_t ReportIndex::lookup(const std::string &form, uint64_t hash) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t at = hash & mask; slots[at] != kNone; at = (at + 1) & mask) {
        const Entry &entry = entries[slots[at]];
        if (entry.hash == hash && comparedForm(entry.instance) == form) {
            return slots[at];
        }
    }
    return kNone;
}

uint32_t ReportIndex::find(const InstanceName &name) const {
    const std::string form = comparedForm(name);
    return lookup(form, hashOf(form));
}

const std::vector<uint32_t> &ReportIndex::ofClass(int id) const {
    static const std::vector<uint32_t> none;
    return id >= 0 && id < static_cast<int>(byClass.size()) ? byClass[id] : none;
}

void ReportIndex::link() {
    // Every reference that names an instance: from, to, property ordinal.
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> found;
    for (uint32_t i = 0; i < entries.size(); ++i) {
        uint32_t ordinal = 0;
        for (CCIMList *node = entries[i].instance->mProperties; node != nullptr;
             node = node->mNext, ++ordinal) {
            auto *p = static_cast<CCIMProperty *>(node->mDataObject);
            if (p == nullptr || p->mType != nmspc_cim::CIM_REFERENCE || p->mObjPath == nullptr) {
                continue;
            }
            const std::string form = comparedForm(p->mObjPath);
            uint32_t target = lookup(form, hashOf(form));
            if (target == kNone) {
                ++danglingCount;
            } else {
                found.emplace_back(i, target, ordinal);
            }
        }
    }
    // Grouped by instance with a counting sort, in both directions.
    const std::size_t n = entries.size();
    referenceStart.assign(n + 1, 0);
    referrerStart.assign(n + 1, 0);
    for (const auto &f : found) {
        ++referenceStart[std::get<0>(f) + 1];
        ++referrerStart[std::get<1>(f) + 1];
    }
    for (std::size_t i = 0; i < n; ++i) {
        referenceStart[i + 1] += referenceStart[i];
        referrerStart[i + 1] += referrerStart[i];
    }
    referenceLinks.resize(found.size());
    referrerLinks.resize(found.size());
    std::vector<uint32_t> nextReference(referenceStart.begin(), referenceStart.end() - 1);
    std::vector<uint32_t> nextReferrer(referrerStart.begin(), referrerStart.end() - 1);
    for (const auto &f : found) {
        uint32_t from = std::get<0>(f), to = std::get<1>(f), ordinal = std::get<2>(f);
        referenceLinks[nextReference[from]++] = {to, ordinal};
        referrerLinks[nextReferrer[to]++] = {from, ordinal};
    }
}

std::vector<ReportIndex::Link> ReportIndex::referrers(uint32_t i) const {
    return {referrerLinks.begin() + referrerStart[i], referrerLinks.begin() + referrerStart[i + 1]};
}

std::vector<ReportIndex::Link> ReportIndex::references(uint32_t i) const {
    return {referenceLinks.begin() + referenceStart[i],
            referenceLinks.begin() + referenceStart[i + 1]};
}

CCIMProperty *ReportIndex::property(uint32_t i, uint32_t ordinal) const {
    CCIMList *node = entries[i].instance->mProperties;
    for (; node != nullptr && ordinal > 0; --ordinal) {
        node = node->mNext;
    }
    return node != nullptr ? static_cast<CCIMProperty *>(node->mDataObject) : nullptr;
}

std::size_t ReportIndex::bytes() const {
    std::size_t total = entries.capacity() * sizeof(Entry) + slots.capacity() * sizeof(uint32_t) +
                        byClass.capacity() * sizeof(byClass[0]) +
                        (referrerStart.capacity() + referenceStart.capacity()) * sizeof(uint32_t) +
                        (referrerLinks.capacity() + referenceLinks.capacity()) * sizeof(Link) +
                        owned.capacity() * sizeof(CCIMList *);
    for (const std::vector<uint32_t> &members : byClass) {
        total += members.capacity() * sizeof(uint32_t);
    }
    return total;
}

}  // namespace ulvar_server
