// The program's shell: owns the desktop's GUI and the one Application of the run, starts them, opens the
// files named on the command line while the splash shows and those a later start hands over once the window
// shows, tells the application when the desktop turns light or dark, ends the program as Quit does on
// SIGTERM, SIGINT and SIGHUP, and takes everything down in order: the application hears that it
// terminates, the main-thread queue stops, the version check and libcurl end, then the controller (which
// saves the user's state) and last the GUI. GUI thread only, after the GuiApplication is built.
#pragma once

#include "control/application.h"
#include "desktop-ui/mainwindowwidget.h"
#include "desktop-ui/runningcopy.h"
#include "desktop-ui/signalwatcher.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class DesktopGUI;

class Shell : public QObject,
              private MainWindowWidget::AppearanceObserver,
              private RunningCopy::Listener,
              private SignalWatcher::Listener {
public:
  // programInfo: the program-information file's name (in the resources, then the base folder); splashMs:
  // how long the splash stays.
  explicit Shell(const char* programInfo = Application::PROGRAM_INFO, int splashMs = 2000);
  // Shuts down when that has not happened yet.
  ~Shell() override;
  Shell(Shell const&) = delete;
  Shell& operator=(Shell const&) = delete;

  // Starts the program and opens the files at once, while the splash shows, the last one current; those that
  // cannot be opened are named in a box once the window shows. False when start-up failed: the problem has
  // been logged and named in a box, the shell has shut down, nothing of the user's has been written, and the
  // program should end with a non-zero status.
  bool start(std::vector<std::string> const& files);
  // The orderly end; a second call does nothing.
  void shutdown();

  DesktopGUI& gui() const;
  // Null before start() and after shutdown().
  Application* application() const;

  // The files a command line names: every argument after the program's, made absolute, in the bytes that
  // name them on disk.
  static std::vector<std::string> filesOf(QStringList const& arguments);

  // The whole program as main runs it: the log, the GuiApplication, the claim to be the running copy (a
  // later start hands its files to the running one and ends with status 0), the desktop's message boxes and
  // clipboard, the signals caught, the shell started with the command line's files, the event loop, the
  // orderly end. Returns the process's exit status. prepare, when given, runs once those services are in
  // place, before start-up (probes of tests and benchmarks hook in there).
  static int runProgram(int argc, char** argv, std::function<void(Shell&)> const& prepare = {});

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void appearanceChanged(bool dark) override;
  // Opened once the window shows and no dialog runs, then the window raised.
  void filesHanded(std::vector<std::string> const& paths) override;
  void signalled(int number) override;
  void openPending();

  struct Impl;
  std::unique_ptr<Impl> impl;
};
