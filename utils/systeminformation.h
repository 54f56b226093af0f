// The operating system's description for the log, the feedback form and the version check's user agent.
#pragma once

#include "utils/text.h"

class SystemInformation {
public:
  // "Linux - " and the kernel release, e.g. "Linux - 6.1.0-18-amd64".
  static Text getOSVersionString();
  static const char* osShortVersion() { return "Linux"; }
  static const char* bitness();
  // Logs the version string and the number of processors under "LOG".
  static void log();
};
