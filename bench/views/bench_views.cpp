// The highlighter's per-character style choice, which the text view makes for every character it paints.
#include "views/highlighter.h"

#include "views/styleid.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

// A dense page's worth of units many times over: words of one to three units in the four word styles, with
// punctuation between, a hover on one word and a selection across a few lines.
static void BM_HighlighterStyleAt(benchmark::State& state) {
  constexpr size_t UNITS = 1 << 20;
  const int styles[] = {StyleId::Known, StyleId::Unknown, StyleId::LookedUp, StyleId::SearchTerm};
  std::vector<uint64_t> attributes(UNITS);
  for (size_t i = 0; i < UNITS; ++i)
    attributes[i] = i % 7 == 6 ? 0 : uint64_t(styles[(i / 3) % 4]) << 32 | Highlighter::WORD;
  Highlighter highlighter;
  highlighter.setHover(5000, 5003);
  highlighter.setSelection(9000, 7000);
  for (auto _ : state) {
    uint64_t sum = 0;
    for (size_t i = 0; i < UNITS; ++i)
      sum += uint64_t(highlighter.styleAt(attributes[i], i * 3));
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(UNITS));
}
BENCHMARK(BM_HighlighterStyleAt)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
