#include "utils/filemapping.h"

#include <sys/mman.h>
#include <unistd.h>

FileMapping::FileMapping(const char* path) : m_handle(path), m_size(m_handle.size()) {}

FileMapping::FileMapping(FileHandle const& handle) : m_handle(handle), m_size(m_handle.size()) {}

size_t FileMapping::granularity() {
  return size_t(::getpagesize());
}

void* FileMapping::map(size_t offset, size_t length) const {
  if (offset > m_size || offset % granularity() != 0 || m_handle.fd() < 0) return nullptr;
  if (length == 0) length = m_size - offset;
  if (length == 0) return nullptr;
  void* address = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, m_handle.fd(), off_t(offset));
  return address == MAP_FAILED ? nullptr : address;
}

void FileMapping::unmap(void* address, size_t length) const {
  if (address && length) ::munmap(address, length);
}
