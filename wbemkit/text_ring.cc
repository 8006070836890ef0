#include "wbemkit/internal/text_ring.h"

#include <array>

namespace wbemkit {

namespace {

struct TextRing {
    std::array<std::string, kTextRingSize> slots;
    int next = 0;
};

}  // namespace

const char *keepText(std::string &&text) noexcept {
    thread_local TextRing ring;
    std::string &slot = ring.slots[ring.next];
    ring.next = (ring.next + 1) % kTextRingSize;
    // Swapping (rather than copying into the slot) drops the slot's old
    // buffer, however large, with the caller's moved-from string.
    slot.swap(text);
    return slot.c_str();
}

}  // namespace wbemkit
