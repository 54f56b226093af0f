// A word-list file read whole into memory of its own, under the file's shared lock: the file may be the
// user's, which another program can truncate while it is read. An empty file is an empty list.
#pragma once

#include "utils/span.h"

#include <string>

class WordListFile {
public:
  // Throws FileHandle::open_error when the file cannot be opened, FileHandle::read_error when it cannot be
  // read.
  explicit WordListFile(const char* path);

  Utf8Range range() const { return Utf8Range(m_text.data(), m_text.size()); }

private:
  std::string m_text;
};
