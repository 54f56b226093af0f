// The most-recently-used files behind a recent-files menu: up to ten paths, newest first, each with the byte
// position the reader was at. Kept in a UTF-8 text file, an entry a line: the path, then, for a position
// other than 0, a tab and the position in decimal. Main thread only.
#pragma once

#include "utils/span.h"
#include "utils/text.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class OutputStream;

class RecentFiles {
public:
  struct Info {
    Text path;
    uint64_t position = 0;
  };

  static constexpr size_t maxFiles() { return 10; }

  RecentFiles();
  RecentFiles(RecentFiles const& other);
  RecentFiles& operator=(RecentFiles const& other);
  RecentFiles& operator=(RecentFiles&& other) noexcept;
  ~RecentFiles();

  // A listed path moves to the front and keeps the position it had, which is returned; a new one goes to
  // the front with position, dropping the oldest beyond ten. A null or empty path changes nothing (not even
  // the change count) and gives 0.
  uint64_t addFile(const char* path, uint64_t position);
  // The first entry with the path gets the position. The change count moves even when none matched; a null
  // path does nothing.
  void updateFilePosition(const char* path, uint64_t position);
  void clear();

  size_t totalFiles() const;
  // i must be below totalFiles().
  const char* operator[](size_t i) const;
  // Null when i is out of range.
  Info const* info(size_t i) const;
  // Moves on every change, so a menu knows when to rebuild.
  uint64_t changeCount() const;

  // Maps the file (an empty file is an empty list) and loads it. The file layer's errors propagate.
  void loadFromFile(const char* path);
  // Replaces the list with the text's entries in order, skipping empty paths and files that no longer
  // exist, up to ten.
  void loadFromUtf8Range(Utf8Range const& text);
  // The entries in order. A path holding a tab, CR or LF is not written: it could not be read back as it
  // is. Write errors are the stream's to report.
  void saveToOutputStream(OutputStream& out) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
