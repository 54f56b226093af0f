// A lock file held with an exclusive flock. The lock file exists only while held: an orderly release
// deletes it; a crashed holder leaves it behind, and the next holder simply locks it again.
#pragma once

#include "utils/exception.h"
#include "utils/platform/posix/filehandle.h"

class FileLock {
public:
  ZUN_ERROR(already_exists); // another process or object holds the lock
  ZUN_ERROR(create_error);   // the lock could not be taken for another reason

  // Opens or creates the lock file and locks it without waiting. Throws already_exists, create_error (also
  // for a path of more than 1,023 bytes, which is never cut and used), or FileHandle::open_error.
  explicit FileLock(const char* path);
  FileLock(FileLock const&) = delete;
  FileLock& operator=(FileLock const&) = delete;
  // Deletes the lock file, then releases the lock.
  ~FileLock();

  const char* path() const { return m_path; }

private:
  static FileHandle lockedHandle(const char* path);
  char m_path[1024] = {0};
  FileHandle m_handle;
};
