// Every field of a resource as its record carries it, for programs that show,
// export or generate resources without knowing each kind: the record key, the
// type and the value of each element, in record order, and the member lists a
// container holds.
//
//   SrmForEachField(resource, [](const SrmFieldValue &f) {
//       const char *key = SrmRecordKeyText(f.key);
//       if (f.type == SRM_FIELD_TEXT) { use(key, f.text); } else { use(key, f.number); }
//   });
#ifndef INVENTORY_KINDS_SRMRESOURCEFIELDS_H
#define INVENTORY_KINDS_SRMRESOURCEFIELDS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "inventory/kinds/SrmComputer.h"
#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceList.h"
#include "ulvar/export.h"

// The contract every kind keeps (the kinds' own headers add what is theirs):
//
// mergeResource(other): 0 for a null `other` or one of another kind; 1 without
// change when `other` is already marked merged or is this very resource (two
// lists sharing it); otherwise folds `other` in by the kind's rule, marks
// `other` with SRM_STATE_MERGED and returns 1 (0, `other` unmarked, when
// memory ran out). Id, PubId and LId are never merged.
//
// serialize(fd, flags): the record through the owning database's record text,
// one write(2) per record; bit 0x1 of `flags` writes the short form ("Type",
// "Id"). Empty text fields are left out, numbers are always written. 1 when
// everything was written; 0 without a database (or its buffer) or on a short
// write.
//
// deserialize(fd, record): 0 for a null record (not owned, only read; its
// cursor is rewound), and when memory ran out. Otherwise reads every element
// until one does not split into key and value, and returns 1. "State" is ORed
// into the state word; "Type" and unknown keys are ignored.
//
// The report-string operations return the empty string.

enum SrmFieldType : int {
    SRM_FIELD_TEXT = 0,    // a string
    SRM_FIELD_NUMBER = 1,  // a signed integer (fits 64 bits)
};

// One field of a kind's record: its key id (SrmRecordKeyText gives the key)
// and its type.
struct SrmFieldInfo {
    int key;
    SrmFieldType type;
};

// One field of one resource. `text` is valid during the visit only.
struct SrmFieldValue {
    int key;
    SrmFieldType type;
    std::string_view text;  // SRM_FIELD_TEXT
    long long number;       // SRM_FIELD_NUMBER
};

using SrmFieldVisitor = void (*)(const SrmFieldValue &field, void *context);

// The fields of kind `t`'s full record, in record order: "Type" first (a text,
// the kind word), "Id" next. Static data; `*count` receives their number. Null
// (and 0) for SRM_RES_NONE and the numbers of no kind.
ULVAR_API const SrmFieldInfo *SrmKindFields(SrmResourceType t, std::size_t *count);

// Hands `visit` every field SrmKindFields names for r's kind, in that order,
// with the value r's record would carry: "Type" the kind word, "State" the
// state word as a signed 32-bit number, counts of member records as they
// would be written, a reference by the Id or name it would write. Texts the
// record leaves out (empty ones, a volume's manager it did not find, a virtual
// server's group it does not hold) come as empty texts. 0 for a null `r` or
// one of a class the library does not define; else 1.
ULVAR_API int SrmVisitFields(const SrmResource *r, SrmFieldVisitor visit, void *context);

// One list of resources a container holds, as its record names them after it:
// a volume's "DiskChunks" and "SubVolumes", a volume group's "Disks" and
// "Volumes", a computer's "Resources" (every kind) and "ServiceGroups".
// Pointers are the container's own, valid while it lives and is not changed.
struct SrmMemberList {
    const char *name;
    SrmResourceType kind;              // the kind listed; SRM_RES_NONE: every kind
    SrmResourceList *list;             // null for the service groups, or when none was made
    const SrmServiceGroupMap *groups;  // the service groups by name, else null
};

using SrmMemberListVisitor = void (*)(const SrmMemberList &members, void *context);

// Hands `visit` r's member lists, in the order its record writes them; none
// for a kind that holds no members. 0 for a null `r`; else 1.
ULVAR_API int SrmVisitMemberLists(const SrmResource *r, SrmMemberListVisitor visit, void *context);

// One record of a kind made from values given in any order, for programs that
// generate records (a synthetic inventory, a test): each value goes where the
// kind's record puts it and is written as the record writes it (a text left
// out when empty, a number in decimal), "Type" first.
//
//   SrmRecordBuilder disk(SRM_RES_DISK);
//   disk.set(SRM_KEY_Id, "disk-0");
//   disk.set(SRM_KEY_CapacityKB, 1048576);
//   disk.format(text);  // "Type=Disk","Id=disk-0","CapacityKB=1048576",
//
// Keys the kind reads but never writes ("OSystem" of a volume group, "Port"
// of a virtual server) are taken too, where the kind reads them.
class ULVAR_API SrmRecordBuilder {
  public:
    explicit SrmRecordBuilder(SrmResourceType kind);

    // A later value of the same key replaces the earlier one.
    void set(int key, std::string_view text);
    void set(int key, long long number);

    // The record's elements, without the ending ";" and newline, into
    // `record` (replaced). 0, with `record` empty, when a key given is not one
    // of the kind's record or has the other type, or memory ran out.
    int format(std::string &record) const;

  private:
    struct Value {
        int key;
        bool isText;
        std::string text;
        long long number;
    };
    void keep(Value v);

    SrmResourceType kind;
    std::vector<Value> values;
    bool failed = false;
};

// The same with any callable `visit(const SrmFieldValue &)`.
template <typename Visit>
int SrmForEachField(const SrmResource *r, Visit &&visit) {
    using V = std::remove_reference_t<Visit>;
    return SrmVisitFields(
        r, [](const SrmFieldValue &f, void *c) { (*static_cast<V *>(c))(f); },
        const_cast<void *>(static_cast<const void *>(&visit)));
}

// The same with any callable `visit(const SrmMemberList &)`.
template <typename Visit>
int SrmForEachMemberList(const SrmResource *r, Visit &&visit) {
    using V = std::remove_reference_t<Visit>;
    return SrmVisitMemberLists(
        r, [](const SrmMemberList &m, void *c) { (*static_cast<V *>(c))(m); },
        const_cast<void *>(static_cast<const void *>(&visit)));
}

#endif
