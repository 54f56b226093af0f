// Every entry from Qt into our code (a slot, an event handler, a timer) runs its body through QM_GUARDED:
// an exception is logged under "ERR" with where it was caught and goes no further, since Qt's event
// handling must not unwind.
#pragma once

#include "utils/exception.h"
#include "utils/log.h"

#include <exception>

template <class Body> void runGuarded(const char* prefix, const char* file, int line, Body&& body) noexcept {
  try {
    body();
  } catch (zun::exception const& e) {
    zun::logCaught("ERR", prefix, e, file, line);
  } catch (std::exception const& e) {
    Log::print("ERR", "%s%s\n", prefix, e.what());
  }
}

// QM_GUARDED("Error sorting the word list: ", [&] { ... });
#define QM_GUARDED(prefix, body) runGuarded(prefix, __FILE__, __LINE__, body)
