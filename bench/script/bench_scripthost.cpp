// The script host: a script that builds a 100,000-word list from a level file and combines it ten times
// (time per run and the process's peak memory), the word-list operations on 200,000-word lists one by one
// (what their kill checks cost), and a script that prints a million lines through the counting stream into
// a file.
#include "dictionary/dictionary.h"
#include "script/qellua.h"
#include "script/qelstate.h"
#include "text/wordhash.h"
#include "utils/countingoutputstream.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/filewriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class NoDictionary : public Dictionary {
public:
  DictionaryItem const* item(Span const&) const override { return nullptr; }
  bool getInfo(DictionaryEntry const&, Info&) const override { return false; }
};

// A resources folder whose HSK 6 list holds the first 100,000 words of the master list.
std::filesystem::path makeResources() {
  const auto root =
      std::filesystem::temp_directory_path() / ("qm-bench-scripthost-" + std::to_string(getpid()));
  std::filesystem::create_directories(root / "wordlists");
  std::ifstream master(std::string(QM_RESOURCES_DIR) + "/data/words.u8");
  std::ofstream level(root / "wordlists" / "hsk-6.txt");
  std::string word;
  for (int i = 0; i < 100000 && std::getline(master, word); ++i)
    level << word << '\n';
  std::ofstream(root / "combine.lua") << "local qel = require 'qel'\n"
                                         "local big = qel.hskLevel(6)\n"
                                         "local other = qel.WordList()\n"
                                         "for i = 1, 1000 do other:addWord('词' .. i) end\n"
                                         "for i = 1, 10 do\n"
                                         "  local sum = big + other\n"
                                         "  local rest = sum - other\n"
                                         "  assert(#rest == #big)\n"
                                         "end\n";
  std::ofstream(root / "print.lua") << "for i = 1, 1000000 do print(i, 'line') end\n";
  return root;
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

void runScript(qelLua::QelState& state, std::string const& path, OutputStream& out) {
  QelLua lua(state);
  lua.setOutputStream(out);
  if (lua.load(path.c_str()) != 0) throw std::runtime_error(lua.errorMessage());
  lua.run(false);
  if (lua.result() != 0) throw std::runtime_error(lua.errorMessage());
}

} // namespace

static void BM_ScriptCombinesLevelList(benchmark::State& state) {
  const auto root = makeResources();
  setenv("QUILLMERE_RESOURCES", root.c_str(), 1);
  NoDictionary dictionary;
  WordHash current(16);
  qelLua::QelState qelState(dictionary, current);
  NullOutputStream out;
  for (auto _ : state)
    runScript(qelState, (root / "combine.lua").string(), out);
  state.counters["peak_MB"] = peakMegabytes();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ScriptCombinesLevelList)->Unit(benchmark::kMillisecond);

// One operation on two 200,000-word lists that share half their words, timed inside the script (os.clock)
// so that making the lists stays outside; the master list (196,732 words) for reading a file.
static void BM_WordListOperation(benchmark::State& state) {
  static const char* const operations[] = {"local c = a + b", "local c = a - b",
                                           "qel.WordList():addFromWordList(a)",
                                           "local c = qel.WordList(master)"};
  const char* operation = operations[state.range(0)];
  state.SetLabel(operation);
  const auto root = makeResources();
  const std::string master = std::string(QM_RESOURCES_DIR) + "/data/words.u8";
  std::ofstream(root / "operation.lua")
      << "local qel = require 'qel'\nlocal master = '" << master << "'\n"
      << "local a, b = qel.WordList(), qel.WordList()\n"
         "for i = 1, 200000 do a:addWord('w' .. i) b:addWord('w' .. (i + 100000)) end\n"
         "collectgarbage()\nlocal start = os.clock()\n"
      << operation << "\nqel.write(os.clock() - start)\n";
  NoDictionary dictionary;
  WordHash current(16);
  qelLua::QelState qelState(dictionary, current);
  for (auto _ : state) {
    MemoryOutputStream out;
    runScript(qelState, (root / "operation.lua").string(), out);
    state.SetIterationTime(std::stod(std::string(out.view())));
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_WordListOperation)->DenseRange(0, 3)->UseManualTime()->Unit(benchmark::kMillisecond);

static void BM_ScriptPrintsAMillionLines(benchmark::State& state) {
  const auto root = makeResources();
  NoDictionary dictionary;
  WordHash current(16);
  qelLua::QelState qelState(dictionary, current);
  const std::string output = (root / "output.txt").string();
  size_t bytes = 0;
  const bool counted = state.range(0) != 0; // 0: each print goes straight to the file, for comparison
  for (auto _ : state) {
    FileWriter file(output.c_str(), 0);
    CountingOutputStream counting;
    counting.setTarget(&file);
    runScript(qelState, (root / "print.lua").string(), counted ? static_cast<OutputStream&>(counting) : file);
    counting.flush();
    bytes += size_t(file.currentPosition());
  }
  state.SetBytesProcessed(int64_t(bytes));
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ScriptPrintsAMillionLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
