// Where the library's records and their texts live.
//
// Records (instances, properties, object paths, list cells) are carved from
// 64 KiB blocks aligned to their size, which the calling thread fills one
// after the other (short list cells from blocks of their own); so a record
// finds its block from its own address, and a record costs no allocation of
// its own. A block goes back to the system when its last record is freed, by
// whichever thread frees it.
//
// A record's texts belong to its block, and one text may serve several
// records of that block: a text the thread already copied into its current
// block (looked up by its address, then by its content) is not copied again,
// so a name, a class or a value that a report repeats takes room once per
// block. A text that does not fit (a long one, or one for a record whose block
// is no longer the thread's current one) is a separate allocation that the
// block keeps on its list of long texts and frees with itself. So a caller
// may put a malloc'd text of its own in place of any of the library's without
// freeing that one; at release a text that lies in the record's block or on
// its list is the block's, and any other is the caller's and is freed.
//
// A thread keeps a few records it freed from its current block to hand out
// again: a path made only to be copied into a reference and freed at once
// then costs no room.
//
// Under AddressSanitizer a freed record is poisoned until it is handed out
// again, so a use after free is still caught.
#ifndef WBEMKIT_INTERNAL_BLOCK_POOL_H
#define WBEMKIT_INTERNAL_BLOCK_POOL_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define WBEMKIT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WBEMKIT_ASAN 1
#endif
#endif

namespace wbemkit {

#if defined(WBEMKIT_ASAN)
// Records are poisoned while they are free; these undo and redo that.
void unpoison(const void *memory, std::size_t size) noexcept;
void poison(const void *memory, std::size_t size) noexcept;
#else
inline void unpoison(const void *, std::size_t) noexcept {}
inline void poison(const void *, std::size_t) noexcept {}
#endif

constexpr std::size_t kBlockSize = 64 * 1024;
// The largest record, and the longest text a block takes.
constexpr std::size_t kLargestRecord = 64;
constexpr std::size_t kLongestBlockText = 1023;

// What a block holds: records with their texts, or only short list cells
// (list cells with no room for a hint, see list_cell.h).
enum class BlockKind : std::uint32_t { kRecords, kShortCells };

// The head of every block. `live` counts the block's records not yet freed,
// plus Pool::kOpen while a thread still carves from it: that thread counts
// its own records in its pool and adds them when it moves on, so carving a
// record costs no atomic operation.
struct BlockHead {
    std::atomic<long> live;
    BlockKind kind;
    // The block's long texts, each allocated behind a LongText; freed with
    // the block. Pushed by any thread that sets a text of one of its records.
    std::atomic<struct LongText *> longTexts;
};

struct LongText {
    LongText *next;
    char text[1];  // the text and its terminator
};

inline BlockHead *blockOf(const void *record) {
    return reinterpret_cast<BlockHead *>(reinterpret_cast<std::uintptr_t>(record) &
                                         ~(kBlockSize - 1));
}

// True when `text` lies in the block of `record` (and so is not the caller's
// to free).
inline bool inBlockOf(const void *record, const void *text) {
    std::uintptr_t block = reinterpret_cast<std::uintptr_t>(record) & ~(kBlockSize - 1);
    return reinterpret_cast<std::uintptr_t>(text) - block < kBlockSize;
}

// The calling thread's share of the pool: its current blocks (one for records
// and their texts, one for short list cells) and what it keeps about them.
// Look it up once per operation (current()) and hand it down.
class Pool {
  public:
    static constexpr long kOpen = 1L << 40;

    static Pool &current() noexcept;

    // A new record of `size` bytes (a multiple of 8, at most kLargestRecord),
    // not initialised; null when memory is exhausted.
    void *newRecord(std::size_t size) noexcept {
        void *record = carve(records, size, kTextHeadroom);
        return record != nullptr ? record : newInNewBlock(records, BlockKind::kRecords, size);
    }
    // A new short list cell (16 bytes), from a block of short cells only.
    void *newShortCell() noexcept {
        void *cell = carve(cells, kShortCell, 0);
        return cell != nullptr ? cell : newInNewBlock(cells, BlockKind::kShortCells, kShortCell);
    }

    // Gives back a record or cell of `size` bytes that this pool or another
    // thread's made.
    void freeRecord(void *record, std::size_t size) noexcept;

