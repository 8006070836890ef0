// Fails chosen nothrow allocations, so that tests reach the "when that fails"
// roads. Linking FailingAllocation.cc replaces the global nothrow operator new
// of the whole test program; it behaves normally until armed.
#ifndef INVENTORY_TESTING_FAILINGALLOCATION_H
#define INVENTORY_TESTING_FAILINGALLOCATION_H

#include <cstddef>

namespace ulvar {
namespace testing {

// Makes the `nth` (from 1) nothrow allocation of exactly `size` bytes from now
// on return null, once; 0 for `nth` disarms.
void FailNothrowAllocation(std::size_t size, int nth);

// Disarms on destruction, so a failing test leaves no trap for the next one.
class ScopedAllocationFailure {
  public:
    ScopedAllocationFailure(std::size_t size, int nth) { FailNothrowAllocation(size, nth); }
    ~ScopedAllocationFailure() { FailNothrowAllocation(0, 0); }
    ScopedAllocationFailure(const ScopedAllocationFailure &) = delete;
    ScopedAllocationFailure &operator=(const ScopedAllocationFailure &) = delete;
};

}  // namespace testing
}  // namespace ulvar

#endif
