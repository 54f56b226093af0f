// The end runs in the order of what depends on what: the controller stops its document workers first, the
// queue stops so that no queued call reaches a controller on its way out, the version check is cancelled and
// joined before libcurl's clean-up, and the GUI goes after the controller that drives it. The log outlives
// all of it (it is the first thing runProgram makes).
#include "desktop-ui/shell.h"

#include "desktop-ui/desktopgui.h"
#include "desktop-ui/guiapplication.h"
#include "desktop-ui/messagepump.h"
#include "desktop-ui/platformservices.h"
#include "desktop-ui/reapertimer.h"
#include "desktop-ui/slotguard.h"
#include "programinfo/programinfo.h"
#include "utils/log.h"
#include "utils/logger.h"
#include "utils/systeminformation.h"
#include "utils/timestamp.h"
#include "views/mainwindowdelegate.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

struct Shell::Impl {
  Impl(const char* programInfo, int splashMs) : programInfo(programInfo), gui(splashMs) {}

  std::string programInfo;
  MessagePump pump;
  ReaperTimer reaper;
  DesktopGUI gui;
  std::unique_ptr<Application> application;
  std::vector<std::string> pending; // the command line's files, until the window first shows
  bool down = false;
};

Shell::Shell(const char* programInfo, int splashMs) : impl(std::make_unique<Impl>(programInfo, splashMs)) {}

Shell::~Shell() {
  shutdown();
}

bool Shell::start(std::vector<std::string> files) {
  impl->pump.start();
  const Timestamp now = Timestamp::localTime();
  Log::print("LOG", "%d/%d/%d - %d:%d:%d\n", now.year(), now.month(), now.day(), now.hour(), now.minute(),
             now.second());
  SystemInformation::log();

  impl->pending = std::move(files);
  impl->gui.window().installEventFilter(this);
  impl->gui.window().setAppearanceObserver(this);
  impl->application = std::make_unique<Application>(impl->gui);
  if (impl->application->init(impl->programInfo.c_str())) return true;
  shutdown();
  return false;
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
  if (watched == &impl->gui.window() && event->type() == QEvent::Show && !impl->pending.empty())
    QTimer::singleShot(0, this, [this] { openPending(); });
  return QObject::eventFilter(watched, event);
}

void Shell::openPending() {
  slotGuard("Error opening the files of the command line: ", [this] {
    const std::vector<std::string> files = std::move(impl->pending);
    impl->pending.clear();
    MainWindowWidget& window = impl->gui.window();
    if (!files.empty() && window.delegate()) window.delegate()->onOpenFiles(window, files);
  });
}

void Shell::appearanceChanged(bool dark) {
  if (impl->application)
    impl->application->systemColourSchemeChanged(dark ? ColourScheme::Dark : ColourScheme::Light);
}

int Shell::runProgram(int argc, char** argv, std::function<void(Shell&)> const& prepare) {
  const Logger logger(Application::PROGRAM_INFO);
  GuiApplication app(argc, argv);
  GuiApplication::setDesktopFileName(QStringLiteral("quillmere"));
  GuiApplication::setWindowIcon(QIcon(QStringLiteral(":/quillmere.svg")));
  const PlatformServices services;
  Shell shell;
  if (prepare) prepare(shell);
  if (!shell.start(filesOf(GuiApplication::arguments()))) return 1;
  // Window titles then read "name.txt — Quillmere".
  GuiApplication::setApplicationDisplayName(QString::fromUtf8(ProgramInfo::instance().displayName()));
  const int status = GuiApplication::exec();
  shell.shutdown();
  return status;
}
