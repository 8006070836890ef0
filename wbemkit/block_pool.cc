#include "wbemkit/internal/block_pool.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define WBEMKIT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WBEMKIT_ASAN 1
#endif
#endif
#if defined(WBEMKIT_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace wbemkit {

namespace {

#if defined(WBEMKIT_ASAN)
void poison(const void *p, std::size_t n) {
    ASAN_POISON_MEMORY_REGION(p, n);
}
void unpoison(const void *p, std::size_t n) {
    ASAN_UNPOISON_MEMORY_REGION(p, n);
}
#else
void poison(const void *, std::size_t) {}
void unpoison(const void *, std::size_t) {}
#endif

// The head of a block. `live` counts the block's records not yet freed, plus
// kOpen while a thread still carves records from it: that thread counts its
// own records in its cursor and adds them when it moves on (seal), so that
// carving a record costs no atomic operation.
struct Block {
    std::atomic<long> live;
};
constexpr long kOpen = 1L << 40;
constexpr std::size_t kFirstRecord = 16;  // records start 16-aligned after the head
// Room a new record leaves for its texts, so that they can join it.
constexpr std::size_t kTextHeadroom = 256;

constexpr int kSizeClasses = kLargestRecord / 8;
constexpr int kKept = 16;                // freed records kept per size for reuse
constexpr int kTextSlots = 512;          // texts of the current block, by hash
constexpr std::size_t kSharedText = 64;  // longer texts are copied, not looked up

// A thread's hold on its current block. Plain data, so that it outlives
// every other thread-local object of the thread. Addresses in the block are
// kept as offsets and the block's own address disguised, so that the leak
// checker sees no pointer into a block from here: a block is reachable only
// through its live records.
struct Cursor {
    std::uintptr_t disguised;  // the block's address ^ kDisguise; 0 for none
    std::uint32_t front;       // next record
    std::uint32_t back;        // the texts start here; [front, back) is free
    long own;                  // records carved and not freed by this thread
    std::uint16_t kept[kSizeClasses][kKept];
    std::uint8_t keptCount[kSizeClasses];
    struct TextSlot {
        std::uint32_t generation;
        std::uint32_t hash;
        std::uint16_t offset;
        std::uint16_t length;
    } texts[kTextSlots];
    std::uint32_t generation;  // of the current block; text slots of others are stale
};
constexpr std::uintptr_t kDisguise = 0xa5a5a5a5a5a5a5a5u;

thread_local Cursor t_cursor;

Block *current(const Cursor &c) {
    return c.disguised != 0 ? reinterpret_cast<Block *>(c.disguised ^ kDisguise) : nullptr;
}

Block *blockOf(const void *record) {
    return reinterpret_cast<Block *>(reinterpret_cast<std::uintptr_t>(record) & ~(kBlockSize - 1));
}

char *base(Block *block) {
    return reinterpret_cast<char *>(block);
}

void releaseBlock(Block *block) {
    unpoison(block, kBlockSize);
    std::free(block);
}

// The thread stops carving from its current block; the block goes when it
// holds no record.
void seal(Cursor &c) {
    Block *block = current(c);
    if (block == nullptr) {
        return;
    }
    c.disguised = 0;
    long delta = c.own - kOpen;
    if (block->live.fetch_add(delta, std::memory_order_acq_rel) + delta == 0) {
        releaseBlock(block);
    }
}

// Seals the thread's block when the thread ends.
struct CursorGuard {
    bool armed = false;
    ~CursorGuard() { seal(t_cursor); }
};
thread_local CursorGuard t_guard;

bool takeNewBlock(Cursor &c) {
    seal(c);
    void *memory = std::aligned_alloc(kBlockSize, kBlockSize);
    if (memory == nullptr) {
        return false;
    }
    Block *block = new (memory) Block;
    block->live.store(kOpen, std::memory_order_relaxed);
    poison(base(block) + kFirstRecord, kBlockSize - kFirstRecord);
    c.disguised = reinterpret_cast<std::uintptr_t>(block) ^ kDisguise;
    c.front = kFirstRecord;
    c.back = kBlockSize;
    c.own = 0;
    std::memset(c.keptCount, 0, sizeof c.keptCount);
    ++c.generation;
    t_guard.armed = true;
    return true;
}

// A record of the thread's current block is freed by the thread: kept for
// reuse, and the block given back at once when nothing in it lives any more
// (its remote frees included), so that an idle thread holds no empty block.
void freeOwn(Cursor &c, Block *block, void *record, std::size_t size) {
    --c.own;
    if (c.own == kOpen - block->live.load(std::memory_order_acquire)) {
        c.disguised = 0;
        releaseBlock(block);
        return;
    }
    int k = static_cast<int>(size / 8) - 1;
    if (c.keptCount[k] < kKept) {
        c.kept[k][c.keptCount[k]++] =
            static_cast<std::uint16_t>(static_cast<char *>(record) - base(block));
    }
}

void freeRemote(Block *block, long count) {
    if (block->live.fetch_sub(count, std::memory_order_acq_rel) == count) {
        releaseBlock(block);
    }
}

std::uint32_t hashText(const char *text, std::size_t length) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < length; ++i) {
        h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
    }
    return h;
}

}  // namespace

