// Runs out of memory at a chosen allocation, the way SQLite's test harness
// does: while a countdown is armed every allocation is counted, and the Nth
// fails (and, when persistent, every one after it).
//
// Linking OutOfMemory.cc replaces the program's global operator new and delete
// (the throwing and the nothrow forms, plain and array), so libstdc++'s own
// allocations on our behalf fail too; the program is linked with
// -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=strdup,--wrap=strndup,
// --wrap=aligned_alloc (ulvar_oom_tests in inventory/CMakeLists.txt does both),
// which sends the C allocations of the code linked into it (ours, not the C
// library's) through the countdown. Everything still comes from the ordinary
// allocator, so the sanitizers see every block. One thread: the counters are plain.
#ifndef INVENTORY_TESTING_OUTOFMEMORY_H
#define INVENTORY_TESTING_OUTOFMEMORY_H

namespace ulvar {
namespace testing {

// Arms the countdown for its lifetime: allocation `nth` (from 1) fails, and
// with `persistent` every later one as well. Failing operator new throws
// std::bad_alloc; the nothrow forms and the C functions return null.
class AllocationCountdown {
  public:
    AllocationCountdown(long nth, bool persistent);
    ~AllocationCountdown();
    AllocationCountdown(const AllocationCountdown &) = delete;
    AllocationCountdown &operator=(const AllocationCountdown &) = delete;

    // Allocations counted so far, failed ones included.
    long counted() const;
    // Whether any allocation was made to fail.
    bool failed() const;
};

// While alive, allocations are neither counted nor failed: for work that is
// not the code under test (a fake JVM's strings, the test's own bookkeeping).
class AllocationPause {
  public:
    AllocationPause();
    ~AllocationPause();
    AllocationPause(const AllocationPause &) = delete;
    AllocationPause &operator=(const AllocationPause &) = delete;

  private:
    bool wasArmed;
};

}  // namespace testing
}  // namespace ulvar

#endif
