// The text view as a reader drives it (offscreen, "Noto Serif CJK SC" at 18 pt, a 1,000 x 800 view, the
// corpus coloured against the HSK 1-6 lists as the known words), and plain Qt doing the same on the same
// pages in the same run, in a widget of its own with a scroller: each paragraph one QTextLayout broken at the
// view's width, its lines drawn in one colour with QTextLine::draw, the character under the mouse found with
// xToCursor and its two lines painted again. Both paint through their window, as on screen (the scrollers
// too: painting one costs about 0.2 ms). Each plain layout keeps its shaped glyphs (setCacheEnabled), as
// the view's line breaker keeps its own, so that neither shapes a page twice. The two are timed in turn,
// step by step, so that both see the same machine, the view first in every other step (whichever draws a
// page first warms the caches for the other); qm_ms and qt_ms are their medians (means for the hover,
// where most moves stay on their word), ratio is qm / qt. The idle work that the view's paint starts (the
// text past the display window made ready) never runs in plain Qt's step. Where the reader has idle time,
// it waits until both steps are timed; then each side's background work runs in a step of its own (for
// plain Qt, what its step left to the event loop), that of the side which begins the next step last:
// qm_idle_ms and qt_idle_ms are their means. Plain Qt's Page Down makes the first line not wholly shown
// the new top; tops_apart counts the steps after which the two pages began at different offsets.
// - BM_LayoutPage: a page laid out from its top, the window in place (range 0), and laid out and painted
//   (range 1). Goal for layout and paint: ratio at most 1.3.
// - BM_Hover: the mouse moves across a page one character at a time: the widget's move event (hit test,
//   hover, what changed) and the repaint of the changed lines. Goal at most 2 ms a move. Plain Qt repaints
//   on every move, the view only when the word under the mouse changes: *_paints_per_move count each
//   side's paints, *_repaint_ms are the means of the moves that painted, repaint_ratio is qm / qt.
// - BM_FullRepaint: the whole page painted again (backgrounds, then one glyph run per line, font and
//   colour). Goal at most 8 ms.
// - BM_PageSteps: 3,000 page steps from a third into a 50 MB document made from the corpus, each laid out
//   and painted; medians, 99th percentiles and maximums. Range 0: between steps the reader reads, and each
//   side's idle work runs to its end; range 1: no idle time, the next page is asked for at once, and the
//   view's idle work gets only the slice a turn of its event loop runs, within its own steps.
// - BM_PageThrough: page down from the top to the end of the 50 MB document, each step laid out and
//   painted, no idle time between them (the view's idle slices run within its own steps, as its event loop
//   gives them a turn), both sides in turn until each reaches its last page; the steps' medians, 99th
//   percentiles and maximums, each side's step count, the view's steps over 10 ms and the part of its
//   step before painting (scroll_*: scroll, layout and glyph reading). The time is the view's.
// Goals for paging through 50 MB, with idle time between steps or without: a step's median at most 2 ms,
// its 99th percentile at most 8 ms and at most plain Qt's (p99_ratio at most 1), no step over 10 ms.
//
// Run pinned to an idle core: QT_QPA_PLATFORM=offscreen taskset -c 5 bench_textview --benchmark_repetitions=5
#include "desktop-ui/textviewwidget.h"
#include "documents/documentstate.h"
#include "documents/textdocument.h"
#include "plainview.h"
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
#include <QSignalBlocker>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string RESOURCES = QM_RESOURCES_DIR;
const std::string CORPUS = QM_SHARED_DATA_DIR "/corpus/pku_test.utf8";

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
  // The page is being read: the idle work that the paint started runs to its end.
  void idle() {
    idleTimer->stop();
    for (int slices = 0; slices < 1000 && widget.delegate()->onIdle(widget); ++slices) {
    }
    settle();
  }
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
  // The tops of count pages from offset on.
  std::vector<uint64_t> pageTops(uint64_t offset, size_t count) {
    controller.scrollTo(offset);
    std::vector<uint64_t> tops;
    for (size_t i = 0; i < count; ++i, controller.scrollPages(1))
      tops.push_back(layout().topOffset());
    return tops;
  }

  WordListManager lists{(qmbench::scratch() / "lists").c_str()};
  SegmentEngine engine{SegmentEngine::ChineseOnly, masterList()};
  TextDocument document;
  TextViewWidget widget;
  TextViewController controller{widget, lists, engine};
  QTimer* idleTimer = widget.findChild<QTimer*>("idleTimer");
};

