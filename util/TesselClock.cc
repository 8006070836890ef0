#include "util/internal/TesselClock.h"

#include <time.h>

namespace tessel {
namespace {

long systemTime() {
    return static_cast<long>(time(nullptr));
}

TimeSource g_source = systemTime;

}  // namespace

long currentTime() {
    return g_source();
}

TimeSource setTimeSource(TimeSource source) {
    TimeSource previous = g_source;
    g_source = source != nullptr ? source : systemTime;
    return previous;
}

}  // namespace tessel
