// The program started with a 50 MB document (the PKU corpus repeated) on its command line, a fresh process
// per run (offscreen unless there is a display), timed from the spawn to:
//   shown_ms:      the main window's first show (after the splash's fixed two seconds),
//   page_ms:       the first page of the document painted in the text view,
//   page_after_ms: the same, counted from the window's show (what the program costs beyond the splash),
//   ready_ms:      the whole document processed (statistics and word list), whether or not the window shows,
// and rss_peak_MB: the process's peak resident memory once the document is processed and shown.
// The warm-up run (not counted) is the reader's first: it answers the welcome and leaves the settings.
//
//   taskset -c 2 build/bench/bench_startup --benchmark_repetitions=5
#include "desktop-ui/desktopgui.h"
#include "desktop-ui/mainwindowwidget.h"
#include "desktop-ui/shell.h"
#include "desktop-ui/textviewwidget.h"
#include "desktop-ui/welcomedialog.h"
#include "support/benchfiles.h"
#include "views/layout.h"
#include "views/mainwindowdelegate.h"
#include "views/textviewdelegate.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double nowMs() {
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

// In the child: the program, watched. Prints "shown T", "page T", "ready T RSS_KB" (T: the monotonic
// clock, which the parent shares) and quits once the document is processed and its page painted.
class Probe : public QObject {
public:
  explicit Probe(Shell& shell) : shell(shell) {
    shell.gui().window().installEventFilter(this);
    shell.gui().textViewWidget().installEventFilter(this);
    connect(&poll, &QTimer::timeout, this, [this] { check(); });
    poll.start(5);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    MainWindowWidget& window = shell.gui().window();
    if (watched == &window && event->type() == QEvent::Show && !shown) {
      shown = true;
      std::printf("shown %.3f\n", nowMs());
    } else if (event->type() == QEvent::Paint && !painted && watched == &shell.gui().textViewWidget()) {
      TextViewDelegate* view = shell.gui().textViewWidget().delegate();
      if (view && view->layout().lineCount() > 0) {
        painted = true;
        // Once this paint has run.
        QTimer::singleShot(0, this, [] { std::printf("page %.3f\n", nowMs()); });
      }
    }
    return false;
  }

private:
  void check() {
    if (auto* welcome = dynamic_cast<WelcomeDialog*>(QApplication::activeModalWidget())) welcome->reject();
    MainWindowWidget& window = shell.gui().window();
    if (!ready && window.delegate() && window.delegate()->isCurrentDocumentReady(window)) ready = nowMs();
    if (!painted || !ready) return;
    poll.stop();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("ready %.3f %ld\n", ready, usage.ru_maxrss);
    std::fflush(stdout);
    QTimer::singleShot(0, &window, [&window] { window.close(); });
  }

  Shell& shell;
  QTimer poll;
  bool shown = false;
  bool painted = false;
  double ready = 0; // when the document was first seen processed
};

int probe(int argc, char** argv) {
  return Shell::runProgram(argc, argv, [](Shell& shell) { new Probe(shell); });
}

std::string const& document() {
  static const std::string path = [] {
    const std::string corpus = qmbench::readFile(QM_SHARED_DATA_DIR "/corpus/pku_test.utf8");
    const fs::path file = qmbench::scratch() / "pku50.txt";
    std::ofstream out(file, std::ios::binary);
    for (size_t written = 0; written < (50u << 20); written += corpus.size())
      out << corpus;
    return file.string();
  }();
  return path;
}

struct Run {
  double shown = 0, page = 0, ready = 0;
  long rssKb = 0;
};

// One program run in a child process with the reader's folder under the bench's scratch folder.
Run runProgram(const char* self) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "XDG_DATA_HOME=", 14) != 0 && std::strncmp(*e, "QUILLMERE_RESOURCES=", 20) != 0)
      env.emplace_back(*e);
  env.push_back("XDG_DATA_HOME=" + (qmbench::scratch() / "user").string());
  env.push_back("QUILLMERE_RESOURCES=" QM_RESOURCES_DIR);
  if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) env.push_back("QT_QPA_PLATFORM=offscreen");
  std::vector<std::string> args{self, "--probe", document()};
  std::vector<char*> cargs, cenv;
  for (auto& a : args)
    cargs.push_back(a.data());
  for (auto& e : env)
    cenv.push_back(e.data());
  cargs.push_back(nullptr);
  cenv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const double start = nowMs();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, self, &actions, nullptr, cargs.data(), cenv.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, size_t(n));
  close(out[0]);
  if (spawned != 0) return {};
  int status = 0;
  waitpid(pid, &status, 0);

  Run run;
  std::istringstream lines(text);
  for (std::string what; lines >> what;) {
    double at = 0;
    lines >> at;
    if (what == "shown") run.shown = at - start;
    if (what == "page") run.page = at - start;
    if (what == "ready") {
      run.ready = at - start;
      lines >> run.rssKb;
    }
  }
  return run;
}

const char* self = nullptr;

void BM_StartToFirstPage(benchmark::State& state) {
  static const bool warm = (runProgram(self), true); // the first run: the welcome, the page cache
  (void)warm;
  Run run;
  for (auto _ : state) {
    run = runProgram(self);
    if (run.page <= 0 || run.ready <= 0) {
      state.SkipWithError("the program did not show the document");
      return;
    }
    state.SetIterationTime(run.page / 1000);
  }
  state.counters["shown_ms"] = run.shown;
  state.counters["page_ms"] = run.page;
  state.counters["page_after_ms"] = run.page - run.shown;
  state.counters["ready_ms"] = run.ready;
  state.counters["rss_peak_MB"] = double(run.rssKb) / 1024;
}
BENCHMARK(BM_StartToFirstPage)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--probe") == 0) {
    // The program sees its own command line: the document only.
    argv[1] = argv[0];
    return probe(argc - 1, argv + 1);
  }
  self = "/proc/self/exe";
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  static std::string own(path, n > 0 ? size_t(n) : 0);
  if (!own.empty()) self = own.c_str();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
