// The text view's work on the main thread: rebuilding and styling a 64 KB window of the display map over
// real text with the master word list (goal: at most 2 ms), restyling it alone, and a search across a 50 MB
// document with a wildcard term that matches only at its end, and with a plain one.
#include "display/documentmap.h"
#include "documents/search.h"
#include "documents/searchhistory.h"
#include "documents/textdocument.h"
#include "support/benchfiles.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "wordlists/wordlistmanager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

using qmbench::readFile;
using qmbench::scratch;

WordHash const& masterList() {
  static const WordHash words(20, QM_RESOURCES_DIR "/data/words.u8", true);
  return words;
}

const std::string CORPUS = QM_SHARED_DATA_DIR "/corpus/pku_test.utf8";

// The display map's whole job for one window: read, number, segment and style 64 KB.
void BM_DisplayMapRebuild64K(benchmark::State& state) {
  const auto mode = Lexoscope::Mode(state.range(0));
  WordListManager lists((scratch() / "lists").c_str());
  SegmentEngine engine(SegmentEngine::ChineseAndAlpha, masterList());
  Lexoscope lexoscope(lists, engine, mode);
  lexoscope.setSearchTerm(Span("中国*人民"));
  TextDocument document(CORPUS.c_str());
  DocumentMap map;
  map.setLexoscope(&lexoscope);
  for (auto _ : state) {
    map.reset();
    benchmark::DoNotOptimize(map.startOfLineAtOffset(document, 100000).attributes);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 65536);
}
BENCHMARK(BM_DisplayMapRebuild64K)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DisplayMapRestyle64K(benchmark::State& state) {
  WordListManager lists((scratch() / "lists").c_str());
  SegmentEngine engine(SegmentEngine::ChineseAndAlpha, masterList());
  Lexoscope lexoscope(lists, engine, Lexoscope::Utf16);
  TextDocument document(CORPUS.c_str());
  DocumentMap map;
  map.setLexoscope(&lexoscope);
  map.startOfLineAtOffset(document, 100000);
  for (auto _ : state)
    map.reanalyse();
  state.SetBytesProcessed(int64_t(state.iterations()) * 65536);
}
BENCHMARK(BM_DisplayMapRestyle64K)->Unit(benchmark::kMillisecond);

// The view's display map over 8 MB of the corpus, styled against the master word list.
struct PagedMap {
  PagedMap() { map.setLexoscope(&lexoscope); }
  WordListManager lists{(scratch() / "lists").c_str()};
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, masterList()};
  Lexoscope lexoscope{lists, engine, Lexoscope::Utf16};
  TextDocument document{qmbench::repeatedCorpus(size_t(8) << 20).c_str()};
  DocumentMap map;
};

// What a page step does when it leaves the window: the window moves on past 32 KB (range 0: 0) or back
// before its start (1), keeping the overlap and reading, numbering and segmenting the rest; with range 1 at
// 1, the reader has paged near the edge first and idle time has prepared the text past it, untimed. Bytes:
// the window's, as for a rebuild.
void BM_DisplayMapMove(benchmark::State& state) {
  PagedMap paged;
  DocumentMap& map = paged.map;
  TextDocument const& document = paged.document;
  const bool back = state.range(0) == 1, prepared = state.range(1) == 1;
  const uint64_t size = document.totalBytes(), step = 33000, near = back ? 20000 : 31000;
  uint64_t at = back ? size - 1 : 0;
  map.startOfLineAtOffset(document, at);
  for (auto _ : state) {
    state.PauseTiming();
    // At either end the walk starts again with a whole window.
    if (back ? at < 2 * step : at + 2 * step > size) {
      at = back ? size - 1 : 0;
      map.reset();
      map.startOfLineAtOffset(document, at);
    }
    if (prepared) {
      map.startOfLineAtOffset(document, back ? at - near : at + near);
      while (map.prepare(document)) {
      }
    }
    state.ResumeTiming();
    at = back ? at - step : at + step;
    benchmark::DoNotOptimize(map.startOfLineAtOffset(document, at).attributes);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 65536);
  state.SetLabel(std::string(back ? "backwards" : "forwards") + (prepared ? ", prepared" : ""));
}
BENCHMARK(BM_DisplayMapMove)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

// One prepare() call, the idle work that stands between the reader and the next event: the text past the
// window read and segmented a slice at a time, over and over as the reader pages on. max_ms: the longest.
void BM_DisplayMapPrepareSlice(benchmark::State& state) {
  PagedMap paged;
  DocumentMap& map = paged.map;
  TextDocument const& document = paged.document;
  uint64_t at = 0;
  double longest = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const bool more = map.prepare(document);
    longest = std::max(
        longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    if (more) continue;
    state.PauseTiming();
    at = at + 100000 > document.totalBytes() ? 0 : at + 33000;
    map.startOfLineAtOffset(document, at);
    map.startOfLineAtOffset(document, at + 31000); // near the window's end
    state.ResumeTiming();
  }
  state.counters["max_ms"] = longest;
}
BENCHMARK(BM_DisplayMapPrepareSlice)->Unit(benchmark::kMillisecond);

// 50 MB of real text with the only match of the terms at its very end.
std::string const& largeDocument() {
  static const std::string path = [] {
    const std::string once = readFile(CORPUS);
    const std::string file = (scratch() / "large.txt").string();
    std::ofstream out(file, std::ios::binary);
    for (size_t written = 0; written < 50u * 1024 * 1024; written += once.size())
      out << once;
    out << "\r\nQuillmere 的 wildcard marker end\r\n";
    return file;
  }();
  return path;
}

class Found : public Search::Listener {
public:
  void found(Search::Result const& r) override { offset = r.offset; }
  void notFound() override { offset = 0; }
  uint64_t offset = 0;
};

void searchLarge(benchmark::State& state, const char* term) {
  const std::string& path = largeDocument();
  SearchHistory history;
  Found found;
  Search search(history, found, 0);
  search.setFilename(path.c_str(), 0);
  for (auto _ : state) {
    search.setCurrentOffset(0);
    search.find(Span(term));
    if (!found.offset) state.SkipWithError("the marker was not found");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fs::file_size(path)));
}

void BM_SearchWildcard50MB(benchmark::State& state) {
  searchLarge(state, "Quillmere*marker…end");
}
BENCHMARK(BM_SearchWildcard50MB)->Unit(benchmark::kMillisecond);

// A leading wildcard and a common first piece: nearly every line holds a candidate that fails.
void BM_SearchCommonPiece50MB(benchmark::State& state) {
  searchLarge(state, "*的*marker");
}
BENCHMARK(BM_SearchCommonPiece50MB)->Unit(benchmark::kMillisecond);

void BM_SearchPlain50MB(benchmark::State& state) {
  searchLarge(state, "wildcard marker");
}
BENCHMARK(BM_SearchPlain50MB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