void *newRecord(std::size_t size) noexcept {
    Cursor &c = t_cursor;
    Block *block = current(c);
    int k = static_cast<int>(size / 8) - 1;
    char *record;
    if (block != nullptr && c.keptCount[k] > 0) {
        record = base(block) + c.kept[k][--c.keptCount[k]];
    } else {
        if (block == nullptr || c.back - c.front < size + kTextHeadroom) {
            if (!takeNewBlock(c)) {
                return nullptr;
            }
            block = current(c);
        }
        record = base(block) + c.front;
        c.front += static_cast<std::uint32_t>(size);
    }
    ++c.own;
    unpoison(record, size);
    return record;
}

void freeRecord(void *record, std::size_t size) noexcept {
    Block *block = blockOf(record);
    poison(record, size);
    Cursor &c = t_cursor;
    if (block == current(c)) {
        freeOwn(c, block, record, size);
    } else {
        freeRemote(block, 1);
    }
}

char *textFor(const void *record, const char *text, bool &ok) noexcept {
    if (text == nullptr || inBlockOf(record, text)) {
        return const_cast<char *>(text);
    }
    std::size_t length = std::strlen(text);
    Cursor &c = t_cursor;
    Block *block = blockOf(record);
    if (block == current(c) && length < kLargestBlockText) {
        Cursor::TextSlot *slot = nullptr;
        std::uint32_t hash = 0;
        if (length <= kSharedText) {
            hash = hashText(text, length);
            slot = &c.texts[hash % kTextSlots];
            if (slot->generation == c.generation && slot->hash == hash && slot->length == length &&
                std::memcmp(base(block) + slot->offset, text, length) == 0) {
                return base(block) + slot->offset;
            }
        }
        if (c.back - c.front >= length + 1) {
            c.back -= static_cast<std::uint32_t>(length + 1);
            char *copy = base(block) + c.back;
            unpoison(copy, length + 1);
            std::memcpy(copy, text, length + 1);
            if (slot != nullptr) {
                *slot = {c.generation, hash, static_cast<std::uint16_t>(c.back),
                         static_cast<std::uint16_t>(length)};
            }
            return copy;
        }
    }
    char *copy = static_cast<char *>(std::malloc(length + 1));
    if (copy == nullptr) {
        ok = false;
        return nullptr;
    }
    std::memcpy(copy, text, length + 1);
    return copy;
}

void releaseText(const void *record, char *text) noexcept {
    if (text != nullptr && !inBlockOf(record, text)) {
        std::free(text);
    }
}

RecordRelease::~RecordRelease() {
    flush();
}

void RecordRelease::free(void *record, std::size_t size) noexcept {
    Block *of = blockOf(record);
    if (of == current(t_cursor)) {
        freeRecord(record, size);
        return;
    }
    poison(record, size);
    if (of != block) {
        flush();
        block = of;
    }
    ++count;
}

void RecordRelease::flush() noexcept {
    if (count > 0) {
        freeRemote(static_cast<Block *>(block), count);
    }
    block = nullptr;
    count = 0;
}

}  // namespace wbemkit
