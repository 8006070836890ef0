// The view of every kind's field table; the one place that names them all.
#include "inventory/kinds/SrmResourceFields.h"

#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "inventory/kinds/internal/SrmComputerFields.h"
#include "inventory/kinds/internal/SrmDiskChunkFields.h"
#include "inventory/kinds/internal/SrmDiskFields.h"
#include "inventory/kinds/internal/SrmFileSystemFields.h"
#include "inventory/kinds/internal/SrmIdFields.h"
#include "inventory/kinds/internal/SrmMountPointFields.h"
#include "inventory/kinds/internal/SrmShareFields.h"
#include "inventory/kinds/internal/SrmVirtualServerFields.h"
#include "inventory/kinds/internal/SrmVolumeFields.h"
#include "inventory/kinds/internal/SrmVolumeGroupFields.h"
#include "inventory/kinds/internal/SrmVolumeManagerFields.h"
#include "inventory/record/SrmRecordWriter.h"

namespace {

// Calls `use(table)` with the table of kind `t`; false for a type of no kind.
template <typename Use>
bool withTableOf(SrmResourceType t, Use use) {
    switch (t) {
        case SRM_RES_COMPUTER:
            return use(SrmComputerFields::table);
        case SRM_RES_DISK:
            return use(SrmDiskFields::table);
        case SRM_RES_DISKCHUNK:
            return use(SrmDiskChunkFields::table);
        case SRM_RES_VOLUME:
            return use(SrmVolumeFields::table);
        case SRM_RES_VOLUMEGROUP:
            return use(SrmVolumeGroupFields::table);
        case SRM_RES_VOLUMEMANAGER:
            return use(SrmVolumeManagerFields::table);
        case SRM_RES_FILESYSTEM:
            return use(SrmFileSystemFields::table);
        case SRM_RES_MOUNTPOINT:
            return use(SrmMountPointFields::table);
        case SRM_RES_SHARE:
            return use(SrmShareFields::table);
        case SRM_RES_VIRTUALSERVER:
            return use(SrmVirtualServerFields::table);
        case SRM_RES_ID:
            return use(SrmIdFields::table);
        default:
            return false;
    }
}

}  // namespace

const SrmFieldInfo *SrmKindFields(SrmResourceType t, std::size_t *count) {
    const SrmFieldInfo *fields = nullptr;
    std::size_t n = 0;
    withTableOf(t, [&](const auto &table) {
        fields = table.view;
        n = table.viewCount;
        return true;
    });
    if (count != nullptr) {
        *count = n;
    }
    return fields;
}

// A resource whose class is not the one its type names (a test's own kind,
// say) has no table.
int SrmVisitFields(const SrmResource *r, SrmFieldVisitor visit, void *context) {
    if (r == nullptr || visit == nullptr) {
        return 0;
    }
    bool known = withTableOf(r->type, [&](const auto &table) {
        using Kind = typename std::decay_t<decltype(table)>::KindType;
        const auto *kind = dynamic_cast<const Kind *>(r);
        if (kind == nullptr) {
            return false;
        }
        srmViewFields(table, *kind, visit, context);
        return true;
    });
    return known ? 1 : 0;
}

int SrmVisitMemberLists(const SrmResource *r, SrmMemberListVisitor visit, void *context) {
    if (r == nullptr || visit == nullptr) {
        return 0;
    }
    auto show = [&](const char *name, SrmResourceType kind, SrmResourceList *list,
                    const SrmServiceGroupMap *groups) {
        visit(SrmMemberList{name, kind, list, groups}, context);
    };
    if (const auto *v = dynamic_cast<const SrmVolume *>(r)) {
        show("DiskChunks", SRM_RES_DISKCHUNK, v->getDiskChunkList(), nullptr);
        show("SubVolumes", SRM_RES_VOLUME, v->getSubVolumeList(), nullptr);
    } else if (const auto *g = dynamic_cast<const SrmVolumeGroup *>(r)) {
        show("Disks", SRM_RES_DISK, g->getDiskList(), nullptr);
        show("Volumes", SRM_RES_VOLUME, g->getVolumeList(), nullptr);
    } else if (const auto *held = dynamic_cast<const SrmComputer *>(r)) {
        // The computer hands out its list from a non-const accessor only.
        auto *c = const_cast<SrmComputer *>(held);
        show("Resources", SRM_RES_NONE, c->getResourceList(), nullptr);
        show("ServiceGroups", SRM_RES_NONE, nullptr, &c->getServiceGroupMap());
    }
    return 1;
}

SrmRecordBuilder::SrmRecordBuilder(SrmResourceType kind) : kind(kind) {}

void SrmRecordBuilder::keep(Value v) {
    try {
        for (Value &held : values) {
            if (held.key == v.key) {
                held = std::move(v);
                return;
            }
        }
        values.push_back(std::move(v));
    } catch (const std::bad_alloc &) {
        failed = true;
    }
}

void SrmRecordBuilder::set(int key, std::string_view text) {
    try {
        keep(Value{key, true, std::string(text), 0});
    } catch (const std::bad_alloc &) {
        failed = true;
    }
}

void SrmRecordBuilder::set(int key, long long number) {
    keep(Value{key, false, std::string(), number});
}

int SrmRecordBuilder::format(std::string &record) const {
    record.clear();
    if (failed) {
        return 0;
    }
    SrmOutOfMemoryWatch watch;
    std::size_t placed = 0;
    bool fits = withTableOf(kind, [&](const auto &table) {
        SrmRecordWriter w(record);
        for (const auto &row : table.rows) {
            if (row.store == SrmStore::Word) {
                w.addWord(SRM_KEY_Type, row.word);
                continue;
            }
            for (const Value &v : values) {
                if (v.key != row.key) {
                    continue;
                }
                ++placed;
                if (v.isText != (row.store == SrmStore::Text)) {
                    return false;
                }
                if (row.store == SrmStore::Text) {
                    w.addText(row.key, v.text);
                } else if (row.store == SrmStore::Long) {
                    w.addLong(row.key, static_cast<long>(v.number));
                } else {
                    w.addInt(row.key, static_cast<int>(v.number));
                }
            }
        }
        return true;
    });
    if (!fits || placed != values.size() || watch.ranOut()) {
        record.clear();
        return 0;
    }
    return 1;
}
