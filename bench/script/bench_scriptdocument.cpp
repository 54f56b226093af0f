// Scripts over a 50 MB document made of the PKU corpus text: opening and processing it through
// qel.Document, reading its lines, segmenting every line with Text:words, searching it for the HSK 6
// words, and building its statistics table. Bytes are the document's, so results read in MB/s; times are
// wall-clock, since documents are counted on a worker while the script waits.
#include "dictionary/dictionary.h"
#include "script/qellua.h"
#include "script/qelstate.h"
#include "text/oldwordlistmanager.h"
#include "text/wordhash.h"
#include "utils/outputstream.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class NoDictionary : public Dictionary {
public:
  DictionaryItem const* item(Span const&) const override { return nullptr; }
  bool getInfo(DictionaryEntry const&, Info&) const override { return false; }
};

struct Fixture {
  Fixture() {
    setenv("QUILLMERE_RESOURCES", QM_RESOURCES_DIR, 1);
    root = std::filesystem::temp_directory_path() / ("qm-bench-scriptdocument-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    std::ifstream in(std::string(QM_SHARED_DATA_DIR) + "/corpus/pku_test.utf8", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::ofstream out(root / "document.txt", std::ios::binary);
    while (bytes < 50u << 20) {
      out << text.str();
      bytes += text.str().size();
    }
    OldWordListManager::instance(); // loaded outside the timed loops
  }
  ~Fixture() { std::filesystem::remove_all(root); }

  // Runs body after opening the document as d (processed when process is true).
  void run(std::string const& body, bool process) {
    const auto path = root / "script.lua";
    std::ofstream(path) << "local qel = require 'qel'\nlocal d = qel.Document('"
                        << (root / "document.txt").string()
                        << "', {process = " << (process ? "true" : "false") << "})\n"
                        << body << "\n";
    QelLua lua(state);
    lua.setOutputStream(out);
    if (lua.load(path.c_str()) != 0) throw std::runtime_error(lua.errorMessage());
    lua.run(false);
    if (lua.result() != 0) throw std::runtime_error(lua.errorMessage());
  }

  std::filesystem::path root;
  uint64_t bytes = 0;
  NoDictionary dictionary;
  WordHash current{16};
  qelLua::QelState state{dictionary, current};
  NullOutputStream out;
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

void measure(benchmark::State& state, std::string const& body, bool process) {
  Fixture& f = fixture();
  for (auto _ : state)
    f.run(body, process);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.bytes));
  state.counters["peak_MB"] = peakMegabytes();
}

} // namespace

static void BM_OpenAndProcess(benchmark::State& state) {
  measure(state, "assert(#d:allWords() > 5000)", true);
}
BENCHMARK(BM_OpenAndProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_Lines(benchmark::State& state) {
  measure(state, "local n = 0 for l in d:lines() do n = n + 1 end assert(n > 100000)", false);
}
BENCHMARK(BM_Lines)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_WordsOfEveryLine(benchmark::State& state) {
  measure(state,
          "local n = 0 for l in d:lines() do for w in l:words() do n = n + 1 end end assert(n > 1000000)",
          false);
}
BENCHMARK(BM_WordsOfEveryLine)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FindSentencesWithHsk6Words(benchmark::State& state) {
  measure(state,
          "local n = 0 for w in d:findSentencesContaining(qel.hskLevel(6)) do n = n + 1 end assert(n > 1000)",
          false);
}
BENCHMARK(BM_FindSentencesWithHsk6Words)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_StatisticsTableAfterProcessing(benchmark::State& state) {
  measure(state, "for i = 1, 10 do assert(#d:allStatistics({sortBy = 'word'}) > 5000) end", true);
}
BENCHMARK(BM_StatisticsTableAfterProcessing)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
