// A file descriptor opened for reading, closed on destruction. Every file the program reads is opened
// through openForReading, so that no file can hold the program at its opening.
#pragma once

#include "utils/exception.h"

#include <cstddef>
#include <string>

class FileHandle {
public:
  ZUN_ERROR(open_error);
  ZUN_ERROR(read_error);

  // Flags 0: openForReading, then a shared lock taken without waiting, so a file that a writer holds fails
  // at once. Other flags: open(path, flags | O_NONBLOCK, 0644) as they are (lock files). Logs under "ERR"
  // and throws open_error on failure.
  FileHandle(const char* path, int flags = 0);
  explicit FileHandle(int fd) : m_fd(fd) {}
  // Duplicates the descriptor (-1 when that fails).
  FileHandle(FileHandle const& other);
  FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  FileHandle& operator=(FileHandle const&) = delete;
  ~FileHandle();

  // Opens path read-only and takes it only when it is a regular file; never waits, since a pipe without a
  // writer, or a device, would block an ordinary open. A pipe, socket or device is named under "WARN" and
  // refused with errno ENODEV, a folder with EISDIR. The descriptor returned reads as an ordinary blocking
  // one, and the caller closes it; -1 on failure, with errno set. Logs nothing else.
  static int openForReading(const char* path);

  int fd() const { return m_fd; }
  // The file's size now; 0 when it cannot be read.
  size_t size() const;
  // The whole file, read from its start with pread into storage the caller owns, up to where the file ends
  // while it is read; so a file that another program truncates or rewrites meanwhile gives what it held,
  // never a fault as a mapping would. Throws read_error when a read fails (a folder, an I/O error).
  void readAll(std::string& out) const;

private:
  int m_fd = -1;
};
