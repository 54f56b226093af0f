// Runs MessageCenter's queued calls on the GUI thread. Any thread may queue a call; the centre wakes the
// pump, which posts a queued invocation to itself, so the calls run from the event loop, also from the nested
// loops of QDialog::exec and QMessageBox::exec. Build it on the GUI thread after the QApplication; stop it
// (or destroy it) before the objects that queued calls reach are destroyed: once stop() returns no queued
// call runs through it, and calls still waiting stay in the centre.
#pragma once

#include "utils/messagecenter.h"

#include <QObject>

class MessagePump : public QObject, public MessageCenter::Listener {
public:
  explicit MessagePump(QObject* parent = nullptr);
  ~MessagePump() override;
  MessagePump(MessagePump const&) = delete;
  MessagePump& operator=(MessagePump const&) = delete;

  // Becomes the centre's listener; calls already waiting run soon.
  void start();
  // GUI thread only.
  void stop();
  bool running() const { return m_running; }

private:
  // Any thread, under the centre's lock: only posts.
  void messagesWaiting() override;
  void drain();

  bool m_running = false; // read on the GUI thread only
};
