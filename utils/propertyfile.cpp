// After an invalid header ("[" with no "]" on its line) the following lines belong to no group: each is
// reported and skipped (comments silently) until the next header; a line beginning with "]" counts as a
// header with an empty name, which selects the unnamed group again.
#include "utils/propertyfile.h"

#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/mappedfile.h"
#include "utils/outputstream.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/propertygroup.h"

#include <unistd.h>

#include <cstring>
#include <map>

namespace {

const char* const MEMORY_NAME = "**utf8-range**";

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// Moves past the rest of the line and its line end (CR, LF or CR LF).
const char* nextLine(const char* p, const char* end) {
  while (p < end && !isLineEnd(*p))
    ++p;
  if (p < end && *p == '\r') {
    ++p;
    if (p < end && *p == '\n') ++p;
  } else if (p < end) {
    ++p;
  }
  return p;
}

struct Header {
  const char* next; // the start of the following line
  bool valid;       // a "]" closed the name on its line
  bool lineEnded;   // the header's line has a line end
  std::string name; // cut to 511 bytes
};

// p is at "[": optional blanks, then the name up to the first "]" on the line; the rest of the line is
// ignored.
Header readHeader(const char* p, const char* end) {
  const char* q = p + 1;
  while (q < end && isBlank(*q))
    ++q;
  const char* name = q;
  while (q < end && *q != ']' && !isLineEnd(*q))
    ++q;
  Header h{nullptr, q < end && *q == ']', false, std::string()};
  if (h.valid) {
    char cut[512];
    Span(name, size_t(q - name)).copyTo(cut, sizeof cut);
    h.name = cut;
    while (q < end && !isLineEnd(*q))
      ++q;
  }
  h.lineEnded = q < end;
  h.next = nextLine(q, end);
  return h;
}

bool writableName(std::string const& name) {
  if (name.empty() || name.size() > 511 || isBlank(name[0])) return false;
  for (char c : name)
    if (c == ']' || isLineEnd(c)) return false;
  return true;
}

} // namespace

struct PropertyFile::Impl {
  PropertyGroup unnamed{nullptr};
  std::map<std::string, std::unique_ptr<PropertyGroup>> named; // ordered by strcmp of the names
  Text fileName;

  PropertyGroup* group(const char* name) {
    if (!name) return &unnamed;
    auto& slot = named[name];
    if (!slot) slot = std::make_unique<PropertyGroup>(name);
    return slot.get();
  }
  void invalidLine() const {
    Log::print("Warn", "Property::Impl::parseUtf8 - Invalid line parsing '%s'", fileName.c_str());
  }
  void parse(Utf8Range const& text);
};

void PropertyFile::Impl::parse(Utf8Range const& text) {
  const char* p = text.data;
  if (!p) return;
  const char* end = text.end();
  if (end - p >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
  p += unnamed.readFromUtf8Range(Utf8Range(p, size_t(end - p)));
  bool lost = false; // after an invalid header
  while (p < end) {
    while (p < end && isBlank(*p))
      ++p;
    if (p >= end) break;
    if (*p != '[' && !(lost && *p == ']')) {
      if (*p != '#') invalidLine();
      p = nextLine(p, end);
      continue;
    }
    Header h = *p == '[' ? readHeader(p, end) : Header{nextLine(p, end), true, true, std::string()};
    if (!h.valid && h.lineEnded) invalidLine();
    p = h.next;
    lost = !h.valid;
    if (lost || p >= end) continue; // a header on the last line selects nothing
    PropertyGroup* g = h.name.empty() ? &unnamed : group(h.name.c_str());
    p += g->readFromUtf8Range(Utf8Range(p, size_t(end - p)));
  }
}

PropertyFile::PropertyFile() : impl(std::make_unique<Impl>()) {}

PropertyFile::PropertyFile(const char* path) : PropertyFile() {
  readFromFile(path);
}

PropertyFile::PropertyFile(Utf8Range const& text) : PropertyFile() {
  readFromUtf8Range(text);
}

PropertyFile::~PropertyFile() = default;

void PropertyFile::readFromFile(const char* path) {
  MappedFile<unsigned char> file(path);
  impl->fileName = path;
  impl->parse(file.range());
}

void PropertyFile::readFromUtf8Range(Utf8Range const& text) {
  impl->fileName = MEMORY_NAME;
  impl->parse(text);
}

PropertyGroup* PropertyFile::group(const char* name) const {
  return impl->group(name);
}

std::vector<std::string> PropertyFile::groups() const {
  std::vector<std::string> names;
  for (const auto& entry : impl->named)
    names.push_back(entry.first);
  return names;
}

void PropertyFile::clear() {
  impl->named.clear();
  impl->unnamed.clear();
}

void PropertyFile::writeToStream(OutputStream& out) const {
  // A group with nothing storable is not written, yet each key it drops is logged as in any other group.
  auto nothingToWrite = [](PropertyGroup const& g) {
    if (g.hasWritableEntries()) return false;
    NullOutputStream dropped;
    g.writeToStream(dropped);
    return true;
  };
  if (!nothingToWrite(impl->unnamed)) {
    impl->unnamed.writeToStream(out);
    out << "\n";
  }
  for (const auto& [name, g] : impl->named) {
    if (nothingToWrite(*g)) continue;
    if (!writableName(name)) {
      Log::print("WARN", "PropertyFile::writeToStream - group '%.100s' cannot be stored, skipped\n",
                 name.c_str());
      continue;
    }
    out << "[" << Span(name) << "]\n";
    g->writeToStream(out);
    out << "\n";
  }
}

bool PropertyFile::writeToFile(const char* path) {
  if (path) impl->fileName = path;
  const char* target = impl->fileName.c_str();
  // Text parsed from memory has no file: its name is not a path to write to.
  if (impl->fileName.empty() || std::strcmp(target, MEMORY_NAME) == 0) {
    Log::print("ERR", "Error writing properties to file '%s'\n", target);
    return false;
  }
  const FileSystem& fileSystem = FileSystem::instance();
  const Text temp = FileSystem::siblingTempFilename(target);
  bool written = false;
  if (!temp.empty()) {
    fileSystem.privateEnsurePath(target);
    try {
      FileWriter out(temp.c_str(), FileWriter::Exclusive);
      writeToStream(out);
      written = out.flush() && out.close();
    } catch (zun::exception const&) {
    }
  }
  bool replaced = false;
  if (!written)
    Log::print("ERR", "Error writing properties to file '%s'\n", temp.empty() ? target : temp.c_str());
  else if (!(replaced = fileSystem.privateReplaceFile(target, temp.c_str())))
    Log::print("ERR", "Property::writeToFile - Error replacing file:\n\t'%s' with\n\t'%s'\n", target,
               temp.c_str());
  if (!replaced && !temp.empty()) ::unlink(temp.c_str());
  return replaced;
}
