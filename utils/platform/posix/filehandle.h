// A file descriptor opened for reading, closed on destruction.
#pragma once

#include "utils/exception.h"

#include <cstddef>
#include <string>

class FileHandle {
public:
  ZUN_ERROR(open_error);
  ZUN_ERROR(read_error);

  // open(path, flags, 0644). Flags 0 means read-only with a shared lock taken without waiting, so a file
  // that a writer holds fails at once; a folder then fails like a missing file. Logs under "ERR" and throws
  // open_error on failure.
  FileHandle(const char* path, int flags = 0);
  explicit FileHandle(int fd) : m_fd(fd) {}
  // Duplicates the descriptor (-1 when that fails).
  FileHandle(FileHandle const& other);
  FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  FileHandle& operator=(FileHandle const&) = delete;
  ~FileHandle();

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
