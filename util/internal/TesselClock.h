// The clock of the job registry and of status results.
//
// Job objects and results take their creation time from here, and the stale-job
// sweep compares against it, so a test can move time forward instead of
// sleeping. Internal to libtessel (not exported).
#ifndef UTIL_INTERNAL_TESSELCLOCK_H
#define UTIL_INTERNAL_TESSELCLOCK_H

namespace tessel {

// Seconds since the epoch.
typedef long (*TimeSource)();

// Current time from the installed source; time(NULL) unless replaced.
long currentTime();

// Installs `source` (null restores time(NULL)) and returns the previous one.
// Not thread-safe: meant for tests, which restore the previous source.
TimeSource setTimeSource(TimeSource source);

}  // namespace tessel

#endif
