// The computer's record, field by field (SrmFieldTable.h). The records of its
// resources and service groups that follow it are the computer's own
// (SrmComputer::serialize, deserialize).
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMCOMPUTERFIELDS_H
#define INVENTORY_KINDS_INTERNAL_SRMCOMPUTERFIELDS_H

#include "inventory/kinds/SrmComputer.h"
#include "inventory/kinds/internal/SrmFieldTable.h"
#include "inventory/model/SrmResourceList.h"

struct SrmComputerFields {
    using F = SrmFieldRows<SrmComputer>;
    using K = SrmComputer;
    // The counts of the records that follow, as read.
    static constexpr uint8_t kResourceCount = 0;
    static constexpr uint8_t kGroupCount = 1;

    // The kinds of resource a computer record is followed by, in written order.
    // Computers never live on a computer, and aliases are not written: counting
    // them in "ResourceCount" would make the reader take records that are not
    // there, swallowing the records after the computer's.
    static constexpr SrmResourceType kWrittenKinds[] = {
        SRM_RES_DISK,   SRM_RES_DISKCHUNK,     SRM_RES_VOLUMEMANAGER,
        SRM_RES_VOLUME, SRM_RES_FILESYSTEM,    SRM_RES_MOUNTPOINT,
        SRM_RES_SHARE,  SRM_RES_VIRTUALSERVER, SRM_RES_VOLUMEGROUP,
    };

    static bool hasResourceList(const K &c) { return c.resources != nullptr; }
    static long long resourceCount(const K &c) {
        long long n = 0;
        for (SrmResourceType t : kWrittenKinds) {
            n += c.resources ? c.resources->getTypeCount(t) : 0;
        }
        return n;
    }
    static long long groupCount(const K &c) {
        return static_cast<long long>(c.serviceGroups.size());
    }

    // Texts are taken from a newcomer when not empty, numbers when set (not
    // 0; the node numbers not -1). Id, PubId, LId and state stay.
    static constexpr SrmField<K> rows[] = {
        F::word(SRM_KEY_System),
        F::id(),
        F::pubId(),
        F::state(SrmMerge::Keep),
        F::lid(),
        F::text(SRM_KEY_HostName, &K::HostName, SrmMerge::IfSet),
        F::number(SRM_KEY_RAMMB, &K::RAMMB, SrmMerge::IfSet),
        F::number(SRM_KEY_SwapMB, &K::SwapMB, SrmMerge::IfSet),
        F::number(SRM_KEY_AddrSpaceMB, &K::AddrSpaceMB, SrmMerge::IfSet),
        F::size(SRM_KEY_CapacityKB, &K::CapacityKB, SrmMerge::IfSet),
        F::size(SRM_KEY_FreeSpaceKB, &K::FreeSpaceKB, SrmMerge::IfSet),
        F::number(SRM_KEY_ProcCount, &K::ProcCount, SrmMerge::IfSet),
        F::number(SRM_KEY_ProcSpeedMHz, &K::ProcSpeedMHz, SrmMerge::IfSet),
        F::text(SRM_KEY_CPUInfo, &K::CPUInfo, SrmMerge::IfSet),
        F::text(SRM_KEY_HWInfo, &K::HWInfo, SrmMerge::IfSet),
        F::text(SRM_KEY_OS, &K::OS, SrmMerge::IfSet),
        F::text(SRM_KEY_OSInfo, &K::OSInfo, SrmMerge::IfSet),
        F::text(SRM_KEY_MgmtURL, &K::MgmtURL, SrmMerge::IfSet),
        F::text(SRM_KEY_DisplayMgmtURL, &K::DisplayMgmtURL, SrmMerge::IfSet),
        F::text(SRM_KEY_HostId, &K::HostId, SrmMerge::IfSet),
        F::text(SRM_KEY_IPAddr, &K::IPAddr, SrmMerge::IfSet),
        F::number(SRM_KEY_NodeId, &K::NodeId, SrmMerge::IfKnown),
        F::number(SRM_KEY_LLTId, &K::LLTId, SrmMerge::IfKnown),
        F::writtenWhen(F::count(SRM_KEY_ResourceCount, resourceCount, kResourceCount),
                       hasResourceList),
        F::count(SRM_KEY_SGCount, groupCount, kGroupCount),
        F::number(SRM_KEY_TIM, &K::TIM, SrmMerge::IfSet),
    };
    static constexpr auto table = srmFieldTable(SRM_RES_COMPUTER, rows);
};

#endif
