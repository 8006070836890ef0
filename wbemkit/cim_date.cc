// CIM datetimes: cim_getDateStr and the conversions behind datetime arrays.
#include <cstring>
#include <new>
#include <string>

#include "wbemkit/cim.h"
#include "wbemkit/internal/date_text.h"
#include "wbemkit/internal/last_error.h"
#include "wbemkit/internal/text_ring.h"

namespace wbemkit {

namespace {

constexpr long long kSecondsPerDay = 86400;
// 0000-01-01T00:00:00 and 9999-12-31T23:59:59, the years four digits hold.
constexpr long long kFirstSecond = -62167219200LL;
constexpr long long kLastSecond = 253402300799LL;

// Days since 1970-01-01 of a civil date and back, by whole 400-year eras of
// 146097 days, with March as the first month so that the leap day ends the year.
long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void civilFromDays(long long days, long long &year, unsigned &month, unsigned &day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

bool isLeapYear(long long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(long long year, unsigned month) {
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads `count` decimal digits; false if any is not a digit.
bool readDigits(const char *text, int count, unsigned &value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return true;
}

// Writes `value` as exactly `count` decimal digits (it is known to fit).
void writeDigits(char *out, int count, unsigned value) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

bool formatDateTime(long long seconds, char out[kDateTextLength + 1]) {
    if (seconds < kFirstSecond || seconds > kLastSecond) {
        return false;
    }
    long long days = seconds / kSecondsPerDay;
    long long secondOfDay = seconds % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        days -= 1;
    }
    long long year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civilFromDays(days, year, month, day);
    const auto clock = static_cast<unsigned>(secondOfDay);
    writeDigits(out, 4, static_cast<unsigned>(year));
    writeDigits(out + 4, 2, month);
    writeDigits(out + 6, 2, day);
    writeDigits(out + 8, 2, clock / 3600);
    writeDigits(out + 10, 2, clock / 60 % 60);
    writeDigits(out + 12, 2, clock % 60);
    std::memcpy(out + 14, ".000000+000", 12);
    return true;
}

bool parseDateTime(const char *text, std::size_t length, long long &seconds) {
    if (length != kDateTextLength || text[14] != '.' || (text[21] != '+' && text[21] != '-')) {
        return false;
    }
    unsigned year, month, day, hour, minute, second, micro, offset;
    if (!readDigits(text, 4, year) || !readDigits(text + 4, 2, month) ||
        !readDigits(text + 6, 2, day) || !readDigits(text + 8, 2, hour) ||
        !readDigits(text + 10, 2, minute) || !readDigits(text + 12, 2, second) ||
        !readDigits(text + 15, 6, micro) || !readDigits(text + 22, 3, offset)) {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return false;
    }
    const long long local =
        daysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600LL + minute * 60LL + second;
    // The offset is local time minus UTC.
    const long long offsetSeconds = static_cast<long long>(offset) * 60;
    seconds = text[21] == '+' ? local - offsetSeconds : local + offsetSeconds;
    return true;
}

}  // namespace wbemkit

// The exported function keeps the C linkage of its declaration in cim.h.
namespace nmspc_cim {

const char *cim_getDateStr(long seconds) {
    char text[wbemkit::kDateTextLength + 1];
    if (!wbemkit::formatDateTime(seconds, text)) {
        wbemkit::recordFailure(CIM_ERR_INVALID_PARAMETER,
                               "Time lies outside the years a CIM datetime can hold.");
        return nullptr;
    }
    try {
        return wbemkit::keepText(std::string(text, wbemkit::kDateTextLength));
    } catch (const std::bad_alloc &) {
        wbemkit::recordFailure(CIM_ERR_FAILED, "Out of memory: cannot keep a datetime text.");
        return nullptr;
    }
}

}  // namespace nmspc_cim
