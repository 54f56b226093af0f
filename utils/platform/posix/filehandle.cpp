#include "utils/platform/posix/filehandle.h"

#include "utils/log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

void logOpenError(const char* path, int error) {
  char text[256] = "";
  const char* message = strerror_r(error, text, sizeof text); // the GNU form may return its own text
  Log::print("ERR", "Error opening file: %s\n\tLast error: %d\n\t%s\n", path ? path : "nullptr", error,
             message ? message : "");
}

} // namespace

FileHandle::FileHandle(const char* path, int flags) {
  const bool shared = flags == 0;
  if (path)
    m_fd = ::open(path, (shared ? O_RDONLY | O_NONBLOCK : flags) | O_CLOEXEC, 0644);
  else
    errno = EFAULT;
  int error = m_fd < 0 ? errno : 0;
  // A folder opens for reading, yet it is no file to read: the same error as a missing file.
  struct stat st {};
  if (m_fd >= 0 && shared && ::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    error = EISDIR;
    ::close(m_fd);
    m_fd = -1;
  }
  if (m_fd >= 0 && shared && ::flock(m_fd, LOCK_SH | LOCK_NB) != 0) {
    error = errno;
    ::close(m_fd);
    m_fd = -1;
  }
  if (m_fd < 0) {
    logOpenError(path, error);
    ZUN_THROW(FileHandle::open_error);
  }
}

FileHandle::FileHandle(FileHandle const& other)
    : m_fd(other.m_fd >= 0 ? ::fcntl(other.m_fd, F_DUPFD_CLOEXEC, 0) : -1) {}

FileHandle::~FileHandle() {
  if (m_fd >= 0) ::close(m_fd);
}

size_t FileHandle::size() const {
  struct stat st;
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return 0;
  return size_t(st.st_size);
}

void FileHandle::readAll(std::string& out) const {
  out.resize(std::max<size_t>(size(), 4096));
  size_t done = 0;
  for (;;) {
    if (done == out.size()) out.resize(out.size() * 2); // the file grew while it was read
    const ssize_t n = ::pread(m_fd, out.data() + done, out.size() - done, off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      out.clear();
      ZUN_THROW(FileHandle::read_error);
    }
    if (n == 0) break;
    done += size_t(n);
  }
  out.resize(done);
}
