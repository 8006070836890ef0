// The field table of a kind: one row per element of the kind's record, in
// record order, saying which member holds it, how it is stored and read, how a
// merge takes it from a newcomer and whether the record carries it at all. A
// kind writes, reads and merges itself by walking its table; what no row can
// say (a value looked up in the database, two fields taken together) is a
// flagged row with a small function of the kind's own, or stays in the kind's
// code beside the walk.
//
//   constexpr SrmField<SrmDisk> kRows[] = {
//       F::word(SRM_KEY_Disk),
//       F::id(),
//       F::text(SRM_KEY_Name, &SrmDisk::Name, SrmMerge::IfOwnUnset),
//       F::size(SRM_KEY_CapacityKB, &SrmDisk::CapacityKB, SrmMerge::IfSet),
//   };
//   constexpr auto kTable = srmFieldTable(SRM_RES_DISK, kRows);
//   int SrmDisk::serialize(int fd, int flags) { return srmWriteRecord(kTable, *this, fd, flags); }
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_KINDS_INTERNAL_SRMFIELDTABLE_H
#define INVENTORY_KINDS_INTERNAL_SRMFIELDTABLE_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>

#include "inventory/kinds/SrmResourceFields.h"
#include "inventory/kinds/internal/SrmKindMerge.h"
#include "inventory/model/SrmResource.h"
#include "inventory/model/SrmResourceDatabase.h"
#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/SrmRecordWriter.h"
#include "inventory/record/internal/SrmOutOfMemory.h"
#include "inventory/record/internal/SrmRecordWalk.h"

// How a row's value is held and written.
enum class SrmStore : uint8_t {
    Word,   // "Type": the kind word, written first and never read
    Text,   // a std::string; written only when not empty
    Int,    // an int, read with srmRecordInt
    Long,   // a long, read with srmRecordLong
    State,  // the resource's state word, as a signed 32-bit number
};

// How a merge takes the newcomer's value of a row.
enum class SrmMerge : uint8_t {
    Keep,           // never: the held resource's value stays
    IfSet,          // a text that is not empty, a number that is not 0
    IfKnown,        // a number that is not -1
    IfNotNegative,  // a number of 0 or more
    Always,         // whatever it is, an empty text too
    IfOwnUnset,     // only while the held text is empty (number: negative)
    IfOwnBelowOne,  // only while the held number is below 1
    Or,             // the state word: the newcomer's bits ORed in
};

// Row flags.
constexpr uint8_t SRM_FIELD_READ_ONLY = 0x1;  // read from records, never written
constexpr uint8_t SRM_FIELD_SIZE = 0x2;       // a size: a negative value is refused, the old kept
constexpr uint8_t SRM_FIELD_REPLACE = 0x4;    // State: the record's word replaces the state word
constexpr uint8_t SRM_FIELD_SCRATCH = 0x8;    // read into the scratch slot, not into the member

// What a read keeps aside for the kind to use once every element is read:
// counts of member records, values that are set together.
struct SrmFieldScratch {
    long long number[2] = {0, 0};
};

template <typename Kind>
struct SrmField {
    int key;
    SrmStore store;
    SrmMerge merge = SrmMerge::Keep;
    uint8_t flags = 0;
    uint8_t slot = 0;  // SRM_FIELD_SCRATCH: the slot read into
    int word = 0;      // Word: the kind word's key id
    // Text: a resource of this kind the record names (SRM_RES_NONE: none).
    SrmResourceType refers = SRM_RES_NONE;
    std::string Kind::*text = nullptr;
    int Kind::*i32 = nullptr;
    long Kind::*i64 = nullptr;
    // Read instead of storing into the member (a value resolved against the
    // database, a setter with side effects).
    void (*read)(Kind &, std::string_view) = nullptr;
    // Computed instead of taken from the member, for writing and viewing.
    long long (*number)(const Kind &) = nullptr;
    const std::string *(*textOf)(const Kind &) = nullptr;
    // Written only when this holds.
    bool (*written)(const Kind &) = nullptr;
};

// Row makers, so that a table reads as a list of fields.
template <typename Kind>
struct SrmFieldRows {
    using Row = SrmField<Kind>;

