// Where the library's records and their texts live.
//
// Records (instances, properties, object paths, list cells) are carved from
// 64 KiB blocks aligned to their size, which the calling thread fills one
// after the other; so a record finds its block from its own address, and a
// record costs no allocation of its own. A block goes back to the system when
// its last record is freed, by whichever thread frees it.
//
// A record's texts are kept in its own block, and one text may serve several
// records of that block: the texts a thread copies are looked up among those
// it copied into its current block first, so a name, a class or a value that
// a report repeats takes room once per block. A text that does not fit (a long
// one, or a record whose block is no longer the thread's current one) is a
// malloc'd copy of its own. So at release a text is the block's when it lies
// inside the record's block, and is freed with free() otherwise: a text a
// caller put in place of the library's is released like a long one.
//
// A thread keeps a few records it freed from its current block to hand out
// again: a path copied and freed at once, as the report's builder does for
// every reference, then costs no room.
//
// Under AddressSanitizer a freed record is poisoned until it is handed out
// again, so a use after free is still caught.
#ifndef WBEMKIT_INTERNAL_BLOCK_POOL_H
#define WBEMKIT_INTERNAL_BLOCK_POOL_H

#include <cstddef>
#include <cstdint>

namespace wbemkit {

constexpr std::size_t kBlockSize = 64 * 1024;
// The largest record, and the largest text a block takes.
constexpr std::size_t kLargestRecord = 64;
constexpr std::size_t kLargestBlockText = 1024;

// A new record of `size` bytes (a multiple of 8, at most kLargestRecord),
// not initialised; null when memory is exhausted.
void *newRecord(std::size_t size) noexcept;

// Gives back a record of `size` bytes that newRecord made.
void freeRecord(void *record, std::size_t size) noexcept;

// A text equal to `text` for a field of `record` (made by newRecord): a text
// already in the record's block is used as it is; otherwise one of the block
// or a malloc'd copy (see above). Null for a null text, and when memory is
// exhausted (`ok` then turns false).
char *textFor(const void *record, const char *text, bool &ok) noexcept;

// Releases `text` held by a field of `record` as described above; accepts null.
void releaseText(const void *record, char *text) noexcept;

// True when `text` lies in the block of `record` (and so is not the
// caller's to free).
inline bool inBlockOf(const void *record, const void *text) {
    std::uintptr_t block = reinterpret_cast<std::uintptr_t>(record) & ~(kBlockSize - 1);
    return reinterpret_cast<std::uintptr_t>(text) - block < kBlockSize;
}

// Frees many records in a row: gives each block's share back with one count
// update instead of one per record. Records are given back when it dies.
class RecordRelease {
  public:
    RecordRelease() = default;
    ~RecordRelease();
    RecordRelease(const RecordRelease &) = delete;
    RecordRelease &operator=(const RecordRelease &) = delete;

    void free(void *record, std::size_t size) noexcept;

  private:
    void flush() noexcept;

    void *block = nullptr;  // the block of the records counted so far
    long count = 0;
};

}  // namespace wbemkit

#endif
