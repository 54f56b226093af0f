#include "wordlists/wordlist.h"

#include "utils/filesystem.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"
#include "wordlists/objectfile.h"

#include "utils/atomicfilesaver.h"
#include "utils/platform/posix/filewriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int VERSION = 2;
constexpr size_t MAX_VALUE = 511; // the longest value a property file reads back

// A leading "#" or "=" would not read back from the list file; such names, and names that begin with the
// escape itself, are written behind a backslash.
bool needsEscape(const char* name) {
  return name[0] == '#' || name[0] == '=' || name[0] == '\\';
}

} // namespace

struct WordList::Impl {
  Text baseName;
  Text displayName;
  bool readOnly = false;
  OpenSSL::SHA1 currentRevision;
  bool needsFix = false; // the file could not be read, or is of an older version
  bool read = false;
  bool existed = false;
};

WordList::WordList() : impl(std::make_unique<Impl>()) {}

WordList::WordList(const char* path) : WordList() {
  impl->baseName = FileSystem::stripPath(path);
  struct stat st {};
  impl->existed = path && ::stat(path, &st) == 0;
  std::string content;
  try {
    ObjectFile::readAll(path, content);
  } catch (zun::exception const&) {
    impl->needsFix = true;
    return;
  }
  readFromUtf8Range(Utf8Range(content.data(), content.size()));
  impl->read = true;
}

WordList::WordList(WordList const& other) : impl(std::make_unique<Impl>(*other.impl)) {}

WordList& WordList::operator=(WordList const& other) {
  *impl = *other.impl;
  return *this;
}

WordList::~WordList() = default;

const char* WordList::baseName() const {
  return impl->baseName.c_str();
}
void WordList::setBaseName(const char* name) {
  impl->baseName = name;
}
const char* WordList::displayName() const {
  return impl->displayName.c_str();
}
bool WordList::readOnly() const {
  return impl->readOnly;
}
void WordList::setReadOnly(bool on) {
  impl->readOnly = on;
}
OpenSSL::SHA1 const& WordList::currentRevision() const {
  return impl->currentRevision;
}
void WordList::setCurrentRevision(OpenSSL::SHA1 const& revision) {
  impl->currentRevision = revision;
}
bool WordList::mayNeedDisplayNameFix() const {
  return impl->displayName.empty() && impl->needsFix;
}
bool WordList::wasRead() const {
  return impl->read;
}
bool WordList::existed() const {
  return impl->existed;
}

void WordList::setDisplayName(const char* name) {
  impl->displayName = storableDisplayName(name);
}

Text WordList::storableDisplayName(const char* name) {
  std::string clean(name ? name : "");
  for (char& c : clean)
    if (c == '\n' || c == '\r') c = ' ';
  const size_t first = clean.find_first_not_of(" \t");
  clean.erase(0, std::min(first, clean.size()));
  clean.erase(clean.find_last_not_of(" \t") + 1);
  // An escaped name needs a byte of the value for its backslash.
  char cut[MAX_VALUE + 1];
  Span(clean).copyTo(cut, needsEscape(clean.c_str()) ? MAX_VALUE : MAX_VALUE + 1);
  clean = cut;
  // The cut may leave a blank at the end.
  clean.erase(clean.find_last_not_of(" \t") + 1);
  return Text(clean.c_str());
}

void WordList::writeToStream(OutputStream& out) const {
  out << "    .version = " << Format::Int{VERSION} << "\n";
  out << "    readOnly = " << (impl->readOnly ? "true" : "false") << "\n";
  out << "    displayName = " << (needsEscape(displayName()) ? "\\" : "") << impl->displayName << "\n";
  out << "    currentRevision = " << impl->currentRevision.hex().c_str() << "\n\n";
}

void WordList::readFromUtf8Range(Utf8Range const& range) {
  PropertyFile file(range);
  PropertyGroup const* group = file.group(nullptr);
  impl->readOnly = group->valueAsBool("readOnly", impl->readOnly);
  const char* name = group->valueAsString("displayName", nullptr);
  if (name) impl->displayName = name[0] == '\\' && needsEscape(name + 1) ? name + 1 : name;
  const char* revision = group->valueAsString("currentRevision", nullptr);
  if (revision) impl->currentRevision = OpenSSL::SHA1::fromHex(revision);
  if (group->valueAsInt(".version", 0) < VERSION) impl->needsFix = true;
}

bool WordList::writeToFile(const char* path, bool createOnly) const {
  if (!createOnly) {
    if (!AtomicFileSaver::save(path, [this](OutputStream& out) { writeToStream(out); }))
      ZUN_THROW(WordList::write_error);
    return true;
  }
  // Written whole beside the target, then linked into place: link(2) fails when the name is taken, so two
  // copies of the program never both create a list of the same name, and no half-written file is seen.
  const Text temp = FileSystem::siblingTempFilename(path);
  {
    FileWriter out(temp.c_str(), FileWriter::Exclusive);
    writeToStream(out);
    if (!out.flush() || !out.close()) {
      ::unlink(temp.c_str());
      ZUN_THROW(WordList::write_error);
    }
  }
  const bool linked = ::link(temp.c_str(), path) == 0;
  const int error = errno;
  ::unlink(temp.c_str());
  if (!linked && error != EEXIST) ZUN_THROW(WordList::write_error);
  return linked;
}