    static constexpr Row word(int kindWord) {
        Row r{SRM_KEY_Type, SrmStore::Word};
        r.word = kindWord;
        return r;
    }
    static constexpr Row text(int key, std::string Kind::*m, SrmMerge merge) {
        Row r{key, SrmStore::Text, merge};
        r.text = m;
        return r;
    }
    static constexpr Row number(int key, int Kind::*m, SrmMerge merge) {
        Row r{key, SrmStore::Int, merge};
        r.i32 = m;
        return r;
    }
    static constexpr Row number(int key, long Kind::*m, SrmMerge merge) {
        Row r{key, SrmStore::Long, merge};
        r.i64 = m;
        return r;
    }
    // A size in KB, never negative.
    static constexpr Row size(int key, long Kind::*m, SrmMerge merge) {
        Row r = number(key, m, merge);
        r.flags = SRM_FIELD_SIZE;
        return r;
    }
    // The identities every resource has; merges never take them.
    static constexpr Row id() { return text(SRM_KEY_Id, &SrmResource::Id, SrmMerge::Keep); }
    static constexpr Row pubId() {
        return text(SRM_KEY_PubId, &SrmResource::PubId, SrmMerge::Keep);
    }
    static constexpr Row lid() { return text(SRM_KEY_LId, &SrmResource::LId, SrmMerge::Keep); }
    // "State", ORed into the state word when read, so that bits a constructor
    // set stay set (or, with SRM_FIELD_REPLACE, replacing it).
    static constexpr Row state(SrmMerge merge, uint8_t flags = 0) {
        Row r{SRM_KEY_State, SrmStore::State, merge};
        r.flags = flags;
        return r;
    }
    // A number kept in scratch slot `slot` when read.
    static constexpr Row scratch(Row r, uint8_t slot) {
        r.flags |= SRM_FIELD_SCRATCH;
        r.slot = slot;
        return r;
    }
    // A count of member records: computed when written, read into `slot`.
    static constexpr Row count(int key, long long (*n)(const Kind &), uint8_t slot) {
        Row r{key, SrmStore::Int};
        r.number = n;
        return scratch(r, slot);
    }
    // A text naming a resource of kind `t` by its Id, or by a local identity
    // registered for it: read, it is stored as that resource's own Id when the
    // owning database holds one, else as it stands.
    static constexpr Row reference(Row r, SrmResourceType t) {
        r.refers = t;
        return r;
    }
    // Read by `read` instead (a setter with effects beyond the field).
    static constexpr Row readBy(Row r, void (*read)(Kind &, std::string_view)) {
        r.read = read;
        return r;
    }
    // A text the kind computes for writing (r holds no member for it).
    static constexpr Row textBy(Row r, const std::string *(*textOf)(const Kind &)) {
        r.textOf = textOf;
        return r;
    }
    static constexpr Row writtenWhen(Row r, bool (*written)(const Kind &)) {
        r.written = written;
        return r;
    }
    static constexpr Row readOnly(Row r) {
        r.flags |= SRM_FIELD_READ_ONLY;
        return r;
    }
};

// A kind's rows and, for reading, the row of every key id (-1: none; "Type"
// and unknown keys have none).
template <typename Kind, std::size_t N>
struct SrmFieldTable {
    using KindType = Kind;
    SrmField<Kind> rows[N];
    int8_t rowOf[SRM_KEY_COUNT];
    SrmResourceType type;
    int kindWord;
    std::size_t viewCount;  // rows the full record carries
    SrmFieldInfo view[N];   // their keys and types, in record order
};

template <typename Kind, std::size_t N>
constexpr SrmFieldTable<Kind, N> srmFieldTable(SrmResourceType type,
                                               const SrmField<Kind> (&rows)[N]) {
    static_assert(N < 128, "a row index fits int8_t");
    SrmFieldTable<Kind, N> t{};
    t.type = type;
    for (int8_t &k : t.rowOf) {
        k = -1;
    }
    t.kindWord = -1;
    t.viewCount = 0;
    for (std::size_t i = 0; i < N; ++i) {
        t.rows[i] = rows[i];
        if (rows[i].store == SrmStore::Word) {
            t.kindWord = rows[i].word;
        } else {
            t.rowOf[rows[i].key] = static_cast<int8_t>(i);
        }
        if ((rows[i].flags & SRM_FIELD_READ_ONLY) == 0) {
            bool text = rows[i].store == SrmStore::Word || rows[i].store == SrmStore::Text;
            t.view[t.viewCount++] = {rows[i].key, text ? SRM_FIELD_TEXT : SRM_FIELD_NUMBER};
        }
    }
    return t;
}

