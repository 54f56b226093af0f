// Runs the Qt event loop in tests until a condition holds, or for a while.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace qmtest {

// Until done() holds or limitMs pass; returns done().
inline bool spinUntil(std::function<bool()> const& done, int limitMs = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limitMs)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

inline void spinFor(int ms) {
  spinUntil([] { return false; }, ms);
}

} // namespace qmtest
