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

} // namespace

SaveGuard::Result SaveGuard::read(const char* path, const char* what, std::function<void()> const& read) {
  struct stat st {};
  if (!path || missing(path, st)) return Absent;
  try {
    read();
    return Read;
  } catch (zun::exception const& e) {
    // The property-file reader refuses an empty file: that is no content to lose.
    if (missing(path, st) || (S_ISREG(st.st_mode) && st.st_size == 0)) return Absent;
    Log::print("WARN", "Error reading %s '%s'\n", what, path);
    ZUN_LOG_CAUGHT("WARN", "\t", e);
    return Unreadable;
  }
}

SaveGuard::Result SaveGuard::load(const char* path, const char* what, std::function<void()> const& read) {
  const Result result = SaveGuard::read(path, what, read);
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
