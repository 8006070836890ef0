// What one dependent random read costs in tables of the sizes the scale
// benchmark's databases reach: the floor under any step that follows a pointer
// or looks an Id up once per resource.
//
// A table of 64-byte cells is linked into one random cycle and walked; each
// read depends on the one before, as in a walk of a tree or a chain of lookups.
// The sizes match the resident sets of the host inventories in scale_bench
// (about 16 MB at 10k resources, 125 MB at 100k, 1.2 GB at 1M). The ratio of the
// largest to the smallest is what no layout that keeps one scattered object per
// resource can avoid paying per lookup.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace {

struct alignas(64) Cell {
    Cell *next;
};

void BM_DependentRead(benchmark::State &state) {
    const std::size_t cells = static_cast<std::size_t>(state.range(0)) * 1024 * 1024 / sizeof(Cell);
    std::vector<Cell> table(cells);
    std::vector<std::size_t> order(cells);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::shuffle(order.begin() + 1, order.end(), std::mt19937_64(42));
    for (std::size_t i = 0; i < cells; ++i) {
        table[order[i]].next = &table[order[(i + 1) % cells]];
    }
    const Cell *at = &table[0];
    constexpr int kReads = 1 << 20;
    for (auto _ : state) {
        for (int i = 0; i < kReads; ++i) {
            at = at->next;
        }
        benchmark::DoNotOptimize(at);
    }
    state.SetItemsProcessed(state.iterations() * kReads);
    // Nanoseconds per read (the library prints the figure with an "s" after it).
    state.counters["ns_per_read"] = benchmark::Counter(
        kReads * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Table sizes in MiB.
BENCHMARK(BM_DependentRead)->Arg(16)->Arg(125)->Arg(1200)->Unit(benchmark::kMillisecond);

}  // namespace
