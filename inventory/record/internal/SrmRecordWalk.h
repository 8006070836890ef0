// What every reader of records shares: numbers read back from record text, the
// walk over the elements of one record, the state word as records carry it,
// and the walk over the records a container's own record announces after it.
//
// Internal to libulvar (not exported).
#ifndef INVENTORY_RECORD_INTERNAL_SRMRECORDWALK_H
#define INVENTORY_RECORD_INTERNAL_SRMRECORDWALK_H

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "inventory/record/CSRMReportTuple.h"
#include "inventory/record/CSRMReportTupleStreamReader.h"
#include "inventory/record/SrmRecordKeys.h"
#include "inventory/record/TupleStatus.h"

// Numbers read back from record text, in the manner of atoi/atol but defined
// for every input: leading blanks are skipped, an optional sign is taken, then
// digits up to the first non-digit. A value without digits reads as 0; a value
// beyond the range of the result saturates at its limit.
inline long long srmRecordLongLong(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated as a negative number, whose range is the larger one.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (value < (LLONG_MIN + digit) / 10) {
            return negative ? LLONG_MIN : LLONG_MAX;
        }
        value = value * 10 - digit;
    }
    if (negative) {
        return value;
    }
    return value == LLONG_MIN ? LLONG_MAX : -value;
}

inline long srmRecordLong(std::string_view text) {
    long long v = srmRecordLongLong(text);
    if (v > LONG_MAX) {
        return LONG_MAX;
    }
    if (v < LONG_MIN) {
        return LONG_MIN;
    }
    return static_cast<long>(v);
}

inline int32_t srmRecordInt(std::string_view text) {
    long long v = srmRecordLongLong(text);
    if (v > INT32_MAX) {
        return INT32_MAX;
    }
    if (v < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(v);
}

namespace srm_walk {

// Splits one element as SrmSplitKeyValuePair does, without copying: false when
// it holds no `=`.
inline bool splitElement(std::string_view e, std::string_view *key, std::string_view *value) {
    std::size_t equals = e.find('=');
    if (equals == std::string_view::npos) {
        return false;
    }
    bool quoted = e.size() >= 2 && e.front() == '"' && e.back() == '"';
    std::size_t keyStart = quoted ? 1 : 0;
    std::size_t valueEnd = quoted ? e.size() - 1 : e.size();
    *key = e.substr(keyStart, equals - keyStart);
    *value = e.substr(equals + 1, valueEnd - (equals + 1));
    return true;
}

// Calls `take(keyId, value)` for each element of `record` from its start, until
// one cannot be split. Unknown keys arrive with the id of "Type". A `take` that
// accepts a std::string_view gets the value in place, valid during the call;
// one that wants a std::string gets one string reused for every element, so
// that reading it costs no allocation.
template <typename Take>
void forEachElement(CSRMReportTuple *record, Take take) {
    constexpr bool inPlace = std::is_invocable_v<Take &, int, std::string_view>;
    std::string value;
    record->walkElements([&](std::string_view element) {
        std::string_view key;
        std::string_view text;
        if (!splitElement(element, &key, &text)) {
            return false;
        }
        int keyId = SrmRecordKeyId(key.data(), key.size());
        if constexpr (inPlace) {
            take(keyId, text);
        } else {
            value.assign(text.data(), text.size());
            take(keyId, value);
        }
        return true;
    });
}

// "State" as every record carries it: a state word's bits as a signed 32-bit
// decimal (a negative text reads back to the same bits).
inline int32_t stateValue(uint32_t state) {
    return static_cast<int32_t>(state);
}
inline uint32_t stateWord(std::string_view value) {
    return static_cast<uint32_t>(srmRecordLong(value));
}

// The "Type" word and the "Id" of a short reference record; -1 for no "Type".
// An unknown key has the id of "Type" and so counts as one, as in every reader;
// a value that is no word gives SRM_KEY_Type, which names no kind.
inline void readReference(CSRMReportTuple *record, int *kindWord, std::string *id) {
    *kindWord = -1;
    id->clear();
    forEachElement(record, [&](int keyId, std::string_view value) {
        if (keyId == SRM_KEY_Id) {
            *id = value;
        } else if (keyId == SRM_KEY_Type) {
            *kindWord = SrmRecordKeyId(value.data(), value.size());
        }
    });
}

// Reads up to `count` further records from `reader` and hands each to
// `take(record)`; stops early at the first status other than 0. The records
// are read one after another into one tuple, which is valid during `take` only.
template <typename Take>
void forEachFollowingRecord(CSRMReportTupleStreamReader *reader, long long count, Take take) {
    if (count < 1) {
        return;
    }
    CSRMReportTuple record;
    for (long long i = 0; i < count; ++i) {
        if (reader->ReadNextTuple(record) != TUPLE_STATUS_OK) {
            return;
        }
        take(&record);
    }
}

}  // namespace srm_walk

#endif
