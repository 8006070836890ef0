#include "wbemkit/internal/block_pool.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(WBEMKIT_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace wbemkit {

#if defined(WBEMKIT_ASAN)
void poison(const void *memory, std::size_t size) noexcept {
    ASAN_POISON_MEMORY_REGION(memory, size);
}
void unpoison(const void *memory, std::size_t size) noexcept {
    ASAN_UNPOISON_MEMORY_REGION(memory, size);
}
#endif

namespace {

// The head of a block. `live` counts the block's records not yet freed, plus
// kOpen while a thread still carves records from it: that thread counts its
// own records in its pool and adds them when it moves on (seal), so carving a
// record costs no atomic operation.
struct Block {
    std::atomic<long> live;
};
constexpr long kOpen = 1L << 40;
constexpr std::uint32_t kFirstRecord = 16;  // records start 16-aligned after the head

thread_local Pool t_pool;

Block *blockOf(const void *record) {
    return reinterpret_cast<Block *>(reinterpret_cast<std::uintptr_t>(record) & ~(kBlockSize - 1));
}

char *base(void *block) {
    return static_cast<char *>(block);
}

void releaseBlock(Block *block) {
    unpoison(block, kBlockSize);
    std::free(block);
}

// Seals the thread's block when the thread ends.
struct PoolGuard {
    bool armed = false;
    ~PoolGuard() { t_pool.seal(); }
};
thread_local PoolGuard t_guard;

std::uint32_t hashText(const char *text, std::size_t length) {
    std::uint64_t h = length * 0x9e3779b97f4a7c15u;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text + i, 8);
        h = (h ^ word) * 0xff51afd7ed558ccdu;
        h ^= h >> 32;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, text + i, length - i);
    h = (h ^ tail) * 0xc4ceb9fe1a85ec53u;
    return static_cast<std::uint32_t>(h ^ (h >> 29));
}

}  // namespace

Pool &Pool::current() noexcept {
    return t_pool;
}

void *Pool::block() const {
    return disguised != 0 ? reinterpret_cast<void *>(disguised ^ kDisguise) : nullptr;
}

void Pool::seal() noexcept {
    auto *current = static_cast<Block *>(block());
    if (current == nullptr) {
        return;
    }
    disguised = 0;
    long delta = own - kOpen;
    if (current->live.fetch_add(delta, std::memory_order_acq_rel) + delta == 0) {
        releaseBlock(current);
    }
}

bool Pool::takeNewBlock() noexcept {
    seal();
    void *memory = std::aligned_alloc(kBlockSize, kBlockSize);
    if (memory == nullptr) {
        return false;
    }
    Block *fresh = new (memory) Block;
    fresh->live.store(kOpen, std::memory_order_relaxed);
    poison(base(fresh) + kFirstRecord, kBlockSize - kFirstRecord);
    disguised = reinterpret_cast<std::uintptr_t>(fresh) ^ kDisguise;
    front = kFirstRecord;
    back = kBlockSize;
    own = 0;
    std::memset(keptCount, 0, sizeof keptCount);
    ++generation;
    t_guard.armed = true;
    return true;
}

void *Pool::newRecordInNewBlock(std::size_t size) noexcept {
    if (!takeNewBlock()) {
        return nullptr;
    }
    return newRecord(size);
}

// A record of the thread's current block freed by the thread: kept for
// reuse, and the block given back at once when nothing in it lives any more
// (remote frees included), so that an idle thread holds no empty block.
void Pool::freeOwn(void *record, std::size_t size) noexcept {
    auto *current = static_cast<Block *>(block());
    --own;
    if (own == kOpen - current->live.load(std::memory_order_acquire)) {
        disguised = 0;
        releaseBlock(current);
        return;
    }
    int k = static_cast<int>(size / 8) - 1;
    if (keptCount[k] < kKept) {
        kept[k][keptCount[k]++] =
            static_cast<std::uint16_t>(static_cast<char *>(record) - base(current));
    }
}

void Pool::freeRecord(void *record, std::size_t size) noexcept {
    poison(record, size);
    Block *of = blockOf(record);
    if (of == block()) {
        freeOwn(record, size);
    } else {
        freeOthers(of, 1);
    }
}

void Pool::freeOthers(void *block, long count) noexcept {
    auto *of = static_cast<Block *>(block);
    if (of->live.fetch_sub(count, std::memory_order_acq_rel) == count) {
        releaseBlock(of);
    }
}

char *Pool::copyIntoBlock(const char *text, std::size_t length, std::uint32_t hash,
                          bool remember) noexcept {
    if (back - front < length + 1) {
        return nullptr;
    }
    back -= static_cast<std::uint32_t>(length + 1);
    char *copy = base(block()) + back;
    unpoison(copy, length + 1);
    std::memcpy(copy, text, length + 1);
    if (remember) {
        texts[hash % kTextSlots] = {generation, hash, back, static_cast<std::uint32_t>(length)};
    }
    return copy;
}

char *Pool::copyText(const void *record, const char *text, bool &ok) noexcept {
    std::size_t length;
    if (blockOf(record) == block()) {
        // First by the address copied from: a text copied before from the
        // same place, and still the same text there.
        std::uintptr_t source = reinterpret_cast<std::uintptr_t>(text);
        SourceSlot &bySource = sources[(source >> 3) % kSourceSlots];
        char *start = base(block());
        if (bySource.generation == generation && bySource.disguisedSource == (source ^ kDisguise) &&
            std::strcmp(start + bySource.offset, text) == 0) {
            return start + bySource.offset;
        }
        length = std::strlen(text);
        if (length <= kLongestBlockText) {
            std::uint32_t hash = hashText(text, length);
            const TextSlot &byText = texts[hash % kTextSlots];
            char *found = nullptr;
            if (byText.generation == generation && byText.hash == hash && byText.length == length &&
                std::memcmp(start + byText.offset, text, length) == 0) {
                found = start + byText.offset;
            } else {
                found = copyIntoBlock(text, length, hash, true);
            }
            if (found != nullptr) {
                bySource = {source ^ kDisguise, generation,
                            static_cast<std::uint32_t>(found - start)};
                return found;
            }
        }
    } else {
        length = std::strlen(text);
    }
    char *copy = static_cast<char *>(std::malloc(length + 1));
    if (copy == nullptr) {
        ok = false;
        return nullptr;
    }
    std::memcpy(copy, text, length + 1);
    return copy;
}

void Pool::releaseText(const void *record, char *text) noexcept {
    if (text != nullptr && !inBlockOf(record, text)) {
        std::free(text);
    }
}

void RecordRelease::free(void *record, std::size_t size) noexcept {
    void *of = blockOf(record);
    if (of == pool.block()) {
        pool.freeRecord(record, size);
        return;
    }
    poison(record, size);
    if (of != pending) {
        flush();
        pending = of;
    }
    ++count;
}

void RecordRelease::flush() noexcept {
    if (count > 0) {
        Pool::freeOthers(pending, count);
    }
    pending = nullptr;
    count = 0;
}

}  // namespace wbemkit
