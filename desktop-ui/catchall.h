// The net around every entry from Qt into the program's code (slots, timers, queued calls): our errors and
// the standard library's are logged under "ERR" and the event loop goes on.
#pragma once

#include "utils/exception.h"
#include "utils/log.h"

#include <exception>

template <typename F> void catchAll(const char* prefix, F&& f) {
  try {
    f();
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", prefix, e);
  } catch (std::exception const& e) {
    Log::print("ERR", "%s%s\n", prefix, e.what());
  }
}
