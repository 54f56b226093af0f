// The program as its main runs it, for the shell's tests in a child process. It answers every box Ok, as a
// reader would, and writes one line per event on standard output: "log TEXT" for each log entry, "titled
// TITLE" (the title the desktop gives the box) then "box MESSAGE|INFORMATION" for each box, "shown TITLE"
// when the main window first shows (TITLE: the window's title at that moment), and "opened TITLE" each time
// a document becomes the window's title. Then, by QM_PROBE: unset, it closes the window as a reader would
// after the first; "stay" leaves it open (the test ends the program); "mark" also moves the caret onto a
// word and marks it with "t" and writes "marked N", N the words of the current list. Its exit status is the
// program's.
#include "desktop-ui/desktopgui.h"
#include "desktop-ui/mainwindowwidget.h"
#include "desktop-ui/messageboxpresenter.h"
#include "desktop-ui/shell.h"
#include "desktop-ui/textviewwidget.h"
#include "text/wordhash.h"
#include "utils/log.h"
#include "views/layout.h"
#include "views/mainwindowdelegate.h"
#include "views/messagebox.h"
#include "views/textviewdelegate.h"
#include "wordlists/wordlistmanager.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
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
    say("titled", MessageBoxPresenter::build(box)->windowTitle().toStdString());
    say("box", std::string(box.message()) + "|" + box.information());
    return MessageBox::OkPressed;
  }
};

class Watcher : public QObject {
public:
  explicit Watcher(Shell& shell)
      : QObject(&shell.gui().window()), shell(shell), window(shell.gui().window()) {
    const char* m = std::getenv("QM_PROBE");
    mode = m ? m : "";
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
    if (!shown) return;
    if (const QString title = window.windowTitle(); !title.isEmpty() && title != last) {
      last = title;
      say("opened", title.toStdString());
      if (mode.empty()) {
        poll.stop();
        // Not at once: no reader closes the window within a turn of the event loop, and the shell names
        // the files that failed in the turn after the window shows.
        QTimer::singleShot(200, &window, [this] { window.close(); });
      }
    }
    TextViewWidget& text = shell.gui().textViewWidget();
    if (mode == "mark" && !marked && text.delegate() && text.delegate()->layout().lineCount() > 0) {
      marked = true;
      QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier); // the caret onto a word
      QApplication::sendEvent(&text, &right);
      QKeyEvent t(QEvent::KeyPress, Qt::Key_T, Qt::NoModifier, QStringLiteral("t"));
      QApplication::sendEvent(&text, &t);
      say("marked", std::to_string(window.delegate()->wordListManager(window).current().totalWords()));
    }
  }

  Shell& shell;
  MainWindowWidget& window;
  std::string mode;
  QTimer poll;
  QString last;
  bool shown = false;
  bool marked = false;
};

} // namespace

int main(int argc, char** argv) {
  static Answerer answerer;
  return Shell::runProgram(argc, argv, [](Shell& shell) {
    programLog = Log::logFn();
    Log::setLogFn(&tee);
    MessageBox::setPresenter(&answerer);
    new Watcher(shell);
  });
}
