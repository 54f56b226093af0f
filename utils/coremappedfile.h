// A whole file mapped read-only at once, for parsers that want the file as one range (property files,
// word lists, the dictionary), with no copy.
#pragma once

#include "utils/exception.h"

#include <cstddef>
#include <memory>

class CoreMappedFile {
public:
  ZUN_ERROR(mapping_error);

  // Throws FileHandle::open_error when the file cannot be opened, mapping_error when it cannot be mapped
  // (an empty file included).
  explicit CoreMappedFile(const char* path);
  CoreMappedFile(CoreMappedFile const&) = delete;
  CoreMappedFile& operator=(CoreMappedFile const&) = delete;
  ~CoreMappedFile();

  const void* addr() const;
  size_t totalBytes() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
