// The end runs in the order of what depends on what: the controller stops its document workers first, the
// queue stops so that no queued call reaches a controller on its way out, the version check is cancelled and
// joined before libcurl's clean-up, and the GUI goes after the controller that drives it. The log outlives
// all of it (it is the first thing runProgram makes), and the claim to be the running copy is let go last,
// once everything is saved, so that a start meanwhile waits rather than meets a copy on its way out.
#include "desktop-ui/shell.h"

#include "control/applicationcontroller.h"
#include "desktop-ui/desktopgui.h"
#include "desktop-ui/guiapplication.h"
#include "desktop-ui/messagepump.h"
#include "desktop-ui/platformservices.h"
#include "desktop-ui/reapertimer.h"
#include "desktop-ui/recentdocuments.h"
#include "desktop-ui/slotguard.h"
#include "utils/log.h"
#include "utils/logger.h"
#include "utils/systeminformation.h"
#include "utils/timestamp.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <utility>

struct Shell::Impl {
  Impl(const char* programInfo, int splashMs) : programInfo(programInfo), gui(splashMs) {}

  std::string programInfo;
  MessagePump pump;
  ReaperTimer reaper;
  DesktopGUI gui;
  std::unique_ptr<Application> application;
  std::vector<std::string> unopened; // the command line's files that failed, until the window first shows
  std::vector<std::string> handed;   // from later starts, until the window shows and no dialog runs
  bool raise = false;                // a later start asked for the window
  bool down = false;
};

Shell::Shell(const char* programInfo, int splashMs) : impl(std::make_unique<Impl>(programInfo, splashMs)) {}

Shell::~Shell() {
  shutdown();
}

bool Shell::start(std::vector<std::string> const& files) {
  impl->pump.start();
  const Timestamp now = Timestamp::localTime();
  Log::print("LOG", "%d/%d/%d - %d:%d:%d\n", now.year(), now.month(), now.day(), now.hour(), now.minute(),
             now.second());
  SystemInformation::log();

  impl->gui.window().installEventFilter(this);
  impl->gui.window().setAppearanceObserver(this);
  impl->application = std::make_unique<Application>(impl->gui);
  if (!impl->application->init(impl->programInfo.c_str())) {
    shutdown();
    return false;
  }
  // Now rather than when the window shows: the splash's time goes to converting and processing them.
  for (std::string const& file : files) {
    RecentDocuments::add(file.c_str());
    if (!impl->application->openFile(file.c_str())) impl->unopened.push_back(file);
  }
  return true;
}

void Shell::shutdown() {
  if (impl->down) return;
  impl->down = true;
  impl->gui.window().setAppearanceObserver(nullptr);
  impl->gui.window().removeEventFilter(this);
  if (impl->application) impl->application->applicationWillTerminate();
  impl->pump.stop();
  if (impl->application) impl->application->shutdown();
  impl->application.reset();
}

DesktopGUI& Shell::gui() const {
  return impl->gui;
}

Application* Shell::application() const {
  return impl->application.get();
}

std::vector<std::string> Shell::filesOf(QStringList const& arguments) {
  std::vector<std::string> files;
  for (qsizetype i = 1; i < arguments.size(); ++i)
    if (!arguments[i].isEmpty())
      files.push_back(QFile::encodeName(QFileInfo(arguments[i]).absoluteFilePath()).toStdString());
  return files;
}

bool Shell::eventFilter(QObject* watched, QEvent* event) {
  // After the window's own show has run: the welcome dialog of a first run may follow it.
  if (watched == &impl->gui.window() && event->type() == QEvent::Show)
    QTimer::singleShot(0, this, [this] { openPending(); });
  return QObject::eventFilter(watched, event);
}

void Shell::filesHanded(std::vector<std::string> const& paths) {
  impl->handed.insert(impl->handed.end(), paths.begin(), paths.end());
  impl->raise = true;
  QTimer::singleShot(0, this, [this] { openPending(); });
}

void Shell::openPending() {
  slotGuard("Error opening the files handed to the program: ", [this] {
    MainWindowWidget& window = impl->gui.window();
    if (impl->unopened.empty() && impl->handed.empty() && !impl->raise) return;
    if (!impl->application || !window.isVisible()) return; // until the window's first show
    // A dialog may hold a document or be reading the open ones (a script runs while its dialog shows).
    if (QApplication::activeModalWidget()) {
      QTimer::singleShot(250, this, [this] { openPending(); });
      return;
    }
    std::vector<std::string> unopened = std::exchange(impl->unopened, {});
    for (std::string const& path : std::exchange(impl->handed, {})) {
      RecentDocuments::add(path.c_str());
      if (!impl->application->openFile(path.c_str())) unopened.push_back(path);
    }
    if (std::exchange(impl->raise, false)) {
      window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
      window.raise();
      window.activateWindow();
    }
    ApplicationController::reportUnopened(unopened);
  });
}

void Shell::signalled(int number) {
  // The event loop ends and the orderly end follows, as after Quit, without the questions Quit may ask:
  // no one may be there to answer them.
  Log::print("LOG", "Ending on signal %d\n", number);
  QCoreApplication::exit(0);
}

void Shell::appearanceChanged(bool dark) {
  if (impl->application)
    impl->application->systemColourSchemeChanged(dark ? ColourScheme::Dark : ColourScheme::Light);
}

int Shell::runProgram(int argc, char** argv, std::function<void(Shell&)> const& prepare) {
  const Logger logger(Application::PROGRAM_INFO);
  GuiApplication app(argc, argv);
  const std::vector<std::string> files = filesOf(GuiApplication::arguments());
  RunningCopy copy(Logger::userFolder(Application::PROGRAM_INFO).c_str());
  switch (copy.claim(files)) {
  case RunningCopy::Claim::HandedOver:
    return 0;
  case RunningCopy::Claim::Failed:
    return 1;
  case RunningCopy::Claim::First:
    break;
  }
  GuiApplication::setDesktopFileName(QStringLiteral("quillmere"));
  GuiApplication::setWindowIcon(QIcon(QStringLiteral(":/quillmere.svg")));
  const PlatformServices services;
  Shell shell;
  const SignalWatcher signalWatcher(shell);
  copy.setListener(&shell);
  if (prepare) prepare(shell);
  if (!shell.start(files)) return 1;
  // Window titles then read "name.txt — Quillmere".
  GuiApplication::setApplicationDisplayName(QString::fromUtf8(Application::displayName()));
  const int status = GuiApplication::exec();
  copy.stopListening();
  copy.setListener(nullptr);
  shell.shutdown();
  return status;
}
