// Checks in the background whether a newer version has been published: a worker thread downloads the version
// file (a property file whose unnamed group holds "version" and "download") and the result reaches the
// listener on the main thread, through MessageCenter.
#pragma once

#include "utils/text.h"

#include <memory>

class VersionChecker {
public:
  class Listener {
  public:
    virtual ~Listener() = default;
    // On the main thread: the published version, the download link (null when the file gave none) and
    // whether the version was empty or missing.
    virtual void versionCheck(const char* version, const char* downloadLink, bool emptyVersion) = 0;
  };

  // The version file's address for this platform: versionLink, "/" and "linux".
  static Text versionUrl(const char* versionLink);

  // Starts the check at once. The listener must outlive the checker.
  VersionChecker(const char* versionUrl, Listener& listener);
  // Cancels.
  ~VersionChecker();
  VersionChecker(VersionChecker const&) = delete;
  VersionChecker& operator=(VersionChecker const&) = delete;

  // Main thread. Aborts a transfer under way and returns once the worker has ended; no result reaches the
  // listener afterwards, also one already queued.
  void cancel();
  // Whether the worker has ended (a result it found is queued by then); any thread.
  bool finished() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
