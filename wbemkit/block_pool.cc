#include "wbemkit/internal/block_pool.h"

#include <atomic>
#include <cstddef>
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

constexpr std::uint32_t kFirstRecord = 32;  // records start 16-aligned after the head
static_assert(sizeof(BlockHead) <= kFirstRecord, "the head fits before the first record");

thread_local Pool t_pool;

char *base(BlockHead *block) {
    return reinterpret_cast<char *>(block);
}

void releaseBlock(BlockHead *block) {
    LongText *text = block->longTexts.load(std::memory_order_acquire);
    while (text != nullptr) {
        LongText *next = text->next;
        std::free(text);
        text = next;
    }
    unpoison(block, kBlockSize);
    std::free(block);
}

// A copy of `length` bytes of `text` kept on the list of `block`, or null
// when memory is exhausted.
char *keepLongText(BlockHead *block, const char *text, std::size_t length) {
    auto *kept = static_cast<LongText *>(std::malloc(offsetof(LongText, text) + length + 1));
    if (kept == nullptr) {
        return nullptr;
    }
    std::memcpy(kept->text, text, length + 1);
    kept->next = block->longTexts.load(std::memory_order_relaxed);
    while (!block->longTexts.compare_exchange_weak(kept->next, kept, std::memory_order_release,
                                                   std::memory_order_relaxed)) {
    }
    return kept->text;
}

// Seals the thread's blocks when the thread ends.
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

void Pool::seal(Cursor &c) noexcept {
    BlockHead *block = c.block();
    if (block == nullptr) {
        return;
    }
    c.disguised = 0;
    long delta = c.own - kOpen;
    if (block->live.fetch_add(delta, std::memory_order_acq_rel) + delta == 0) {
        releaseBlock(block);
    }
}

void Pool::seal() noexcept {
    seal(records);
    seal(cells);
}

bool Pool::takeNewBlock(Cursor &c, BlockKind kind) noexcept {
    seal(c);
    void *memory = std::aligned_alloc(kBlockSize, kBlockSize);
    if (memory == nullptr) {
        return false;
    }
    BlockHead *fresh = new (memory) BlockHead;
    fresh->live.store(kOpen, std::memory_order_relaxed);
    fresh->kind = kind;
    fresh->longTexts.store(nullptr, std::memory_order_relaxed);
    poison(base(fresh) + kFirstRecord, kBlockSize - kFirstRecord);
    c.disguised = reinterpret_cast<std::uintptr_t>(fresh) ^ kDisguise;
    c.front = kFirstRecord;
    c.back = kBlockSize;
    c.own = 0;
    std::memset(c.keptCount, 0, sizeof c.keptCount);
    if (kind == BlockKind::kRecords) {
        ++generation;
    }
    t_guard.armed = true;
    return true;
}

void *Pool::newInNewBlock(Cursor &c, BlockKind kind, std::size_t size) noexcept {
    if (!takeNewBlock(c, kind)) {
        return nullptr;
    }
    return carve(c, size, 0);
}

// A record of one of the thread's current blocks freed by the thread: kept
// for reuse, and the block given back at once when nothing in it lives any
// more (remote frees included), so that an idle thread holds no empty block.
void Pool::freeOwn(Cursor &c, void *record, std::size_t size) noexcept {
    BlockHead *block = c.block();
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

void Pool::freeRecord(void *record, std::size_t size) noexcept {
    poison(record, size);
    BlockHead *of = blockOf(record);
    if (of == records.block()) {
        freeOwn(records, record, size);
    } else if (of == cells.block()) {
        freeOwn(cells, record, size);
    } else {
        freeOthers(of, 1);
    }
}

void Pool::freeOthers(BlockHead *block, long count) noexcept {
    if (block->live.fetch_sub(count, std::memory_order_acq_rel) == count) {
        releaseBlock(block);
    }
}

char *Pool::copyIntoBlock(const char *text, std::size_t length, std::uint32_t hash,
                          bool remember) noexcept {
    if (records.back - records.front < length + 1) {
        return nullptr;
    }
    records.back -= static_cast<std::uint32_t>(length + 1);
    char *copy = base(records.block()) + records.back;
    unpoison(copy, length + 1);
    std::memcpy(copy, text, length + 1);
    if (remember) {
        texts[hash % kTextSlots] = {generation, hash, records.back,
                                    static_cast<std::uint32_t>(length)};
    }
    return copy;
}

char *Pool::copyText(const void *record, const char *text, bool &ok) noexcept {
    std::size_t length;
    if (blockOf(record) == records.block()) {
        // First by the address copied from: a text copied before from the
        // same place, and still the same text there.
        std::uintptr_t source = reinterpret_cast<std::uintptr_t>(text);
        SourceSlot &bySource = sources[(source >> 3) % kSourceSlots];
        char *start = base(records.block());
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
    char *copy = keepLongText(blockOf(record), text, length);
    if (copy == nullptr) {
        ok = false;
    }
    return copy;
}

void Pool::releaseText(const void *record, char *text) noexcept {
    if (text == nullptr || inBlockOf(record, text)) {
        return;
    }
    const BlockHead *block = blockOf(record);
    for (const LongText *kept = block->longTexts.load(std::memory_order_acquire); kept != nullptr;
         kept = kept->next) {
        if (kept->text == text) {
            return;  // the block's: it goes with the block
        }
    }
    std::free(text);
}

void RecordRelease::free(void *record, std::size_t size) noexcept {
    BlockHead *of = blockOf(record);
    if (pool.isCurrent(of)) {
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
