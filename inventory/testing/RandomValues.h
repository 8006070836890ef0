// The random values the generators of test inventories draw from one seeded
// engine: numbers, odds, state words and record-safe texts. The same seed
// gives the same values.
#ifndef INVENTORY_TESTING_RANDOMVALUES_H
#define INVENTORY_TESTING_RANDOMVALUES_H

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ulvar {
namespace testing {

class RandomValues {
  public:
    explicit RandomValues(uint32_t seed) : rng(seed) {}

    // 0 to n, both included.
    int upTo(int n) { return std::uniform_int_distribution<int>(0, n)(rng); }
    bool chance(int percent) { return upTo(99) < percent; }
    int32_t anyInt() { return static_cast<int32_t>(rng()); }
    long size() { return static_cast<long>(rng() & 0x7fffffff); }
    uint32_t state() { return chance(20) ? static_cast<uint32_t>(rng()) : rng() & 0x3f; }

    // Text without double quotes; separators, blanks, line breaks and
    // non-ASCII bytes included, since values are written as they stand.
    std::string text(int maxLength = 12) {
        static const char *const pieces[] = {"a",  "Z",        "7", ",", ";", "=", " ",  "\n",
                                             "\t", "\xc3\xa9", "'", "/", "-", "_", ",;", "x=y"};
        std::string out;
        for (int n = upTo(maxLength); n > 0; --n) {
            out += pieces[upTo(static_cast<int>(sizeof pieces / sizeof pieces[0]) - 1)];
        }
        return out;
    }

    // One element of `from`, or null when it is empty.
    template <typename T>
    const T *pick(const std::vector<T> &from) {
        return from.empty() ? nullptr
                            : &from[static_cast<size_t>(upTo(static_cast<int>(from.size()) - 1))];
    }

  protected:
    std::mt19937 rng;
};

}  // namespace testing
}  // namespace ulvar

#endif
