// The typed face of CoreMappedFile. Only bytes are used: a MappedFile<unsigned char> has as many elements
// as the file has bytes.
#pragma once

#include "utils/coremappedfile.h"
#include "utils/span.h"

template <typename T> class MappedFile;

template <> class MappedFile<unsigned char> : public CoreMappedFile {
public:
  // Throws as CoreMappedFile does.
  explicit MappedFile(const char* path) : CoreMappedFile(path) {}

  const unsigned char* data() const { return static_cast<const unsigned char*>(addr()); }
  size_t size() const { return totalBytes(); }
  Utf8Range range() const { return Utf8Range(static_cast<const char*>(addr()), totalBytes()); }
};
