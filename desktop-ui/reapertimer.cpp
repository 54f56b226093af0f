#include "desktop-ui/reapertimer.h"

#include "desktop-ui/slotguard.h"

ReaperTimer::ReaperTimer(QObject* parent) : QObject(parent) {
  m_timer.setInterval(INTERVAL_MS);
  connect(&m_timer, &QTimer::timeout, this, &ReaperTimer::poll);
  ScriptReaper::instance().setListener(this);
  if (ScriptReaper::instance().pending()) m_timer.start();
}

ReaperTimer::~ReaperTimer() {
  ScriptReaper::instance().setListener(nullptr);
}

void ReaperTimer::runsWaiting() {
  if (!m_timer.isActive()) m_timer.start();
}

void ReaperTimer::poll() {
  slotGuard("Error freeing stopped scripts: ", [this] {
    if (ScriptReaper::instance().poll() == 0) m_timer.stop();
  });
}
