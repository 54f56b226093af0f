#include "utils/platform/posix/filewriter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int FileWriter::openForWriting(const char* path, int openFlags) {
  const int fd = ::open(path, openFlags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  if (fd >= 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

FileWriter::FileWriter(const char* path, int flags) {
  int mode = O_CREAT | (flags & ReadWrite ? O_RDWR : O_WRONLY);
  if (flags & Append) mode |= O_APPEND;
  if (flags & Exclusive) mode |= O_EXCL;
  if (!path) ZUN_THROW(FileWriter::open_error);
  m_fd = openForWriting(path, mode);
  if (m_fd < 0) {
    if (errno == EEXIST && (flags & Exclusive)) ZUN_THROW(FileWriter::file_exists_error);
    ZUN_THROW(FileWriter::open_error);
  }
  struct stat st;
  const bool locked = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
  // Devices such as /dev/full cannot be truncated and need not be.
  const bool truncated = !locked || (flags & Append) || ::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                         ::ftruncate(m_fd, 0) == 0;
  if (!locked || !truncated || ((flags & UnlinkAfterOpen) && ::unlink(path) != 0)) {
    ::close(m_fd);
    m_fd = -1;
    ZUN_THROW(FileWriter::open_error);
  }
}

FileWriter::~FileWriter() {
  close();
}

size_t FileWriter::write(const void* data, size_t size) {
  if (m_error) return 0;
  if (m_fd < 0) {
    m_error = EBADF;
    return 0;
  }
  const char* p = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(m_fd, p + done, size - done);
    if (n > 0)
      done += size_t(n);
    else if (n < 0 && errno == EINTR)
      continue;
    else {
      m_error = n < 0 ? errno : EIO; // 0 bytes taken for a non-empty request: no progress is possible
      break;
    }
  }
  return done;
}

bool FileWriter::flush() {
  if (m_fd < 0) return !failed();
  // EINVAL: a device that has nothing to synchronise.
  if (::fsync(m_fd) != 0 && errno != EINVAL && !m_error) m_error = errno;
  return !failed();
}

bool FileWriter::close() {
  if (m_fd >= 0) {
    if (::close(m_fd) != 0 && !m_error && errno != EINTR) m_error = errno;
    m_fd = -1;
  }
  return !failed();
}

size_t FileWriter::currentPosition() const {
  const off_t at = m_fd >= 0 ? ::lseek(m_fd, 0, SEEK_CUR) : -1;
  return at < 0 ? 0 : size_t(at);
}

int FileWriter::createReadHandle(const char*, int) const {
  return ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
}
