// The per-thread exception record behind cim_createException and
// cim_getLastError.
#include <new>
#include <string>

#include "wbemkit/cim.h"
#include "wbemkit/internal/last_error.h"

using nmspc_cim::CCIMException;

namespace {

// One record per thread; mErrorString always points at `text`, so callers
// see a stable, non-null C string until the next failure on their thread.
struct ErrorSlot {
    CCIMException record{0, nullptr};
    std::string text;
    bool short_of_memory = false;

    CCIMException *publish() {
        record.mErrorString = short_of_memory ? const_cast<char *>(kNoMemoryText) : &text[0];
        return &record;
    }

    static constexpr const char *kNoMemoryText = "Out of memory while recording an error.";
};

ErrorSlot &slot() {
    thread_local ErrorSlot s;
    return s;
}

}  // namespace

namespace wbemkit {

void recordFailure(int code, const char *message) noexcept {
    ErrorSlot &s = slot();
    s.record.mErrorID = code;
    try {
        // Copy first: `message` may be the current record's own text.
        std::string copy(message != nullptr ? message : "");
        s.text.swap(copy);
        s.short_of_memory = false;
    } catch (const std::bad_alloc &) {
        s.short_of_memory = true;
    }
    s.publish();
}

}  // namespace wbemkit

// The exported functions keep the C linkage of their declarations in cim.h.
namespace nmspc_cim {

CCIMException *cim_createException(int code, const char *message, const char *origin) {
    (void)origin;  // the record has no place for it
    wbemkit::recordFailure(code, message);
    return slot().publish();
}

CCIMException *cim_getLastError(void) {
    return slot().publish();
}

}  // namespace nmspc_cim