namespace srm_fields {

// `field` takes `value`, then the Id of the resource of kind `t` it names.
inline void takeReference(std::string &field, SrmResourceDatabase *db, SrmResourceType t,
                          std::string_view value) {
    field = value;
    if (db == nullptr || field.empty()) {
        return;
    }
    if (SrmResource *named = db->findGlobalResource(t, field)) {
        field = named->Id;
    }
}

inline void storeNumber(int &field, long long v, uint8_t flags) {
    if ((flags & SRM_FIELD_SIZE) == 0 || v >= 0) {
        field = static_cast<int>(v);
    }
}
inline void storeNumber(long &field, long long v, uint8_t flags) {
    if ((flags & SRM_FIELD_SIZE) == 0 || v >= 0) {
        field = static_cast<long>(v);
    }
}

// The merge rule of a number field.
template <typename T>
void mergeNumber(T &own, T newer, SrmMerge merge, uint8_t flags) {
    bool take = false;
    switch (merge) {
        case SrmMerge::IfSet:
            take = newer != 0;
            break;
        case SrmMerge::IfKnown:
            take = newer != -1;
            break;
        case SrmMerge::IfNotNegative:
            take = newer >= 0;
            break;
        case SrmMerge::Always:
            take = true;
            break;
        case SrmMerge::IfOwnUnset:
            take = own < 0;
            break;
        case SrmMerge::IfOwnBelowOne:
            take = own < 1;
            break;
        case SrmMerge::Keep:
        case SrmMerge::Or:
            break;
    }
    if (take) {
        storeNumber(own, newer, flags);
    }
}

// May throw std::bad_alloc.
inline void mergeText(std::string &own, const std::string &newer, SrmMerge merge) {
    bool take = false;
    switch (merge) {
        case SrmMerge::IfSet:
            take = !newer.empty();
            break;
        case SrmMerge::Always:
            take = true;
            break;
        case SrmMerge::IfOwnUnset:
            take = own.empty();
            break;
        default:
            break;
    }
    if (take) {
        own = newer;
    }
}

}  // namespace srm_fields

// Adds every row the full record carries to `w`, in record order. Texts are
// left out when empty, numbers always written.
template <typename Kind, std::size_t N>
void srmWriteFields(const SrmFieldTable<Kind, N> &table, const Kind &r, SrmRecordWriter &w) {
    for (const SrmField<Kind> &f : table.rows) {
        if ((f.flags & SRM_FIELD_READ_ONLY) != 0 || (f.written != nullptr && !f.written(r))) {
            continue;
        }
        switch (f.store) {
            case SrmStore::Word:
                w.addWord(SRM_KEY_Type, f.word);
                break;
            case SrmStore::Text:
                w.addText(f.key, f.textOf != nullptr ? *f.textOf(r) : r.*f.text);
                break;
            case SrmStore::Int:
                w.addInt(f.key, f.number != nullptr ? static_cast<int>(f.number(r)) : r.*f.i32);
                break;
            case SrmStore::Long:
                w.addLong(f.key, r.*f.i64);
                break;
            case SrmStore::State:
                w.addInt(f.key, srm_walk::stateValue(r.state));
                break;
        }
    }
}

// The short form most kinds write: "Type" and "Id".
template <typename Kind, std::size_t N>
void srmWriteShort(const SrmFieldTable<Kind, N> &table, const Kind &r, SrmRecordWriter &w) {
    w.addWord(SRM_KEY_Type, table.kindWord);
    w.addText(SRM_KEY_Id, r.Id);
}

// Reads every element of `record` until one does not split into key and
// value; elements of keys the table has no row for are passed over. May throw
// std::bad_alloc.
template <typename Kind, std::size_t N>
void srmReadFields(const SrmFieldTable<Kind, N> &table, Kind &r, CSRMReportTuple *record,
                   SrmFieldScratch &scratch) {
    srm_walk::forEachElement(record, [&](int keyId, std::string_view value) {
        int row = table.rowOf[keyId];
        if (row < 0) {
            return;
        }
        const SrmField<Kind> &f = table.rows[row];
        if (f.read != nullptr) {
            f.read(r, value);
            return;
        }
        switch (f.store) {
            case SrmStore::Word:
                break;
            case SrmStore::Text:
                if (f.refers != SRM_RES_NONE) {
                    srm_fields::takeReference(r.*f.text, r.db, f.refers, value);
                } else {
                    r.*f.text = value;
                }
                break;
            case SrmStore::Int:
                if ((f.flags & SRM_FIELD_SCRATCH) != 0) {
                    scratch.number[f.slot] = srmRecordInt(value);
                } else {
                    srm_fields::storeNumber(r.*f.i32, srmRecordInt(value), f.flags);
                }
                break;
            case SrmStore::Long:
                if ((f.flags & SRM_FIELD_SCRATCH) != 0) {
                    scratch.number[f.slot] = srmRecordLong(value);
                } else {
                    srm_fields::storeNumber(r.*f.i64, srmRecordLong(value), f.flags);
                }
                break;
            case SrmStore::State:
                if ((f.flags & SRM_FIELD_REPLACE) != 0) {
                    r.state = srm_walk::stateWord(value);
                } else {
                    r.state |= srm_walk::stateWord(value);
                }
                break;
        }
    });
}

