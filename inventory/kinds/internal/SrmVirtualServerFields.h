// The virtual server's record, field by field (SrmFieldTable.h).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMVIRTUALSERVERFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMVIRTUALSERVERFIELDS_H

#include <string>
#include <string_view>

#include "inventory/kinds/SrmVirtualServer.h"
#include "inventory/kinds/internal/SrmFieldTable.h"
#include "inventory/model/SrmServiceGroup.h"

struct SrmVirtualServerFields {
    using F = SrmFieldRows<SrmVirtualServer>;
    using K = SrmVirtualServer;

    // "ServiceGroup" names the group held, when there is one; read, it links
    // the bound database's group of that name, and is dropped when there is
    // none.
    static bool holdsGroup(const K &v) { return v.getServiceGroup() != nullptr; }
    static const std::string *groupName(const K &v) { return &v.getServiceGroup()->getName(); }
    static void readGroup(K &v, std::string_view name) {
        if (v.db != nullptr) {
            v.setServiceGroup(v.db->findServiceGroup(std::string(name)));
        }
    }

    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_VirtualServer),
        F::id(),
        F::pubId(),
        F::state(SrmMerge::Keep),
        F::text(SRM_KEY_HostName, &K::HostName, SrmMerge::IfSet),
        F::text(SRM_KEY_IPAddr, &K::IPAddr, SrmMerge::IfSet),
        F::text(SRM_KEY_Name, &K::Name, SrmMerge::IfSet),
        F::writtenWhen(
            F::textBy(F::readBy(F::text(SRM_KEY_ServiceGroup, nullptr, SrmMerge::Keep), readGroup),
                      groupName),
            holdsGroup),
        // Read and merged, never written.
        F::readOnly(F::number(SRM_KEY_Port, &K::Port, SrmMerge::IfSet)),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_VIRTUALSERVER, rows);
};

#endif