    // A text equal to `text` for a field of `record` (made by newRecord): a
    // text already in the record's block is used as it is; otherwise one of
    // the block or a malloc'd copy (see above). Null for a null text, and when
    // memory is exhausted (`ok` then turns false).
    char *textFor(const void *record, const char *text, bool &ok) noexcept {
        if (text == nullptr || inBlockOf(record, text)) {
            return const_cast<char *>(text);
        }
        return copyText(record, text, ok);
    }

    // Frees `text` held by a field of `record` unless it is one of the
    // record's block (see above); accepts null.
    static void releaseText(const void *record, char *text) noexcept;

    // True for one of the thread's current blocks.
    bool isCurrent(const BlockHead *block) const {
        return block == records.block() || block == cells.block();
    }
    // Counts `count` records of `block` (not a current one) freed.
    static void freeOthers(BlockHead *block, long count) noexcept;

    // The thread stops carving from its current blocks (at its end).
    void seal() noexcept;

  private:
    static constexpr std::uintptr_t kDisguise = 0xa5a5a5a5a5a5a5a5u;
    // Room a new record leaves for its texts, so that they can join it.
    static constexpr std::uint32_t kTextHeadroom = 256;
    static constexpr std::size_t kShortCell = 16;
    static constexpr int kSizeClasses = kLargestRecord / 8;
    static constexpr int kKept = 16;          // freed records kept per size for reuse
    static constexpr int kTextSlots = 256;    // texts of the current block, by content
    static constexpr int kSourceSlots = 256;  // the same, by the address copied from

    // Where the thread carves from one of its blocks. Plain data, so that the
    // thread's pool outlives every other object of the thread. Addresses in
    // the block are kept as offsets and the block's own address disguised:
    // the leak checker must find a block only through its live records.
    struct Cursor {
        std::uintptr_t disguised;  // the block's address ^ kDisguise; 0 for none
        std::uint32_t front;       // next record
        std::uint32_t back;        // the texts start here; [front, back) is free
        long own;                  // records carved and not freed by this thread
        std::uint8_t keptCount[kSizeClasses];
        std::uint16_t kept[kSizeClasses][kKept];

        BlockHead *block() const {
            return disguised != 0 ? reinterpret_cast<BlockHead *>(disguised ^ kDisguise) : nullptr;
        }
    };

    static void *carve(Cursor &c, std::size_t size, std::uint32_t headroom) noexcept {
        if (c.disguised == 0) {
            return nullptr;
        }
        int k = static_cast<int>(size / 8) - 1;
        char *start = reinterpret_cast<char *>(c.disguised ^ kDisguise);
        char *record = nullptr;
        if (c.keptCount[k] > 0) {
            record = start + c.kept[k][--c.keptCount[k]];
        } else if (c.back - c.front >= size + headroom) {
            record = start + c.front;
            c.front += static_cast<std::uint32_t>(size);
        } else {
            return nullptr;
        }
        ++c.own;
        unpoison(record, size);
        return record;
    }

    void *newInNewBlock(Cursor &c, BlockKind kind, std::size_t size) noexcept;
    bool takeNewBlock(Cursor &c, BlockKind kind) noexcept;
    static void seal(Cursor &c) noexcept;
    static void freeOwn(Cursor &c, void *record, std::size_t size) noexcept;
    char *copyText(const void *record, const char *text, bool &ok) noexcept;
    char *copyIntoBlock(const char *text, std::size_t length, std::uint32_t hash,
                        bool remember) noexcept;

    Cursor records;
    Cursor cells;
    std::uint32_t generation;  // of the records block; slots of others are stale
    struct TextSlot {
        std::uint32_t generation;
        std::uint32_t hash;
        std::uint32_t offset;
        std::uint32_t length;
    } texts[kTextSlots];
    struct SourceSlot {
        std::uintptr_t disguisedSource;
        std::uint32_t generation;
        std::uint32_t offset;
    } sources[kSourceSlots];
};

// Frees many records in a row: a block's share is given back with one count
// update instead of one per record. Records are given back when it dies.
class RecordRelease {
  public:
    RecordRelease() : pool(Pool::current()) {}
    ~RecordRelease() { flush(); }
    RecordRelease(const RecordRelease &) = delete;
    RecordRelease &operator=(const RecordRelease &) = delete;

    void free(void *record, std::size_t size) noexcept;

  private:
    void flush() noexcept;

    Pool &pool;
    BlockHead *pending = nullptr;  // the block of the records counted so far
    long count = 0;
};

}  // namespace wbemkit

#endif
