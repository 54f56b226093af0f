// The one way a test waits for another thread: a condition polled until it holds or a limit passes, so that
// a fault makes the test fail instead of hanging it.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace qmtest {

// Calls done() until it holds (true) or limit has passed (false), pausing step between calls. done() may do
// work of its own each time: drain the main-thread queue, page a view.
inline bool waitUntil(std::function<bool()> const& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10),
                      std::chrono::microseconds step = std::chrono::milliseconds(1)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(step);
  }
}

} // namespace qmtest
