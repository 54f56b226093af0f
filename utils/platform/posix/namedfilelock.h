// The lock that keeps a second running copy off a folder: a FileLock on folder/name. Holding the object
// is the proof, handed to the object store and the word-list manager, that the caller holds that lock.
#pragma once

#include "utils/platform/posix/filelock.h"

#include <memory>

class NamedFileLock {
public:
  class LockPath {
  public:
    // folder, one "/" unless folder is empty or ends with one, then name. Throws FileLock::create_error
    // when the folder, the name or the whole path is longer than 1,023 bytes (it is never cut and used).
    LockPath(const char* folder, const char* name);
    const char* path() const { return m_folder; }
    const char* fullPath() const { return m_full; }

  private:
    char m_folder[1024] = {0};
    char m_full[1024] = {0};
  };

  // Throws as FileLock does.
  NamedFileLock(const char* folder, const char* name);
  ~NamedFileLock();

  const char* name() const;
  const char* path() const;
  const char* fullPath() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
