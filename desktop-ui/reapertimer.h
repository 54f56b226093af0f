// Polls the ScriptReaper from the event loop while it holds runs whose scripts have not ended yet, so that
// they are freed soon after they end. Build one on the GUI thread at start-up; it stops polling when nothing
// is left.
#pragma once

#include "control/scriptreaper.h"

#include <QTimer>

class ReaperTimer : public QObject, public ScriptReaper::Listener {
public:
  static constexpr int INTERVAL_MS = 250;

  explicit ReaperTimer(QObject* parent = nullptr);
  ~ReaperTimer() override;
  ReaperTimer(ReaperTimer const&) = delete;
  ReaperTimer& operator=(ReaperTimer const&) = delete;

  bool active() const { return m_timer.isActive(); }

private:
  void runsWaiting() override;
  void poll();

  QTimer m_timer;
};
