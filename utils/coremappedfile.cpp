#include "utils/coremappedfile.h"

#include "utils/filemapping.h"

struct CoreMappedFile::Impl {
  explicit Impl(const char* path) : mapping(path), size(mapping.fileSize()), address(mapping.map(0, 0)) {
    if (!address) ZUN_THROW(CoreMappedFile::mapping_error);
  }
  ~Impl() { mapping.unmap(address, size); }
  FileMapping mapping; // holds the shared lock while mapped
  size_t size;
  void* address;
};

CoreMappedFile::CoreMappedFile(const char* path) : impl(std::make_unique<Impl>(path)) {}
CoreMappedFile::~CoreMappedFile() = default;

const void* CoreMappedFile::addr() const {
  return impl->address;
}
size_t CoreMappedFile::totalBytes() const {
  return impl->size;
}