// Times of the project's and plain Qt's steps, taken in turn, and of each side's idle work after them.
struct Timings {
  template <class F> static double ms(F&& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  static double at(std::vector<double> v, double fraction) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(double(v.size()) * fraction))];
  }
  static double mean(std::vector<double> const& v) {
    double sum = 0;
    for (double x : v)
      sum += x;
    return v.empty() ? 0 : sum / double(v.size());
  }
  // One step of each side, the view first in every other step (the first to draw a page warms the caches
  // for the second); the view's idle work never runs in plain Qt's. With idle time, the reader reads after
  // both steps: the idle work that the view's paint starts waits until both are timed, then each side's
  // runs in a step of its own, that of the side which begins the next step last, so that what it disturbs
  // in the caches it disturbs for its own next step. Without, the next page is asked for at once: the
  // slice the view's event loop owes runs first in the view's next step, as it would before the next key
  // press is handled.
  template <class Qm, class Qt> void step(View& view, Qm&& qmStep, Qt&& qtStep, bool idle = true) {
    const bool viewFirst = steps++ % 2 == 0;
    if (!viewFirst) plainStep(qtStep);
    viewStep(view, qmStep, idle);
    if (viewFirst) plainStep(qtStep);
    if (!idle) return;
    const auto qmRest = [&] { qmIdle.push_back(ms([&] { view.idle(); })); };
    const auto qtRest = [&] { qtIdle.push_back(ms(View::settle)); };
    if (viewFirst) {
      qmRest();
      qtRest();
    } else {
      qtRest();
      qmRest();
    }
  }
  // One side's step alone (the other has reached the end).
  template <class Qm> void viewStep(View& view, Qm&& qmStep, bool idle) {
    {
      const QSignalBlocker idleWaits(idle ? view.idleTimer : nullptr);
      qm.push_back(ms([&] {
        if (owed) view.widget.delegate()->onIdle(view.widget);
        qmStep();
      }));
    }
    owed = !idle && view.idleTimer->isActive();
    view.idleTimer->stop();
  }
  template <class Qt> void plainStep(Qt&& qtStep) { qt.push_back(ms(qtStep)); }
  // Medians, or means where most steps do nothing (a hover that stays on its word); idle work in means;
  // tails: the 99th percentiles and the maximums too.
  void report(benchmark::State& state, bool tails = false, bool means = false) const {
    const double a = means ? mean(qm) : at(qm, 0.5), b = means ? mean(qt) : at(qt, 0.5);
    state.counters["qm_ms"] = a;
    state.counters["qt_ms"] = b;
    state.counters["ratio"] = a / b;
    if (!qmIdle.empty()) {
      state.counters["qm_idle_ms"] = mean(qmIdle);
      state.counters["qt_idle_ms"] = mean(qtIdle);
    }
    if (!tails) return;
    for (auto [name, fraction] : {std::pair<std::string, double>{"p99", 0.99}, {"max", 1}}) {
      state.counters["qm_" + name + "_ms"] = at(qm, fraction);
      state.counters["qt_" + name + "_ms"] = at(qt, fraction);
      state.counters[name + "_ratio"] = at(qm, fraction) / at(qt, fraction);
    }
  }
  std::vector<double> qm, qt, qmIdle, qtIdle;
  bool owed = false; // a slice of the view's idle work, with no idle time to run it in
  size_t steps = 0;
};

// range(0): 0 layout alone, 1 layout and paint. Pages within one window, so no window is rebuilt.
void BM_LayoutPage(benchmark::State& state) {
  View view(CORPUS);
  qmbench::PlainView plain(view.document, view.widget);
  const std::vector<uint64_t> tops = view.pageTops(view.document.totalBytes() / 3, 15);
  const bool paint = state.range(0) == 1;
  Timings t;
  size_t next = 0;
  for (auto _ : state) {
    const uint64_t top = tops[next++ % tops.size()];
    t.step(
        view,
        [&] {
          if (!paint) return view.layout().layoutFrom(view.document, top);
          view.controller.scrollTo(top);
          View::settle();
        },
        [&] {
          plain.layoutFrom(top);
          if (paint) View::settle();
        },
        paint);
    state.SetIterationTime(t.qm.back() / 1000);
  }
  t.report(state);
  state.SetLabel(paint ? "layout and paint" : "layout");
}

void BM_Hover(benchmark::State& state) {
  View view(CORPUS);
  qmbench::PlainView plain(view.document, view.widget);
  plain.layoutFrom(0);
  View::settle();
  std::vector<QPointF> points;
  Layout& layout = view.layout();
  for (size_t i = 0; i + 1 < layout.lineCount(); ++i) {
    Line const& line = layout.line(i);
    for (double x = layout.leftMargin() + 12; x < layout.leftMargin() + line.width; x += 24)
      points.emplace_back(x, layout.topMargin() + line.y + line.height / 2);
  }
  size_t next = 0;
  PaintCounter qmPaints, qtPaints;
  view.widget.installEventFilter(&qmPaints);
  plain.installEventFilter(&qtPaints);
  std::vector<double> qmRepaints, qtRepaints; // the moves that repainted
  Timings t;
  for (auto _ : state) {
    const int qmBefore = qmPaints.paints, qtBefore = qtPaints.paints;
    t.step(
        view, [&] { view.move(points[next]); },
        [&] {
          plain.hover(points[next]);
          View::settle();
        });
    if (qmPaints.paints > qmBefore) qmRepaints.push_back(t.qm.back());
    if (qtPaints.paints > qtBefore) qtRepaints.push_back(t.qt.back());
    next = (next + 1) % points.size();
    state.SetIterationTime(t.qm.back() / 1000);
  }
  view.widget.removeEventFilter(&qmPaints);
  plain.removeEventFilter(&qtPaints);
  t.report(state, false, true);
  state.counters["moves_per_page"] = double(points.size());
  state.counters["qm_paints_per_move"] = double(qmPaints.paints) / double(state.iterations());
  state.counters["qt_paints_per_move"] = double(qtPaints.paints) / double(state.iterations());
  state.counters["qm_repaint_ms"] = Timings::mean(qmRepaints);
  state.counters["qt_repaint_ms"] = Timings::mean(qtRepaints);
  state.counters["repaint_ratio"] = Timings::mean(qmRepaints) / Timings::mean(qtRepaints);
}

