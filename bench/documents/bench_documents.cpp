// Full processing of a large document (segmentation plus statistics, read from disk in windows) next to
// the plain segmentation of the same text in memory. Documents of at least 50 MB are made by repeating a
// corpus file. Counters: peak_rss_MB (the process's peak so far), stats_MB (resident memory the statistics
// hold after the run), unique_words.
#include "documents/documentprocessor.h"
#include "documents/documentstatistics.h"
#include "text/chinesetokenizer.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr size_t TARGET_BYTES = 50u << 20;

std::string readFile(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string resourcesDir() {
  const char* env = std::getenv("QUILLMERE_RESOURCES");
  return env ? env : QM_RESOURCES_DIR;
}

struct Engine {
  Engine()
      : master(20, (resourcesDir() + "/data/words.u8").c_str(), true),
        engine(SegmentEngine::ChineseAndAlpha, master) {
    for (unsigned short level = 1; level <= 6; ++level)
      levels.addFileWithLevel(ProficiencyLevelHash::HSK,
                              (resourcesDir() + "/wordlists/hsk-" + std::to_string(level) + ".txt").c_str(),
                              static_cast<unsigned short>(1 << (level - 1)));
    for (unsigned short level = 1; level <= 5; ++level)
      levels.addFileWithLevel(ProficiencyLevelHash::TOCFL,
                              (resourcesDir() + "/wordlists/tocfl-" + std::to_string(level) + ".txt").c_str(),
                              static_cast<unsigned short>(1 << (level - 1)));
  }
  static Engine& instance() {
    static Engine e;
    return e;
  }
  WordHash master;
  ProficiencyLevelHash levels;
  SegmentEngine engine;
};

// The corpus file repeated to at least 50 MB, written once into the temporary folder.
std::string largeDocument(const char* corpus) {
  const std::string source = readFile(std::string(QM_SHARED_DATA_DIR) + "/corpus/" + corpus);
  const char* tmp = std::getenv("TMPDIR");
  const std::string path =
      std::string(tmp ? tmp : "/tmp") + "/qm-bench-" + std::to_string(getpid()) + "-" + corpus;
  if (!std::filesystem::exists(path)) {
    std::ofstream out(path, std::ios::binary);
    for (size_t written = 0; written < TARGET_BYTES; written += source.size())
      out << source;
  }
  return path;
}

double residentMB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

double peakMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024;
}

void processDocument(benchmark::State& state, const char* corpus) {
  Engine& e = Engine::instance();
  const std::string path = largeDocument(corpus);
  const double before = residentMB();
  DocumentStatistics stats(e.levels, e.engine);
  for (auto _ : state) {
    DocumentProcessor processor(path.c_str(), e.master, stats);
    processor.beginProcessing(false);
    benchmark::DoNotOptimize(stats.totalWords());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(path)));
  WordHash known(1);
  state.counters["unique_words"] = double(stats.info(known).uniqueWords);
  state.counters["stats_MB"] = residentMB() - before;
  state.counters["peak_rss_MB"] = peakMB();
}

void segmentText(benchmark::State& state, const char* corpus) {
  Engine& e = Engine::instance();
  const std::string text = readFile(largeDocument(corpus));
  for (auto _ : state) {
    ChineseTokenizer tokenizer(Utf8Range(text.data(), text.size()), e.master, true);
    uint64_t words = 0;
    while (tokenizer.hasTokens())
      words += e.engine.isWord(int(tokenizer.nextToken().type));
    benchmark::DoNotOptimize(words);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["peak_rss_MB"] = peakMB();
}

// Reading and segmenting in windows without statistics: the processor's own cost.
struct NullListener : DocumentProcessorListener {
  void beginProcessing() override {}
  void processToken(Token const& t, unsigned long) override { bytes += t.bytes; }
  void processingFinished(float, bool, unsigned long, unsigned long, OpenSSL::SHA1 const&) override {}
  uint64_t bytes = 0;
};

void BM_ProcessWithoutStatisticsPku(benchmark::State& state) {
  Engine& e = Engine::instance();
  const std::string path = largeDocument("pku_test.utf8");
  NullListener listener;
  for (auto _ : state) {
    DocumentProcessor processor(path.c_str(), e.master, listener);
    processor.beginProcessing(false);
  }
  benchmark::DoNotOptimize(listener.bytes);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(path)));
}

void BM_LoadWordLists(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(&Engine::instance());
}

void BM_ProcessPku(benchmark::State& state) {
  processDocument(state, "pku_test.utf8");
}
void BM_ProcessCityu(benchmark::State& state) {
  processDocument(state, "cityu_test.utf8");
}
void BM_SegmentPku(benchmark::State& state) {
  segmentText(state, "pku_test.utf8");
}
void BM_SegmentCityu(benchmark::State& state) {
  segmentText(state, "cityu_test.utf8");
}

} // namespace

// Processing first, so that its peak memory is not that of the in-memory copies the plain segmentation
// reads.
BENCHMARK(BM_LoadWordLists)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessPku)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ProcessCityu)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ProcessWithoutStatisticsPku)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SegmentPku)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SegmentCityu)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const char* corpus : {"pku_test.utf8", "cityu_test.utf8"})
    std::filesystem::remove(largeDocument(corpus));
  return 0;
}
