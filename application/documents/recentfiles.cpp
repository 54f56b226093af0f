#include "documents/recentfiles.h"

#include "documents/linereader.h"
#include "utils/filesystem.h"
#include "utils/outputstream.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// An optional sign and decimal digits, stopping at the first other character. Positions are unsigned 64-bit:
// a negative or overflowing number reads as 0, so it can't send the reader to a nonsense offset.
uint64_t parsePosition(const char* p, const char* end) {
  while (p < end && isBlank(*p))
    ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  uint64_t value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    const uint64_t digit = uint64_t(*p - '0');
    if (value > (UINT64_MAX - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return negative ? 0 : value;
}

bool storable(Text const& path) {
  return path.view().find_first_of("\t\r\n") == std::string_view::npos;
}
} // namespace

struct RecentFiles::Impl {
  std::vector<Info> files; // index 0 the newest
  uint64_t changeCount = 0;
};

RecentFiles::RecentFiles() : impl(std::make_unique<Impl>()) {}
RecentFiles::RecentFiles(RecentFiles const& other) : impl(std::make_unique<Impl>(*other.impl)) {}
RecentFiles& RecentFiles::operator=(RecentFiles const& other) {
  if (this != &other) *impl = *other.impl;
  return *this;
}
RecentFiles& RecentFiles::operator=(RecentFiles&& other) noexcept {
  impl.swap(other.impl);
  return *this;
}
RecentFiles::~RecentFiles() = default;

uint64_t RecentFiles::addFile(const char* path, uint64_t position) {
  if (!path || !*path) return 0;
  auto& files = impl->files;
  ++impl->changeCount;
  const Span key(path);
  const auto found =
      std::find_if(files.begin(), files.end(), [&](Info const& f) { return f.path.span() == key; });
  if (found != files.end()) {
    std::rotate(files.begin(), found, found + 1);
    return files.front().position;
  }
  if (files.size() >= maxFiles()) files.resize(maxFiles() - 1);
  files.insert(files.begin(), Info{Text(path), position});
  return position;
}

void RecentFiles::updateFilePosition(const char* path, uint64_t position) {
  if (!path) return;
  ++impl->changeCount;
  for (Info& f : impl->files)
    if (f.path == path) {
      f.position = position;
      return;
    }
}

void RecentFiles::clear() {
  impl->files.clear();
  ++impl->changeCount;
}

size_t RecentFiles::totalFiles() const {
  return impl->files.size();
}
const char* RecentFiles::operator[](size_t i) const {
  return impl->files[i].path.c_str();
}
RecentFiles::Info const* RecentFiles::info(size_t i) const {
  return i < impl->files.size() ? &impl->files[i] : nullptr;
}
uint64_t RecentFiles::changeCount() const {
  return impl->changeCount;
}

void RecentFiles::loadFromFile(const char* path) {
  LineReader::readFile(path, [this](Utf8Range const& text) { loadFromUtf8Range(text); });
}

void RecentFiles::loadFromUtf8Range(Utf8Range const& text) {
  clear();
  const FileSystem& fileSystem = FileSystem::instance();
  LineReader lines(text);
  Span line;
  while (impl->files.size() < maxFiles() && lines.next(line)) {
    const char* tab = static_cast<const char*>(std::memchr(line.data, '\t', line.length));
    const Text path(line.data, tab ? size_t(tab - line.data) : line.length);
    if (path.empty() || std::memchr(path.c_str(), 0, path.length()) ||
        !fileSystem.privateFileExists(path.c_str()))
      continue;
    impl->files.push_back(Info{path, tab ? parsePosition(tab + 1, line.end()) : 0});
  }
  ++impl->changeCount;
}

void RecentFiles::saveToOutputStream(OutputStream& out) const {
  for (Info const& f : impl->files) {
    if (!storable(f.path)) continue;
    out << f.path.span();
    if (f.position) out << "\t" << (unsigned long)f.position;
    out << System::NEWLINE;
  }
}
