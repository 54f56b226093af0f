// The text view as a reader drives it (offscreen, "Noto Serif CJK SC" at 18 pt, a 1,000 x 800 view, the
// corpus coloured against the HSK 1-6 lists as the known words):
// - BM_Hover: the mouse moves across a page one character at a time: the widget's move event (hit test,
//   hover, what changed) and the repaint of the changed lines. Goal at most 2 ms a move.
// - BM_FullRepaint: the whole page painted again (backgrounds, then one glyph run per line, font and
//   colour). Goal at most 8 ms.
// - BM_PageThrough: page down from the top to the end of a 50 MB document made from the corpus, each step
//   laid out and painted; the counters give the steps' median, 99th percentile and maximum. Goal: every step
//   at most 10 ms.
//
// Run pinned: taskset -c 3 bench_textview --benchmark_repetitions=5
#include "desktop-ui/textviewwidget.h"
#include "documents/documentstate.h"
#include "documents/textdocument.h"
#include "support/benchfiles.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "views/fontdescription.h"
#include "views/layout.h"
#include "views/textviewcontroller.h"
#include "views/textviewdelegate.h"
#include "wordlists/wordlistmanager.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr size_t BIG = 50u << 20;
const std::string RESOURCES = QM_RESOURCES_DIR;
const std::string CORPUS = QM_SHARED_DATA_DIR "/corpus/pku_test.utf8";

std::string const& bigDocument() {
  static const std::string path = [] {
    const std::string p = (qmbench::scratch() / "pku50.txt").string();
    const std::string corpus = qmbench::readFile(CORPUS);
    std::ofstream out(p, std::ios::binary);
    for (size_t written = 0; written < BIG; written += corpus.size())
      out << corpus;
    return p;
  }();
  return path;
}

WordHash const& masterList() {
  static const WordHash words(20, (RESOURCES + "/data/words.u8").c_str(), true);
  return words;
}

// Counts the paints a widget gets.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

// The view and its controller over one document, shown offscreen.
struct View {
  explicit View(std::string const& path) : document(path.c_str()) {
    for (int level = 1; level <= 6; ++level)
      lists.current().addFromFile((RESOURCES + "/wordlists/hsk-" + std::to_string(level) + ".txt").c_str());
    controller.setFont(FontDescription{"Noto Serif CJK SC", 18});
    widget.resize(1000, 800);
    widget.show();
    controller.setDocument(nullptr, &document, nullptr);
    settle();
  }
  static void settle() { QApplication::processEvents(); }
  Layout& layout() { return widget.delegate()->layout(); }
  void move(QPointF const& at) {
    QMouseEvent event(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
    settle();
  }
  uint64_t position() {
    DocumentState state;
    controller.selection(state);
    return state.position;
  }

  WordListManager lists{(qmbench::scratch() / "lists").c_str()};
  SegmentEngine engine{SegmentEngine::ChineseOnly, masterList()};
  TextDocument document;
  TextViewWidget widget;
  TextViewController controller{widget, lists, engine};
};

void BM_Hover(benchmark::State& state) {
  View view(CORPUS);
  std::vector<QPointF> points;
  Layout& layout = view.layout();
  for (size_t i = 0; i + 1 < layout.lineCount(); ++i) {
    Line const& line = layout.line(i);
    for (double x = layout.leftMargin() + 12; x < layout.leftMargin() + line.width; x += 24)
      points.emplace_back(x, layout.topMargin() + line.y + line.height / 2);
  }
  size_t next = 0;
  PaintCounter counter;
  view.widget.installEventFilter(&counter);
  for (auto _ : state) {
    view.move(points[next]);
    next = (next + 1) % points.size();
  }
  view.widget.removeEventFilter(&counter);
  state.counters["moves_per_page"] = double(points.size());
  state.counters["paints_per_move"] = double(counter.paints) / double(state.iterations());
}

// range(0): 0 the widget repainted through its window (as on screen), 1 the page drawn into an image only.
void BM_FullRepaint(benchmark::State& state) {
  View view(CORPUS);
  view.controller.scrollTo(view.document.totalBytes() / 3);
  View::settle();
  QImage image(view.widget.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    if (state.range(0) == 0)
      view.widget.repaint();
    else
      view.widget.render(&image);
  }
  state.SetLabel(state.range(0) == 0 ? "window" : "image");
}

void BM_PageThrough(benchmark::State& state) {
  View view(bigDocument());
  std::vector<double> steps, scrolls; // whole steps; their scroll, layout and glyph reading before painting
  const auto ms = [](auto from, auto to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
  };
  for (auto _ : state) {
    state.PauseTiming();
    view.controller.scrollTo(0);
    View::settle();
    state.ResumeTiming();
    for (uint64_t last = UINT64_MAX; view.position() != last;) {
      last = view.position();
      const auto start = std::chrono::steady_clock::now();
      view.controller.scrollPages(1);
      const auto scrolled = std::chrono::steady_clock::now();
      View::settle();
      steps.push_back(ms(start, std::chrono::steady_clock::now()));
      scrolls.push_back(ms(start, scrolled));
    }
  }
  std::sort(steps.begin(), steps.end());
  std::sort(scrolls.begin(), scrolls.end());
  state.counters["steps"] = double(steps.size());
  state.counters["median_ms"] = steps[steps.size() / 2];
  state.counters["p99_ms"] = steps[steps.size() * 99 / 100];
  state.counters["max_ms"] = steps.back();
  state.counters["scroll_median_ms"] = scrolls[scrolls.size() / 2];
  state.counters["scroll_max_ms"] = scrolls.back();
  state.counters["over_10ms"] = double(steps.end() - std::upper_bound(steps.begin(), steps.end(), 10.0));
}

BENCHMARK(BM_Hover)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageThrough)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
