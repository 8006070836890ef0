#include "inventory/testing/FailingAllocation.h"

#include <new>

namespace {

std::size_t armedSize = 0;
int countdown = 0;

}  // namespace

namespace ulvar {
namespace testing {

void FailNothrowAllocation(std::size_t size, int nth) {
    armedSize = nth > 0 ? size : 0;
    countdown = nth;
}

}  // namespace testing
}  // namespace ulvar

void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    if (armedSize != 0 && size == armedSize && --countdown == 0) {
        armedSize = 0;
        return nullptr;
    }
    // Through the ordinary operator new, so that the ordinary delete matches.
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
