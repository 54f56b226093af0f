// A word-list file mapped whole for reading, under the file's shared lock. Unlike a plain mapped file, an
// empty file is an empty list rather than an error.
#pragma once

#include "utils/exception.h"
#include "utils/filemapping.h"
#include "utils/span.h"

class WordListFile {
public:
  ZUN_ERROR(mapping_error);

  // Throws FileHandle::open_error when the file cannot be opened, mapping_error when it cannot be mapped.
  explicit WordListFile(const char* path);
  ~WordListFile();
  WordListFile(WordListFile const&) = delete;
  WordListFile& operator=(WordListFile const&) = delete;

  Utf8Range range() const { return Utf8Range(static_cast<const char*>(m_address), m_size); }

private:
  FileMapping m_mapping;
  size_t m_size;
  void* m_address = nullptr;
};
