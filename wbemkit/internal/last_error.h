// The calling thread's exception record, as the library's own code fills it.
#ifndef WBEMKIT_INTERNAL_LAST_ERROR_H
#define WBEMKIT_INTERNAL_LAST_ERROR_H

namespace wbemkit {

// Stores `code` and `message` (may be null: an empty message) as the calling
// thread's last failure. Never fails: when the message cannot be copied a
// fixed text stands in for it.
void recordFailure(int code, const char *message) noexcept;

}  // namespace wbemkit

#endif
