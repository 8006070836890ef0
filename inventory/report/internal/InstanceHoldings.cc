#include "inventory/report/internal/InstanceHoldings.h"

namespace rm_report {

using nmspc_cim::CCIMInstance;

std::size_t InstanceHoldings::slotOf(const CCIMInstance *instance) const {
    // Fibonacci hashing of the address: its low bits are alignment zeros.
    uint64_t key = reinterpret_cast<uintptr_t>(instance) >> 4;
    return static_cast<std::size_t>(key * 0x9E3779B97F4A7C15ull) & (slots.size() - 1);
}

InstanceHoldings::Holding *InstanceHoldings::find(CCIMInstance *instance) {
    if (slots.empty() || instance == nullptr) {
        return nullptr;
    }
    for (std::size_t i = slotOf(instance);; i = (i + 1) & (slots.size() - 1)) {
        Holding &slot = slots[i];
        if (slot.instance == instance) {
            return slot.live ? &slot : nullptr;
        }
        if (slot.instance == nullptr) {
            return nullptr;
        }
    }
}

InstanceHoldings::Holding &InstanceHoldings::of(CCIMInstance *instance) {
    if ((used + 1) * 4 > slots.size() * 3) {
        grow();
    }
    std::size_t i = slotOf(instance);
    while (slots[i].instance != nullptr && slots[i].instance != instance) {
        i = (i + 1) & (slots.size() - 1);
    }
    Holding &slot = slots[i];
    if (slot.instance == nullptr) {
        ++used;
    }
    if (!slot.live) {
        slot = Holding{instance, 0, false, true};
    }
    return slot;
}

// Doubles the table (16 slots at first) and leaves the dead slots behind.
void InstanceHoldings::grow() {
    std::vector<Holding> old(slots.size() < 16 ? 16 : slots.size() * 2);
    old.swap(slots);
    used = 0;
    for (const Holding &slot : old) {
        if (slot.live) {
            std::size_t i = slotOf(slot.instance);
            while (slots[i].instance != nullptr) {
                i = (i + 1) & (slots.size() - 1);
            }
            slots[i] = slot;
            ++used;
        }
    }
}

}  // namespace rm_report
