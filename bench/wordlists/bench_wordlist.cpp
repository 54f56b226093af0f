// Word lists: loading a 100,000-word list, and storing a revision after one mark (which writes the store
// record, the list file and the cache, each made durable).
#include "wordlists/wordlistmanager.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int WORDS = 100000;

// A fresh folder holding the list "known" with the first 100,000 words of the master word list.
class ListFolder {
public:
  ListFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qmbench-XXXXXX";
    root = mkdtemp(pattern.data());
    std::ifstream in(QM_RESOURCES_DIR "/data/words.u8");
    WordListManager manager(root.c_str());
    std::string line;
    for (int i = 0; i < WORDS && std::getline(in, line); ++i)
      manager.current().add(Span(line));
    manager.saveVersion();
  }
  ~ListFolder() {
    std::error_code error;
    std::filesystem::remove_all(root, error);
  }
  std::string root;
};

void BM_LoadList(benchmark::State& state) {
  ListFolder folder;
  for (auto _ : state) {
    WordListManager manager(folder.root.c_str());
    benchmark::DoNotOptimize(manager.current().totalWords());
  }
  state.counters["words"] = WORDS;
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);

// The cache is gone: the list is rebuilt from its revisions and the cache written again.
void BM_LoadListRebuilt(benchmark::State& state) {
  ListFolder folder;
  const std::string cache = folder.root + "/wordlists/cache/known";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(cache);
    state.ResumeTiming();
    WordListManager manager(folder.root.c_str());
    benchmark::DoNotOptimize(manager.current().totalWords());
  }
}
BENCHMARK(BM_LoadListRebuilt)->Unit(benchmark::kMillisecond);

void BM_SaveAfterOneMark(benchmark::State& state) {
  ListFolder folder;
  WordListManager manager(folder.root.c_str());
  int i = 0;
  for (auto _ : state) {
    manager.current().add(Span("mark" + std::to_string(i++)));
    benchmark::DoNotOptimize(manager.saveVersion());
  }
}
BENCHMARK(BM_SaveAfterOneMark)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
