#include "inventory/report/internal/NameOrder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace rm_report {

namespace {

// Below this many entries a comparison sort is cheaper than the 256
// counters a distribution clears and walks.
constexpr std::size_t kCompareBelow = 64;
// Distributions nested deeper than this (one per byte that varies among the
// names left) give way to comparisons: the stack stays small whatever the
// names.
constexpr int kMostLevels = 48;
// A distribution takes one byte (256 buckets), or two (65,536) when the
// entries are this many at least, so that the passes over them that go to
// memory are fewer; at most kWideLevels of those are nested.
constexpr std::size_t kBuckets = 256;
constexpr std::size_t kWideBuckets = 65536;
constexpr std::size_t kWideFrom = 1 << 17;
constexpr std::size_t kWideLevels = 3;

// The bytes of `name` from `depth` on, the first of them highest, zero past
// the end.
std::uint64_t chunkAt(std::string_view name, std::size_t depth) {
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(name.data()) + depth;
    std::uint64_t chunk = 0;
    if (name.size() >= depth + 8) {
        std::memcpy(&chunk, bytes, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        chunk = __builtin_bswap64(chunk);
#endif
        return chunk;
    }
    std::size_t n = 0;
    for (; depth + n < name.size(); ++n) {
        chunk = chunk << 8 | bytes[n];
    }
    return n == 0 ? 0 : chunk << (8 * (8 - n));
}

class Sorter {
  public:
    explicit Sorter(std::size_t count)
        : wide(count >= kWideFrom ? kWideLevels * 2 * (kWideBuckets + 1) : 0) {}

    void sortFrom(NamedInstance *data, std::size_t count, std::size_t depth, bool chunked,
                  int levels);

  private:
    std::vector<std::uint32_t> wide;  // the counters of the wide distributions
    std::size_t wideLevel = 0;        // those under way
};

// Orders `count` entries at `data`, whose names agree in their first `depth`
// bytes (and are that long at least), by the bytes that follow: the most
// significant byte that varies distributes the entries into 256 buckets,
// in place, and each bucket is ordered the same way by the bytes after it. A
// bucket soon fits in the cache, so only the first distributions go to
// memory, and no second array is needed (one as large as a million entries
// would be fresh memory, every page of it faulted in). `chunked` tells that
// each entry's chunk already holds its 8 bytes from `depth`; `levels` bounds
// the recursion, past which the names are compared instead.
void Sorter::sortFrom(NamedInstance *data, std::size_t count, std::size_t depth, bool chunked,
                      int levels) {
    for (;;) {
        if (count < kCompareBelow || levels == 0) {
            std::sort(data, data + count, [depth](const NamedInstance &a, const NamedInstance &b) {
                return a.name.substr(depth) < b.name.substr(depth);
            });
            return;
        }
        std::uint64_t varies = 0;
        std::size_t shortest = SIZE_MAX;
        if (!chunked) {
            for (NamedInstance *e = data; e != data + count; ++e) {
                e->chunk = chunkAt(e->name, depth);
                varies |= e->chunk ^ data->chunk;
                shortest = std::min(shortest, e->name.size());
            }
        } else {
            for (const NamedInstance *e = data; e != data + count; ++e) {
                varies |= e->chunk ^ data->chunk;
                shortest = std::min(shortest, e->name.size());
            }
        }
        if (varies == 0) {
            // Every name is, zero-padded, the same in these 8 bytes: one that
            // ends within them is a prefix of each longer one and goes before.
            depth += 8;
            if (shortest <= depth) {
                NamedInstance *longer = std::partition(
                    data, data + count,
                    [depth](const NamedInstance &e) { return e.name.size() <= depth; });
                std::sort(data, longer, [](const NamedInstance &a, const NamedInstance &b) {
                    return a.name.size() < b.name.size();
                });
                count -= static_cast<std::size_t>(longer - data);
                data = longer;
            }
            chunked = false;
            continue;
        }
        // The byte that varies first, and the one after it too when the
        // entries are many: 65,536 buckets in one pass rather than two.
        int shift = 56 - 8 * (__builtin_clzll(varies) / 8);
        std::uint32_t narrow[2 * (kBuckets + 1)];
        std::uint32_t *starts = narrow;
        std::size_t buckets = kBuckets;
        if (count >= kWideFrom && shift >= 8 && wideLevel < kWideLevels) {
            shift -= 8;
            buckets = kWideBuckets;
            starts = wide.data() + wideLevel * 2 * (kWideBuckets + 1);
            ++wideLevel;
        }
        std::uint32_t *next = starts + buckets + 1;
        std::uint64_t mask = buckets - 1;
        auto bucketOf = [shift, mask](const NamedInstance &e) { return (e.chunk >> shift) & mask; };
        std::fill(starts, starts + buckets + 1, 0u);
        for (const NamedInstance *e = data; e != data + count; ++e) {
            ++starts[bucketOf(*e) + 1];
        }
        for (std::size_t k = 0; k < buckets; ++k) {
            starts[k + 1] += starts[k];
        }
        // Each entry not yet in its bucket trades places with the first one
        // its bucket still holds that does not belong there.
        std::copy(starts, starts + buckets, next);
        for (std::size_t k = 0; k < buckets; ++k) {
            while (next[k] < starts[k + 1]) {
                NamedInstance moving = data[next[k]];
                for (std::size_t b = bucketOf(moving); b != k; b = bucketOf(moving)) {
                    std::swap(moving, data[next[b]++]);
                }
                data[next[k]++] = moving;
            }
        }
        for (std::size_t k = 0; k < buckets; ++k) {
            std::size_t n = starts[k + 1] - starts[k];
            if (n > 0) {
                sortFrom(data + starts[k], n, depth, true, levels - 1);
            }
        }
        if (starts != narrow) {
            --wideLevel;
        }
        return;
    }
}

}  // namespace

void sortByName(std::vector<NamedInstance> &entries) {
    // Names filed in their order already (a map filled from the database
    // mostly is) cost one look at each.
    if (std::is_sorted(
            entries.begin(), entries.end(),
            [](const NamedInstance &a, const NamedInstance &b) { return a.name < b.name; })) {
        return;
    }
    Sorter(entries.size()).sortFrom(entries.data(), entries.size(), 0, false, kMostLevels);
}

}  // namespace rm_report
