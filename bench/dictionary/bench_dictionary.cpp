// Loading and indexing the shipped dictionary, and looking words up in it.
#include "dictionary/cedictionary.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void useShippedData() {
  setenv("QUILLMERE_RESOURCES", QM_RESOURCES_DIR, 1);
  setenv("XDG_DATA_HOME", "/nonexistent-quillmere-bench", 1); // no user dictionary
}

size_t heapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

void BM_LoadDictionary(benchmark::State& state) {
  useShippedData();
  size_t memory = 0;
  for (auto _ : state) {
    const size_t before = heapInUse();
    CEDictionary d("data/cedict_ts.u8", false);
    memory = heapInUse() - before;
    benchmark::DoNotOptimize(d.item(Span("中国")));
  }
  state.counters["heapMB"] = double(memory) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LoadDictionary)->Unit(benchmark::kMillisecond);

void BM_LookUpAndRead(benchmark::State& state) {
  useShippedData();
  const CEDictionary d("data/cedict_ts.u8", false);
  const std::vector<std::string> words = {"中国", "吃饭", "女", "了", "行", "长", "不知道", "電腦"};
  Dictionary::Info info;
  for (auto _ : state) {
    for (const auto& w : words)
      if (const DictionaryItem* item = d.item(Span(w)))
        for (const DictionaryEntry* e = item->first(); e; e = item->next())
          d.getInfo(*e, info);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(words.size()));
}
BENCHMARK(BM_LookUpAndRead);

} // namespace

BENCHMARK_MAIN();