// Takes `newer`'s values by each row's merge rule. May throw std::bad_alloc.
template <typename Kind, std::size_t N>
void srmMergeFields(const SrmFieldTable<Kind, N> &table, Kind &r, const Kind &newer) {
    for (const SrmField<Kind> &f : table.rows) {
        if (f.merge == SrmMerge::Keep) {
            continue;
        }
        switch (f.store) {
            case SrmStore::Word:
                break;
            case SrmStore::Text:
                srm_fields::mergeText(r.*f.text, newer.*f.text, f.merge);
                break;
            case SrmStore::Int:
                srm_fields::mergeNumber(r.*f.i32, newer.*f.i32, f.merge, f.flags);
                break;
            case SrmStore::Long:
                srm_fields::mergeNumber(r.*f.i64, newer.*f.i64, f.merge, f.flags);
                break;
            case SrmStore::State:
                if (f.merge == SrmMerge::Or) {
                    r.state |= newer.state;
                }
                break;
        }
    }
}

// The kind's whole record through the owning database's record text, written
// with one write(2): the short form ("Type", "Id") when bit 0x1 of `flags` is
// set, else the full form. 1 when written whole; 0 without a database (or its
// buffer) or on a short write.
template <typename Kind, std::size_t N>
int srmWriteRecord(const SrmFieldTable<Kind, N> &table, Kind &r, int fd, int flags) {
    if (r.getBuffer() == nullptr) {
        return 0;
    }
    SrmRecordWriter w(r.db->getRecordText());
    if ((flags & 1) != 0) {
        srmWriteShort(table, r, w);
    } else {
        srmWriteFields(table, r, w);
    }
    return w.write(fd);
}

// Reads `record` (null: 0) into `r`: 1, or 0 when memory ran out (noted).
template <typename Kind, std::size_t N>
int srmReadRecord(const SrmFieldTable<Kind, N> &table, Kind &r, CSRMReportTuple *record,
                  SrmFieldScratch &scratch) {
    if (record == nullptr) {
        return 0;
    }
    try {
        srmReadFields(table, r, record, scratch);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    return 1;
}

// srmMergeFields, 0 when memory ran out (noted), else 1.
template <typename Kind, std::size_t N>
int srmTakeFields(const SrmFieldTable<Kind, N> &table, Kind &r, const Kind &newer) {
    try {
        srmMergeFields(table, r, newer);
    } catch (const std::bad_alloc &) {
        srmNoteOutOfMemory();
        return 0;
    }
    return 1;
}

template <typename Kind, std::size_t N>
int srmReadRecord(const SrmFieldTable<Kind, N> &table, Kind &r, CSRMReportTuple *record) {
    SrmFieldScratch unused;
    return srmReadRecord(table, r, record, unused);
}

// The merge of a kind whose rule the table says whole: `other` folded into
// `r` as srmMergeKind describes; 0 when memory ran out (noted), `other` then
// left unmarked.
template <typename Kind, std::size_t N>
int srmMergeRecord(const SrmFieldTable<Kind, N> &table, Kind &r, SrmResource *other) {
    return srmMergeKind(&r, other, table.type,
                        [&](Kind *o) { return srmTakeFields(table, r, *o); });
}

// Hands every row the full record carries to `visit`, as SrmVisitFields
// describes it.
template <typename Kind, std::size_t N>
void srmViewFields(const SrmFieldTable<Kind, N> &table, const Kind &r, SrmFieldVisitor visit,
                   void *context) {
    for (const SrmField<Kind> &f : table.rows) {
        if ((f.flags & SRM_FIELD_READ_ONLY) != 0) {
            continue;
        }
        SrmFieldValue v{f.key, SRM_FIELD_NUMBER, std::string_view(), 0};
        bool written = f.written == nullptr || f.written(r);
        switch (f.store) {
            case SrmStore::Word:
                v.type = SRM_FIELD_TEXT;
                v.text = SrmRecordKeyText(f.word);
                break;
            case SrmStore::Text:
                v.type = SRM_FIELD_TEXT;
                if (written) {
                    v.text = f.textOf != nullptr ? *f.textOf(r) : r.*f.text;
                }
                break;
            case SrmStore::Int:
                v.number = f.number != nullptr ? f.number(r) : r.*f.i32;
                break;
            case SrmStore::Long:
                v.number = r.*f.i64;
                break;
            case SrmStore::State:
                v.number = srm_walk::stateValue(r.state);
                break;
        }
        visit(v, context);
    }
}

#endif
