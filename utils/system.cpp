#include "utils/system.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace System {
int processID() {
  return int(getpid());
}

bool processRunning(long pid) {
  return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}
} // namespace System
