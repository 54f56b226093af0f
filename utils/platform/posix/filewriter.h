// The OutputStream onto a file. The file is held with an exclusive, non-blocking advisory lock for as long
// as the writer is open, so a second writer (or a reader through FileHandle) fails at once. The lock is
// taken before the file is truncated: a file that another writer holds is never emptied.
#pragma once

#include "utils/exception.h"
#include "utils/outputstream.h"

#include <cstddef>

class FileWriter : public OutputStream {
public:
  ZUN_ERROR(open_error);
  ZUN_ERROR(file_exists_error);

  enum Flags {
    UnlinkAfterOpen = 1, // the file lives only as long as it is open
    Append = 4,          // without it the file is truncated (once locked)
    Exclusive = 8,       // fail with file_exists_error when the file exists
    ReadWrite = 16,      // without it write-only
  };

  // Opens or creates path (mode 0644) with the flags above. Throws file_exists_error, or open_error when
  // the file cannot be opened, locked or truncated.
  FileWriter(const char* path, int flags);
  FileWriter(FileWriter const&) = delete;
  FileWriter& operator=(FileWriter const&) = delete;
  ~FileWriter() override;

  // Writes everything (short writes and interruptions are retried). On failure returns the bytes written
  // before it and remembers the error; every later write then writes nothing and returns 0.
  size_t write(const void* data, size_t size) override;
  // Forces the data to storage; a failure is remembered like a write error.
  bool flush();
  // Closes the file (releasing the lock); a failing close is remembered. Returns !failed().
  bool close();
  // True once a write, flush or close has failed; error() gives its errno.
  bool failed() const { return m_error != 0; }
  int error() const { return m_error; }

  // open(path, openFlags, 0644) that never waits: a pipe without a reader fails at once (ENXIO) instead
  // of blocking until one comes. The descriptor returned writes as an ordinary blocking one; -1 with errno
  // on failure.
  static int openForWriting(const char* path, int openFlags);

  // The offset from lseek, 0 on failure.
  size_t currentPosition() const;
  // A duplicate of the writer's descriptor, owned by the caller (the arguments are not used).
  int createReadHandle(const char* path, int flags) const;

private:
  int m_fd = -1;
  int m_error = 0;
};
