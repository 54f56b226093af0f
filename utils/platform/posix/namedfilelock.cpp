#include "utils/platform/posix/namedfilelock.h"

#include "utils/log.h"

#include <cstring>
#include <string>

namespace {

void copyWhole(const char* from, char* to, size_t size) {
  if (std::strlen(from) >= size) {
    Log::print("ERR", "Lock path too long (more than %zu bytes): %.200s...\n", size - 1, from);
    ZUN_THROW(FileLock::create_error);
  }
  std::memcpy(to, from, std::strlen(from) + 1);
}

} // namespace

NamedFileLock::LockPath::LockPath(const char* folder, const char* name) {
  std::string full(folder ? folder : "");
  if (!full.empty() && full.back() != '/') full += '/';
  full += name ? name : "";
  copyWhole(folder ? folder : "", m_folder, sizeof m_folder);
  copyWhole(full.c_str(), m_full, sizeof m_full);
}

struct NamedFileLock::Impl {
  Impl(const char* folder, const char* name) : where(folder, name), lock(where.fullPath()) {
    copyWhole(name ? name : "", this->name, sizeof this->name);
  }
  LockPath where;
  FileLock lock;
  char name[1024] = {0};
};

NamedFileLock::NamedFileLock(const char* folder, const char* name)
    : impl(std::make_unique<Impl>(folder, name)) {}
NamedFileLock::~NamedFileLock() = default;

const char* NamedFileLock::name() const {
  return impl->name;
}
const char* NamedFileLock::path() const {
  return impl->where.path();
}
const char* NamedFileLock::fullPath() const {
  return impl->where.fullPath();
}
