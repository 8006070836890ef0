// The database's service groups: held by name, one reference each.
#include <new>
#include <string>

#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/model/SrmServiceGroup.h"
#include "inventory/record/internal/SrmOutOfMemory.h"

// A group without a name is refused: it could never be found or removed again,
// and its record, which then carries no "Id", is skipped by the loader, so a
// file holding it could not be read back.
int SrmResourceDatabase::addServiceGroup(SrmServiceGroup *g) {
    if (g == nullptr || g->getName().empty()) {
        return 0;
    }
    try {
        if (!serviceGroups.emplace(g->getName(), g).second) {
            return 0;
        }
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    g->AddRef();
    g->setDb(this);
    return 1;
}

SrmServiceGroup *SrmResourceDatabase::findServiceGroup(std::string name) {
    auto entry = serviceGroups.find(name);
    return entry != serviceGroups.end() ? entry->second : nullptr;
}

int SrmResourceDatabase::removeServiceGroup(std::string name) {
    if (name.empty()) {
        return 0;
    }
    auto entry = serviceGroups.find(name);
    if (entry == serviceGroups.end()) {
        return 0;
    }
    SrmServiceGroup *gone = entry->second;
    // Links are not counted: none may survive the group they point at.
    for (auto &held : serviceGroups) {
        if (held.second->getNextServiceGroup() == gone) {
            held.second->clearNextServiceGroup();
        }
        held.second->forgetParentGroup(gone);
    }
    serviceGroups.erase(entry);
    gone->Release();
    return 1;
}

int SrmResourceDatabase::setChildServiceGroup(std::string parent, std::string child) {
    if (parent.empty() || child.empty()) {
        return 0;
    }
    SrmServiceGroup *p = findServiceGroup(parent);
    SrmServiceGroup *c = findServiceGroup(child);
    if (p == nullptr || c == nullptr) {
        return 0;
    }
    p->setNextServiceGroup(c);
    return 1;
}

int SrmResourceDatabase::addServiceGroupResource(std::string name, SrmResource *r) {
    if (r == nullptr) {
        return 0;
    }
    SrmServiceGroup *g = findServiceGroup(name);
    return g != nullptr ? g->addResource(r) : 0;
}

int SrmResourceDatabase::removeAllServiceGroupResources() {
    for (auto &held : serviceGroups) {
        held.second->removeAllResources();
    }
    return static_cast<int>(serviceGroups.size());
}

int SrmResourceDatabase::removeServiceGroupResource(SrmResource *r) {
    if (r == nullptr) {
        return 0;
    }
    // Copied first: a group may hold the last reference on `r`.
    const SrmResourceType t = r->type;
    const std::string id = r->Id;
    int removed = 0;
    for (auto &held : serviceGroups) {
        removed += held.second->removeResource(t, id);
    }
    return removed;
}
