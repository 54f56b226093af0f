#include "utils/filefinder.h"

#include "utils/log.h"

#include <set>
#include <string>
#include <vector>

namespace {
constexpr size_t MAX_PATH_BYTES = 4096;
}

struct FileFinder::Impl {
  std::vector<std::string> bases; // in the order of preference, each ending in "/" (or empty)
  std::set<std::string> known;    // keeps bases free of duplicates
  std::string name;
  size_t nextBase = 0;
  std::string result;
};

FileFinder::FileFinder() : impl(std::make_unique<Impl>()) {}
FileFinder::~FileFinder() = default;

void FileFinder::add(CommonDirectory::Type type) {
  add(FileSystem::path(type).c_str(), nullptr);
}

void FileFinder::add(CommonDirectory::Type type, const char* sub) {
  add(FileSystem::path(type, sub).c_str(), nullptr);
}

void FileFinder::add(const char* dir, const char* sub) {
  std::string base(dir ? dir : "");
  if (!base.empty() && base.back() != '/' && base.back() != '\\') base += '/';
  if (sub) base += sub;
  if (base.size() > MAX_PATH_BYTES) {
    Log::print("ERR", "FileFinder - folder name too long, left out: %.200s...\n", base.c_str());
    return;
  }
  if (impl->known.insert(base).second) impl->bases.push_back(base);
}

const char* FileFinder::find(const char* name) {
  impl->name = name ? name : "";
  impl->nextBase = 0;
  return next();
}

const char* FileFinder::next() {
  if (impl->name.empty()) return nullptr;
  const FileSystem& fileSystem = FileSystem::instance();
  while (impl->nextBase < impl->bases.size()) {
    std::string candidate = impl->bases[impl->nextBase++] + impl->name;
    if (candidate.size() > MAX_PATH_BYTES) {
      Log::print("ERR", "FileFinder - path too long, skipped: %.200s...\n", candidate.c_str());
      continue;
    }
    if (fileSystem.privateFileExists(candidate.c_str())) {
      impl->result = std::move(candidate);
      return impl->result.c_str();
    }
  }
  return nullptr;
}
