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

// The system's own words for errno, also for a file refused by its kind (ENODEV): the "WARN" line before
// this one says what the file is.
void logOpenError(const char* path, int error) {
  char text[256] = "";
  const char* message = strerror_r(error, text, sizeof text); // the GNU form may return its own
  Log::print("ERR", "Error opening file: %s\n\tLast error: %d\n\t%s\n", path ? path : "nullptr", error,
             message ? message : "");
}

// True, and said under "WARN", for a pipe, socket or device.
bool isSpecial(const char* path, struct stat const& st) {
  if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return false;
  const char* kind = S_ISFIFO(st.st_mode) ? "a pipe (FIFO)" : S_ISSOCK(st.st_mode) ? "a socket" : "a device";
  Log::print("WARN", "Not reading '%s': it is %s, not a regular file\n", path, kind);
  return true;
}

} // namespace

// A pipe, socket or device is turned away before it is opened (opening one can have effects of its own),
// and again after, should the name have been replaced in between.
int FileHandle::openForReading(const char* path) {
  if (!path) {
    errno = EFAULT;
    return -1;
  }
  struct stat st {};
  if (::stat(path, &st) == 0 && isSpecial(path, st)) {
    errno = ENODEV;
    return -1;
  }
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  int error = 0;
  if (::fstat(fd, &st) != 0)
    error = errno;
  else if (S_ISDIR(st.st_mode))
    error = EISDIR;
  else if (isSpecial(path, st))
    error = ENODEV;
  else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
    error = errno;
  if (error) {
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

FileHandle::FileHandle(const char* path, int flags) {
  const bool shared = flags == 0;
  if (shared)
    m_fd = openForReading(path);
  else if (path)
    m_fd = ::open(path, flags | O_NONBLOCK | O_CLOEXEC, 0644);
  else
    errno = EFAULT;
  int error = m_fd < 0 ? errno : 0;
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
