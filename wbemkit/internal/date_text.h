// CIM datetime texts "yyyymmddhhmmss.mmmmmm+ooo" (proleptic Gregorian
// calendar, UTC offset in minutes), shared by cim_getDateStr and the datetime
// array codec.
#ifndef WBEMKIT_INTERNAL_DATE_TEXT_H
#define WBEMKIT_INTERNAL_DATE_TEXT_H

#include <cstddef>

namespace wbemkit {

constexpr std::size_t kDateTextLength = 25;

// Writes the UTC datetime of `seconds` since the epoch, with microseconds
// and offset zero, into `out` (kDateTextLength characters and a NUL).
// False, with `out` untouched, for a time outside the years 0000 to 9999.
bool formatDateTime(long long seconds, char out[kDateTextLength + 1]);

// Reads a datetime of exactly kDateTextLength characters at `text` back to
// seconds since the epoch in UTC (any offset; microseconds are dropped).
// False for anything else: intervals, wildcards, impossible dates or times.
bool parseDateTime(const char *text, std::size_t length, long long &seconds);

}  // namespace wbemkit

#endif
