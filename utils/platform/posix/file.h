// A text file read line by line through stdio, closed on destruction.
#pragma once

#include "utils/exception.h"

#include <cstdio>

class File {
public:
  ZUN_ERROR(open_error);

  // Throws open_error when the file cannot be opened for reading or is no regular file.
  explicit File(const char* path);
  File(File const&) = delete;
  File& operator=(File const&) = delete;
  ~File();

  bool eof() const;
  // fgets: at most size - 1 bytes up to and including a line feed, then a NUL. False at the end or on error.
  bool readLine(char* buffer, unsigned size);

private:
  std::FILE* m_fp = nullptr;
};
