// The name of the platform this build runs on.
#pragma once

class Platform {
public:
  // The platform word appended to the version-check link.
  static const char* name() { return "linux"; }
};
