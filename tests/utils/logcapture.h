// Collects what is logged under the given keys while in scope (one capture at a time per test binary).
#pragma once

#include "utils/log.h"

#include <mutex>
#include <string>

namespace qmtest {

class LogCapture {
public:
  explicit LogCapture(std::initializer_list<const char*> keys) {
    for (const char* key : keys)
      Log::addKey(key);
    text().clear();
    Log::setLogFn(&collect);
  }
  ~LogCapture() { Log::shutdown(); }
  std::string str() const {
    std::lock_guard lock(mutex());
    return text();
  }

private:
  static void collect(const char* line) {
    std::lock_guard lock(mutex());
    text() += line;
  }
  static std::string& text() {
    static std::string t;
    return t;
  }
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
};

} // namespace qmtest