// range(0): 0 the widget repainted through its window (as on screen), 1 the page drawn into an image only.
void BM_FullRepaint(benchmark::State& state) {
  View view(CORPUS);
  view.controller.scrollTo(view.document.totalBytes() / 3);
  View::settle();
  qmbench::PlainView plain(view.document, view.widget);
  plain.layoutFrom(view.layout().topOffset());
  View::settle();
  QImage image(view.widget.size(), QImage::Format_ARGB32_Premultiplied);
  Timings t;
  for (auto _ : state) {
    t.step(
        view,
        [&] {
          if (state.range(0) == 0)
            view.widget.repaint();
          else
            view.widget.render(&image);
        },
        [&] {
          if (state.range(0) == 0)
            plain.repaint();
          else
            plain.render(&image);
        });
    state.SetIterationTime(t.qm.back() / 1000);
  }
  t.report(state);
  state.SetLabel(state.range(0) == 0 ? "window" : "image");
}

// range(0): 0 idle time between steps, 1 none.
void BM_PageSteps(benchmark::State& state) {
  const bool idle = state.range(0) == 0;
  View view(qmbench::repeatedCorpus());
  qmbench::PlainView plain(view.document, view.widget);
  // From a line's start, so that neither side's page begins inside a line. Paged through once untimed: the
  // font's glyph and shaping caches are shared, and whichever side drew a new glyph first would pay for both.
  view.controller.scrollTo(view.document.totalBytes() / 3);
  const uint64_t start = view.layout().topOffset();
  view.controller.scrollTo(start);
  for (benchmark::IterationCount i = 0; i < state.max_iterations; ++i) {
    view.controller.scrollPages(1);
    View::settle();
  }
  view.controller.scrollTo(start);
  plain.layoutFrom(start);
  View::settle();
  Timings t;
  size_t apart = 0;
  for (auto _ : state) {
    t.step(
        view,
        [&] {
          view.controller.scrollPages(1);
          View::settle();
        },
        [&] {
          plain.pageDown();
          View::settle();
        },
        idle);
    apart += view.layout().topOffset() != plain.top();
    state.SetIterationTime(t.qm.back() / 1000);
  }
  t.report(state, true);
  state.counters["tops_apart"] = double(apart);
  state.SetLabel(idle ? "idle time between steps" : "no idle time");
}

void BM_PageThrough(benchmark::State& state) {
  View view(qmbench::repeatedCorpus());
  qmbench::PlainView plain(view.document, view.widget);
  Timings t;
  std::vector<double> scrolls; // the view's scroll, layout and glyph reading before painting
  size_t apart = 0;
  for (auto _ : state) {
    view.controller.scrollTo(0);
    plain.layoutFrom(0);
    View::settle();
    const size_t first = t.qm.size();
    // Each side steps until its page no longer moves; the one that gets there first leaves the other alone.
    for (bool qmOn = true, qtOn = true; qmOn || qtOn;) {
      const uint64_t qmFrom = view.position(), qtFrom = plain.top();
      double scrolled = 0;
      const auto qmStep = [&] {
        scrolled = Timings::ms([&] { view.controller.scrollPages(1); });
        View::settle();
      };
      const auto qtStep = [&] {
        plain.pageDown();
        View::settle();
      };
      if (qmOn && qtOn)
        t.step(view, qmStep, qtStep, false);
      else if (qmOn)
        t.viewStep(view, qmStep, false);
      else
        t.plainStep(qtStep);
      if (qmOn) scrolls.push_back(scrolled);
      apart += qmOn && qtOn && view.layout().topOffset() != plain.top();
      qmOn = qmOn && view.position() != qmFrom;
      qtOn = qtOn && plain.top() != qtFrom;
    }
    double total = 0;
    for (size_t i = first; i < t.qm.size(); ++i)
      total += t.qm[i];
    state.SetIterationTime(total / 1000);
  }
  t.report(state, true);
  state.counters["qm_steps"] = double(t.qm.size());
  state.counters["qt_steps"] = double(t.qt.size());
  state.counters["tops_apart"] = double(apart);
  state.counters["scroll_median_ms"] = Timings::at(scrolls, 0.5);
  state.counters["scroll_max_ms"] = Timings::at(scrolls, 1);
  state.counters["over_10ms"] =
      double(std::count_if(t.qm.begin(), t.qm.end(), [](double s) { return s > 10; }));
}

BENCHMARK(BM_LayoutPage)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hover)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageSteps)->Arg(0)->Arg(1)->Iterations(3000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageThrough)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
