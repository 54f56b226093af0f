// Collects log entries for a test, one entry a line: installs a log function that keeps every text and
// enables the given keys; restores the silent log on destruction. One at a time per process.
#pragma once

#include "utils/log.h"

#include <chrono>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qmtest {

class LogCapture {
public:
  explicit LogCapture(std::initializer_list<const char*> keys = {"LOG", "ERR", "WARN"}) {
    entries().clear();
    for (const char* k : keys)
      Log::addKey(k);
    Log::setLogFn(&LogCapture::collect);
  }
  ~LogCapture() { Log::shutdown(); }
  LogCapture(LogCapture const&) = delete;
  LogCapture& operator=(LogCapture const&) = delete;

  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex());
    return entries();
  }
  std::string all() const {
    std::string s;
    for (auto const& l : lines())
      s += l;
    return s;
  }
  // Waits up to ten seconds for an entry that contains part (entries written by other threads).
  bool waitFor(std::string const& part) const {
    for (int i = 0; i < 1000; ++i) {
      if (all().find(part) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

private:
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& entries() {
    static std::vector<std::string> e;
    return e;
  }
  static void collect(const char* text) {
    std::lock_guard lock(mutex());
    entries().push_back(text ? text : "");
  }
};

} // namespace qmtest
