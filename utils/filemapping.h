// Read-only memory mapping of any range of an open file, at the system's page granularity. The file is
// opened with a shared lock, so no writer of this system can change it while it is mapped.
#pragma once

#include "utils/platform/posix/filehandle.h"

#include <cstddef>

class FileMapping {
public:
  // Opening failures throw FileHandle::open_error.
  explicit FileMapping(const char* path);
  // Works on a duplicate of handle's descriptor.
  explicit FileMapping(FileHandle const& handle);

  // The page size: offsets given to map must be multiples of it.
  static size_t granularity();
  // The size when the mapping object was made.
  size_t fileSize() const { return m_size; }
  const FileHandle& handle() const { return m_handle; }

  // Maps length bytes from offset read-only and shared (0: to the end of the file). Null on failure, also for
  // a mapping of 0 bytes.
  void* map(size_t offset, size_t length) const;
  void unmap(void* address, size_t length) const;

private:
  FileHandle m_handle;
  size_t m_size;
};
