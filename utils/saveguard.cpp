#include "utils/saveguard.h"

#include "utils/exception.h"
#include "utils/log.h"

#include <sys/stat.h>

#include <cerrno>

namespace {

// Only a path that names nothing counts: a file that cannot even be looked at may still hold the reader's
// data.
bool missing(const char* path, struct stat& st) {
  return ::stat(path, &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// Runs read; report, when given, hears every failure, and a missing path is read too.
SaveGuard::Result readReporting(const char* path, const char* what, std::function<void()> const& read,
                                std::function<void(zun::exception const&)> const* report) {
  struct stat st {};
  if (!path || (!report && missing(path, st))) return SaveGuard::Absent;
  try {
    read();
    return SaveGuard::Read;
  } catch (zun::exception const& e) {
    if (report) (*report)(e);
    // The property-file reader refuses an empty file: that is no content to lose.
    if (missing(path, st) || (S_ISREG(st.st_mode) && st.st_size == 0)) return SaveGuard::Absent;
    if (!report) {
      Log::print("WARN", "Error reading %s '%s'\n", what, path);
      ZUN_LOG_CAUGHT("WARN", "\t", e);
    }
    return SaveGuard::Unreadable;
  }
}

} // namespace

SaveGuard::Result SaveGuard::read(const char* path, const char* what, std::function<void()> const& read) {
  return readReporting(path, what, read, nullptr);
}

SaveGuard::Result SaveGuard::load(const char* path, const char* what, std::function<void()> const& read) {
  return remember(path, what, readReporting(path, what, read, nullptr));
}

SaveGuard::Result SaveGuard::load(const char* path, const char* what, std::function<void()> const& read,
                                  std::function<void(zun::exception const&)> const& report) {
  return remember(path, what, readReporting(path, what, read, &report));
}

SaveGuard::Result SaveGuard::remember(const char* path, const char* what, Result result) {
  m_path = path;
  m_what = what;
  m_unreadable = result == Unreadable;
  return result;
}

bool SaveGuard::maySave() const {
  if (!m_unreadable) return true;
  Log::print("WARN", "Not saving %s: '%s' could not be read at start-up\n", m_what, m_path.c_str());
  return false;
}
