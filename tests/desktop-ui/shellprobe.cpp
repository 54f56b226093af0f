// The program as its main runs it, for the shell's tests in a child process. It answers every box Ok, as a
// reader would, and writes one line per event on standard output: "log TEXT" for each log entry,
// "box MESSAGE|INFORMATION", "shown TITLE" when the main window first shows (TITLE: the window's title at
// that moment), and "opened TITLE" once a document has become the window's title, after which it closes the
// window as a reader would. Its exit status is the program's.
#include "desktop-ui/desktopgui.h"
#include "desktop-ui/mainwindowwidget.h"
#include "desktop-ui/shell.h"
#include "utils/log.h"
#include "views/messagebox.h"

#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <mutex>
#include <string>

namespace {

std::mutex outputMutex;
Log::LogFn programLog = nullptr;

void say(const char* what, std::string const& text) {
  std::lock_guard lock(outputMutex);
  std::string line = text;
  while (!line.empty() && line.back() == '\n')
    line.pop_back();
  std::printf("%s %s\n", what, line.c_str());
  std::fflush(stdout);
}

void tee(const char* text) {
  say("log", text ? text : "");
  if (programLog) programLog(text);
}

class Answerer : public MessageBox::Presenter {
public:
  int present(MessageBox const& box) override {
    say("box", std::string(box.message()) + "|" + box.information());
    return MessageBox::OkPressed;
  }
};

class Watcher : public QObject {
public:
  explicit Watcher(MainWindowWidget& window) : QObject(&window), window(window) {
    window.installEventFilter(this);
    connect(&poll, &QTimer::timeout, this, [this] { check(); });
    poll.start(20);
  }

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show && !shown) {
      shown = true;
      say("shown", window.windowTitle().toStdString());
    }
    return false;
  }

private:
  void check() {
    if (!shown || window.windowTitle().isEmpty()) return;
    poll.stop();
    say("opened", window.windowTitle().toStdString());
    window.close();
  }

  MainWindowWidget& window;
  QTimer poll;
  bool shown = false;
};

} // namespace

int main(int argc, char** argv) {
  static Answerer answerer;
  return Shell::runProgram(argc, argv, [](Shell& shell) {
    programLog = Log::logFn();
    Log::setLogFn(&tee);
    MessageBox::setPresenter(&answerer);
    new Watcher(shell.gui().window());
  });
}
