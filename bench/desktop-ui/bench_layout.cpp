// The text view's layout with the real line breaker ("Noto Serif CJK SC" at 18 pt, a 1,000 x 800 view, the
// controller's margins, the display map styled by the master word list): laying out a page at the top, the
// middle and the end of a 50 MB document made from the PKU corpus and of one whose lines are 30 KB long, and
// one scroll step down and up by lines and by pixels there. Goal: every step at most 5 ms, memory
// independent of the document's size (compare rss_MB on the 0.5 MB corpus with the 50 MB documents).
//
// Run offscreen and pinned: QT_QPA_PLATFORM=offscreen taskset -c 3 bench_layout --benchmark_repetitions=9
#include "desktop-ui/fontutils.h"
#include "desktop-ui/qtlinebreaker.h"
#include "display/documentmap.h"
#include "display/lexoscope.h"
#include "documents/textdocument.h"
#include "support/benchfiles.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "views/layout.h"
#include "wordlists/wordlistmanager.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr size_t BIG = 50u << 20;
constexpr size_t LONG_LINE = 30000;

using qmbench::readFile;
using qmbench::scratch;

const std::string CORPUS = QM_SHARED_DATA_DIR "/corpus/pku_test.utf8";

// 0: the corpus itself (0.5 MB); 1: 50 MB of it; 2: 50 MB of its text in lines of 30 KB.
std::string const& documentPath(int kind) {
  static std::string paths[3];
  std::string& path = paths[kind];
  if (!path.empty()) return path;
  if (kind == 0) return path = CORPUS;
  path = (scratch() / (kind == 1 ? "pku50.txt" : "long50.txt")).string();
  const std::string corpus = readFile(CORPUS);
  std::string text;
  if (kind == 2)
    for (char c : corpus)
      if (c != '\r' && c != '\n') text += c;
  std::ofstream out(path, std::ios::binary);
  for (size_t written = 0, at = 0; written < BIG;) {
    if (kind == 1) {
      out << corpus;
      written += corpus.size();
      continue;
    }
    // A line of 30 KB cut at a character boundary.
    size_t end = std::min(at + LONG_LINE, text.size());
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
      --end;
    out << text.substr(at, end - at) << '\n';
    written += end - at + 1;
    at = end >= text.size() ? 0 : end;
  }
  return path;
}

WordHash const& masterList() {
  static const WordHash words(20, QM_RESOURCES_DIR "/data/words.u8", true);
  return words;
}

long residentMegabytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE) / (1 << 20);
}

// The text view controller's set-up of a layout over one document.
struct Page {
  explicit Page(int kind) : document(documentPath(kind).c_str()) {
    map.setLexoscope(&lexoscope);
    breaker.setFont(FontUtils::font("Noto Serif CJK SC", 18));
    layout.setMargins(25, 0, 25, 0);
    layout.setViewSize(1000, 800);
    layout.reset();
    layout.lastPageSize(document);
  }
  // 0 top, 1 middle, 2 end (the last page's top).
  uint64_t offsetOf(int place) {
    if (place == 0) return 0;
    if (place == 1) return document.totalBytes() / 2;
    return document.totalBytes() + 1 - layout.lastPageSize(document);
  }

  WordListManager lists{(scratch() / "lists").c_str()};
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, masterList()};
  Lexoscope lexoscope{lists, engine, Lexoscope::Utf16};
  DocumentMap map;
  QtLineBreaker breaker;
  Layout layout{map, breaker};
  TextDocument document;
};

void setLabel(benchmark::State& state, std::string const& more = "") {
  static const char* documents[] = {"pku 0.5 MB", "pku 50 MB", "30 KB lines 50 MB"};
  static const char* places[] = {"top", "middle", "end"};
  state.SetLabel(std::string(documents[state.range(0)]) + ", " + places[state.range(1)] + more);
}

// A page laid out from an offset, the window in place (as for every scroll step inside it).
void BM_LayoutPage(benchmark::State& state) {
  Page page(int(state.range(0)));
  const uint64_t at = page.offsetOf(int(state.range(1)));
  for (auto _ : state) {
    page.layout.layoutFrom(page.document, at);
    benchmark::DoNotOptimize(page.layout.lineCount());
  }
  setLabel(state);
  state.counters["rss_MB"] = double(residentMegabytes());
}

// A jump there (the scroller dragged): the window read and styled again, then the page.
void BM_JumpToPage(benchmark::State& state) {
  Page page(int(state.range(0)));
  const uint64_t at = page.offsetOf(int(state.range(1)));
  for (auto _ : state) {
    page.map.reset();
    page.layout.layoutFrom(page.document, at);
  }
  setLabel(state);
}

// One scroll step, repeated from the same place: range(2) is 0 a line down, 1 a line up, 2 and 3 a wheel
// step of 20 pixels down and up (mostly inside a line), 4 and 5 one of 60 pixels (past a line each time).
void BM_ScrollStep(benchmark::State& state) {
  Page page(int(state.range(0)));
  const uint64_t at = page.offsetOf(int(state.range(1)));
  const int step = int(state.range(2));
  page.layout.layoutFrom(page.document, at);
  const uint64_t top = page.layout.topOffset();
  int taken = 0;
  for (auto _ : state) {
    // Back to the place now and then, so that the steps stay there (not when a step cannot move).
    if (++taken == 50 && page.layout.topOffset() != top) {
      state.PauseTiming();
      page.layout.layoutFrom(page.document, at);
      state.ResumeTiming();
    }
    taken %= 50;
    switch (step) {
    case 0:
      page.layout.scrollLines(page.document, 1);
      break;
    case 1:
      page.layout.scrollLines(page.document, -1);
      break;
    default:
      page.layout.scrollBy(page.document, (step < 4 ? 20.0 : 60.0) * (step % 2 ? -1 : 1));
    }
  }
  static const char* steps[] = {"line down", "line up", "20 px down", "20 px up", "60 px down", "60 px up"};
  setLabel(state, std::string(", ") + steps[step]);
}

void places(benchmark::internal::Benchmark* b) {
  for (int document : {0, 1, 2})
    for (int place : {0, 1, 2})
      b->Args({document, place});
}

void steps(benchmark::internal::Benchmark* b) {
  for (int document : {1, 2})
    for (int place : {0, 1, 2})
      for (int step = 0; step < 6; ++step)
        b->Args({document, place, step});
}

BENCHMARK(BM_LayoutPage)->Apply(places)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpToPage)->Apply(places)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollStep)->Apply(steps)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
