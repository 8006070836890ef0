// Library-owned texts handed to callers (encoded arrays, date strings).
//
// Each thread has a ring of kTextRingSize slots; keepText puts a text in the
// oldest slot and returns it, so a text stays valid for the next
// kTextRingSize - 1 calls on that thread. A slot holds only its own text, so
// the ring never keeps more than the last kTextRingSize texts.
#ifndef WBEMKIT_INTERNAL_TEXT_RING_H
#define WBEMKIT_INTERNAL_TEXT_RING_H

#include <string>

namespace wbemkit {

constexpr int kTextRingSize = 8;

// Takes over `text` and returns its C string, owned by the ring. Never fails.
const char *keepText(std::string &&text) noexcept;

}  // namespace wbemkit

#endif
