// Turns SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl-C, a closed terminal) into a call on the
// GUI thread, so that the program can end as Quit does instead of being killed. The handler itself only
// writes the signal's number to a pipe; the event loop reads it there. Only one may exist at a time; build
// it on the GUI thread after the QApplication.
#pragma once

#include <QObject>

#include <memory>

class SignalWatcher : public QObject {
public:
  class Listener {
  public:
    virtual ~Listener() = default;
    // On the GUI thread, from the event loop (also a dialog's), once for each signal caught.
    virtual void signalled(int number) = 0;
  };

  // Catches the three signals from now on; when the pipe cannot be made (logged) they keep their actions.
  explicit SignalWatcher(Listener& listener);
  // Gives the signals back their earlier actions.
  ~SignalWatcher() override;
  SignalWatcher(SignalWatcher const&) = delete;
  SignalWatcher& operator=(SignalWatcher const&) = delete;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
