// Between opening the lock file and locking it, the previous holder may delete it and a third process create
// a new one; a lock on the deleted file excludes nobody. So after locking, the file at the path must still
// be the one locked (same device and inode); otherwise the lock is dropped and taken again.
#include "utils/platform/posix/filelock.h"

#include "utils/log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char* checkedPath(const char* path, char* out, size_t size) {
  if (!path || std::strlen(path) >= size) {
    Log::print("ERR", "Lock path too long (more than %zu bytes): %.200s...\n", size - 1, path ? path : "");
    ZUN_THROW(FileLock::create_error);
  }
  std::memcpy(out, path, std::strlen(path) + 1);
  return out;
}

bool sameFile(int fd, const char* path) {
  struct stat held, named;
  return ::fstat(fd, &held) == 0 && ::stat(path, &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

} // namespace

FileHandle FileLock::lockedHandle(const char* path) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    FileHandle handle(path, O_RDWR | O_CREAT | O_NONBLOCK);
    if (::flock(handle.fd(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) ZUN_THROW(FileLock::already_exists);
      ZUN_THROW(FileLock::create_error);
    }
    if (sameFile(handle.fd(), path)) return handle;
  }
  Log::print("ERR", "Lock file '%s' keeps being replaced\n", path);
  ZUN_THROW(FileLock::create_error);
}

FileLock::FileLock(const char* path) : m_handle(lockedHandle(checkedPath(path, m_path, sizeof m_path))) {}

FileLock::~FileLock() {
  ::unlink(m_path);
}
