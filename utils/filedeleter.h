// Deletes a file when it goes out of scope (a temporary copy, a converted document).
#pragma once

#include "utils/text.h"

class FileDeleter {
public:
  explicit FileDeleter(const char* path) : m_path(path) {}
  FileDeleter(FileDeleter const&) = delete;
  FileDeleter& operator=(FileDeleter const&) = delete;
  ~FileDeleter() { reset(nullptr); }

  // Deletes the remembered file, made writable first (failure is silent), and remembers path instead.
  void reset(const char* path);

private:
  Text m_path;
};
