// Numbers read back from record text, in the manner of atoi/atol but defined
// for every input: leading blanks are skipped, an optional sign is taken, then
// digits up to the first non-digit. A value without digits reads as 0; a value
// beyond the range of the result saturates at its limit.
#ifndef INVENTORY_MODEL_SRMRECORDNUMBER_H
#define INVENTORY_MODEL_SRMRECORDNUMBER_H

#include <climits>
#include <cstdint>
#include <string>

inline long long srmRecordLongLong(const std::string &text) {
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

inline long srmRecordLong(const std::string &text) {
    long long v = srmRecordLongLong(text);
    if (v > LONG_MAX) {
        return LONG_MAX;
    }
    if (v < LONG_MIN) {
        return LONG_MIN;
    }
    return static_cast<long>(v);
}

inline int32_t srmRecordInt(const std::string &text) {
    long long v = srmRecordLongLong(text);
    if (v > INT32_MAX) {
        return INT32_MAX;
    }
    if (v < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(v);
}

#endif
