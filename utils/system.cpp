#include "utils/system.h"

#include <unistd.h>

namespace System {
int processID() {
  return int(getpid());
}
} // namespace System
