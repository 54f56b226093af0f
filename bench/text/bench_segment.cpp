// Segmentation throughput next to a plain UTF-8 character count over the same bytes, and the time and
// resident memory of loading the master word list with its prefixes and the proficiency levels.
#include "text/chinesetokenizer.h"
#include "text/proficiencylevelhash.h"
#include "text/wordhash.h"
#include "utils/utf8.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::string readFile(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// At least 50 MB of real text: the PKU test set repeated.
std::string const& corpus() {
  static const std::string text = [] {
    const std::string once = readFile(QM_SHARED_DATA_DIR "/corpus/pku_test.utf8");
    std::string all;
    if (once.empty()) return all;
    while (all.size() < 50u * 1024 * 1024)
      all += once;
    return all;
  }();
  return text;
}

const std::string WORDS = QM_RESOURCES_DIR "/data/words.u8";

WordHash const& masterList() {
  static const WordHash words(20, WORDS.c_str(), true);
  return words;
}

void BM_Segment(benchmark::State& state) {
  const std::string& text = corpus();
  WordHash const& words = masterList();
  if (text.empty() || !words.totalWords()) state.SkipWithError("corpus or master list missing");
  for (auto _ : state) {
    ChineseTokenizer tokenizer(Utf8Range(text.data(), text.size()), words, true);
    uint64_t tokens = 0;
    while (tokenizer.hasTokens())
      tokens += tokenizer.nextToken().bytes != 0;
    benchmark::DoNotOptimize(tokens);
    state.counters["tokens"] = double(tokens);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_Segment)->Unit(benchmark::kMillisecond);

void BM_CountCharacters(benchmark::State& state) {
  const std::string& text = corpus();
  for (auto _ : state)
    benchmark::DoNotOptimize(utf8::character_count(Span(text.data(), text.size())));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_CountCharacters)->Unit(benchmark::kMillisecond);

long residentKiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Loaded {
  std::unique_ptr<WordHash> words;
  std::unique_ptr<ProficiencyLevelHash> levels;
};

Loaded loadAll() {
  Loaded l;
  l.words = std::make_unique<WordHash>(20, WORDS.c_str(), true);
  l.levels = std::make_unique<ProficiencyLevelHash>();
  for (unsigned n = 1; n <= 6; ++n)
    l.levels->addFileWithLevel(ProficiencyLevelHash::HSK,
                               (QM_RESOURCES_DIR "/wordlists/hsk-" + std::to_string(n) + ".txt").c_str(),
                               static_cast<unsigned short>(1u << (n - 1)));
  for (unsigned n = 1; n <= 5; ++n)
    l.levels->addFileWithLevel(ProficiencyLevelHash::TOCFL,
                               (QM_RESOURCES_DIR "/wordlists/tocfl-" + std::to_string(n) + ".txt").c_str(),
                               static_cast<unsigned short>(1u << (n - 1)));
  return l;
}

void BM_LoadMasterListAndLevels(benchmark::State& state) {
  // Memory freed by one iteration is reused by the next, so only the first load shows what loading takes.
  static double residentMiB = -1;
  for (auto _ : state) {
    const long before = residentKiB();
    Loaded l = loadAll();
    if (residentMiB < 0) residentMiB = double(residentKiB() - before) / 1024.0;
    state.counters["words"] = double(l.words->totalWords());
    state.PauseTiming(); // freeing is not loading
    l = Loaded();
    state.ResumeTiming();
  }
  state.counters["resident_MiB"] = residentMiB;
}
BENCHMARK(BM_LoadMasterListAndLevels)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
