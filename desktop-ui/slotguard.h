// Runs the body of a slot, event handler or queued call so that no exception reaches Qt: our errors and the
// standard library's are logged under "ERR" in the caught-error format, with what as the prefix, and the
// event loop goes on.
#pragma once

#include "utils/exception.h"
#include "utils/log.h"

#include <exception>

template <class F> void slotGuard(const char* what, F&& body) noexcept {
  try {
    body();
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", what, e);
  } catch (std::exception const& e) {
    Log::print("ERR", "%s%s\n", what, e.what());
  }
}
