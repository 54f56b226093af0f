// The text format of every settings file: an unnamed group, then named groups ("[name]" headers), each line
// "key = value", "#" comments. Read from a file or from memory; written back in a fixed layout (the unnamed
// group's entries and an empty line, then each named group in name order) through a hidden temporary file
// that replaces the target only once it is complete and on disk.
#pragma once

#include "utils/span.h"

#include <memory>
#include <string>
#include <vector>

class OutputStream;
class PropertyGroup;

class PropertyFile {
public:
  PropertyFile();
  // Reads the file; throws as readFromFile does.
  explicit PropertyFile(const char* path);
  // Parses the text, with the file name "**utf8-range**".
  explicit PropertyFile(Utf8Range const& text);
  PropertyFile(PropertyFile const&) = delete;
  PropertyFile& operator=(PropertyFile const&) = delete;
  ~PropertyFile();

  // Maps the file and parses it into the groups already there, so that reading several files merges them
  // (later values win). A leading byte-order mark is skipped. Throws FileHandle::open_error, or
  // CoreMappedFile::mapping_error (also for an empty file, which callers treat like a missing one).
  void readFromFile(const char* path);
  void readFromUtf8Range(Utf8Range const& text);

  // The unnamed group for null; otherwise the named group, created empty when missing.
  PropertyGroup* group(const char* name) const;
  // The names of the named groups, in strcmp order.
  std::vector<std::string> groups() const;
  void clear();

  void writeToStream(OutputStream& out) const;
  // Writes to path (null: the file name last read or written) through a temporary file beside it, creating
  // its folder when needed. Never throws: failures are logged under "ERR" and leave the old file as it was.
  // Returns whether the file was written. Text read from memory has no file to write to: null is refused.
  bool writeToFile(const char* path);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
