#include "inventory/testing/OutOfMemory.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

extern "C" {
void *__real_malloc(size_t size);
void *__real_calloc(size_t count, size_t size);
void *__real_realloc(void *block, size_t size);
char *__real_strdup(const char *text);
char *__real_strndup(const char *text, size_t size);
void *__real_aligned_alloc(size_t alignment, size_t size);
}

namespace {

bool armed = false;
bool persistent = false;
long failAt = 0;
long countedSoFar = 0;
long failures = 0;

// Counts one allocation; true when it is to fail.
bool failNext() {
    if (!armed) {
        return false;
    }
    ++countedSoFar;
    if (countedSoFar == failAt || (persistent && countedSoFar > failAt)) {
        ++failures;
#if defined(__SANITIZE_ADDRESS__)
        // ULVAR_OOM_BACKTRACE=N shows where allocation N of each run is.
        static const char *shown = getenv("ULVAR_OOM_BACKTRACE");
        if (shown != nullptr && atol(shown) == countedSoFar) {
            armed = false;
            __sanitizer_print_stack_trace();
            armed = true;
        }
#endif
        return true;
    }
    return false;
}

void *allocate(size_t size) {
    return failNext() ? nullptr : __real_malloc(size == 0 ? 1 : size);
}

void *allocateOrThrow(size_t size) {
    void *block = allocate(size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace

namespace ulvar {
namespace testing {

AllocationCountdown::AllocationCountdown(long nth, bool persistentFailure) {
    armed = true;
    persistent = persistentFailure;
    failAt = nth;
    countedSoFar = 0;
    failures = 0;
}

AllocationCountdown::~AllocationCountdown() {
    armed = false;
}

long AllocationCountdown::counted() const {
    return countedSoFar;
}

bool AllocationCountdown::failed() const {
    return failures > 0;
}

AllocationPause::AllocationPause() : wasArmed(armed) {
    armed = false;
}

AllocationPause::~AllocationPause() {
    armed = wasArmed;
}

}  // namespace testing
}  // namespace ulvar

// The C allocations of the code linked into the program (-Wl,--wrap=...).
extern "C" {

void *__wrap_malloc(size_t size) {
    return failNext() ? nullptr : __real_malloc(size);
}

void *__wrap_calloc(size_t count, size_t size) {
    return failNext() ? nullptr : __real_calloc(count, size);
}

void *__wrap_realloc(void *block, size_t size) {
    return failNext() ? nullptr : __real_realloc(block, size);
}

char *__wrap_strdup(const char *text) {
    return failNext() ? nullptr : __real_strdup(text);
}

char *__wrap_strndup(const char *text, size_t size) {
    return failNext() ? nullptr : __real_strndup(text, size);
}

void *__wrap_aligned_alloc(size_t alignment, size_t size) {
    return failNext() ? nullptr : __real_aligned_alloc(alignment, size);
}

}  // extern "C"

// The whole program's operator new and delete. The blocks come from malloc and
// go back with free, so every form of delete fits every form of new.
void *operator new(size_t size) {
    return allocateOrThrow(size);
}

void *operator new[](size_t size) {
    return allocateOrThrow(size);
}

void *operator new(size_t size, const std::nothrow_t &) noexcept {
    return allocate(size);
}

void *operator new[](size_t size, const std::nothrow_t &) noexcept {
    return allocate(size);
}

void operator delete(void *block) noexcept {
    free(block);
}

void operator delete[](void *block) noexcept {
    free(block);
}

void operator delete(void *block, size_t) noexcept {
    free(block);
}

void operator delete[](void *block, size_t) noexcept {
    free(block);
}

void operator delete(void *block, const std::nothrow_t &) noexcept {
    free(block);
}

void operator delete[](void *block, const std::nothrow_t &) noexcept {
    free(block);
}
