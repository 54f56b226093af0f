// One million CJK words inserted into and found in the chained hash table, keys copied into a
// SpanBackingStore. The global operator new is counted, so the benchmark reports heap allocations per key
// (nodes come from 4,000-node pool blocks and key bytes from large arena blocks, so it should be ~0).
#include "support/countingnew.h"
#include "utils/hashtable.h"
#include "utils/spanbackingstore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

constexpr size_t WORDS = 1000000;
constexpr uint32_t BITS = 20;
constexpr size_t ARENA_BLOCK = 1 << 20;

std::string readFile(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A million distinct words of two to four common characters, deterministic, packed into one string.
struct Words {
  std::string bytes;
  std::vector<Span> spans;

  Words() {
    std::vector<std::string> chars;
    std::istringstream lines(readFile(std::string(QM_RESOURCES_DIR) + "/data/common.u8"));
    for (std::string line; std::getline(lines, line);)
      if (!line.empty()) chars.push_back(line);
    if (chars.empty()) std::abort();
    std::mt19937 random(2024);
    std::unordered_set<std::string> seen;
    std::vector<std::pair<size_t, size_t>> ranges;
    while (ranges.size() < WORDS) {
      std::string w;
      for (int n = 2 + int(random() % 3); n > 0; --n)
        w += chars[random() % chars.size()];
      if (!seen.insert(w).second) continue;
      ranges.emplace_back(bytes.size(), w.size());
      bytes += w;
    }
    for (auto [at, n] : ranges)
      spans.emplace_back(bytes.data() + at, n);
  }
};

Words const& words() {
  static const Words w;
  return w;
}

void BM_InsertCjkWords(benchmark::State& state) {
  auto const& w = words();
  uint64_t allocs = 0;
  for (auto _ : state) {
    HashTable<uint64_t> table(BITS);
    SpanBackingStore arena(ARENA_BLOCK, 1);
    const uint64_t before = allocationCount();
    for (size_t i = 0; i < w.spans.size(); ++i)
      table.insert(arena.addSpan(w.spans[i]), i);
    allocs += allocationCount() - before;
    benchmark::DoNotOptimize(table.size());
  }
  state.SetItemsProcessed(int64_t(state.iterations() * w.spans.size()));
  state.counters["allocs_per_key"] = double(allocs) / double(state.iterations() * w.spans.size());
}
BENCHMARK(BM_InsertCjkWords)->Unit(benchmark::kMillisecond);

// Refilling a cleared table: every node comes from the free list, every key from reused arena memory.
void BM_RefillClearedTable(benchmark::State& state) {
  auto const& w = words();
  HashTable<uint64_t> table(BITS);
  SpanBackingStore arena(ARENA_BLOCK, 1);
  for (size_t i = 0; i < w.spans.size(); ++i)
    table.insert(arena.addSpan(w.spans[i]), i);
  uint64_t allocs = 0;
  for (auto _ : state) {
    table.clear();
    arena.clear();
    const uint64_t before = allocationCount();
    for (size_t i = 0; i < w.spans.size(); ++i)
      table.insert(arena.addSpan(w.spans[i]), i);
    allocs += allocationCount() - before;
  }
  state.SetItemsProcessed(int64_t(state.iterations() * w.spans.size()));
  state.counters["allocs_per_key"] = double(allocs) / double(state.iterations() * w.spans.size());
}
BENCHMARK(BM_RefillClearedTable)->Unit(benchmark::kMillisecond);

void BM_FindCjkWords(benchmark::State& state) {
  auto const& w = words();
  HashTable<uint64_t> table(BITS);
  SpanBackingStore arena(ARENA_BLOCK, 1);
  for (size_t i = 0; i < w.spans.size(); ++i)
    table.insert(arena.addSpan(w.spans[i]), i);
  uint64_t allocs = 0;
  for (auto _ : state) {
    const uint64_t before = allocationCount();
    uint64_t sum = 0;
    for (auto const& s : w.spans)
      sum += table.find(s)->value;
    allocs += allocationCount() - before;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations() * w.spans.size()));
  state.counters["allocs_per_key"] = double(allocs) / double(state.iterations() * w.spans.size());
  state.counters["collisions"] = double(table.collisions);
}
BENCHMARK(BM_FindCjkWords)->Unit(benchmark::kMillisecond);

// Misses: the words with their first character dropped are mostly absent.
void BM_FindAbsentWords(benchmark::State& state) {
  auto const& w = words();
  HashTable<uint64_t> table(BITS);
  for (size_t i = 0; i < w.spans.size(); ++i)
    table.insert(w.spans[i], i);
  for (auto _ : state) {
    size_t found = 0;
    for (auto const& s : w.spans)
      found += table.find(Span(s.data + 3, s.length - 3)) != nullptr;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(int64_t(state.iterations() * w.spans.size()));
}
BENCHMARK(BM_FindAbsentWords)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
