// The import dialog's model: the words of the reader's latest choice, read on a worker thread, either from
// a word-list file (converted to UTF-8 first when it is UTF-16, GB18030 or Big5) or from the shipped HSK or
// TOCFL lists of levels 1 to n. Every choice replaces the last: a conversion still running is cancelled and
// its result ignored, a running import is stopped, and the words shown are always the latest choice's.
//
// Main thread only. The listener hears of new words on the main thread, through MessageCenter; nothing
// queued reaches it once the adapter is destroyed.
#pragma once

#include "utils/span.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class ImportAdapter {
public:
  class Listener {
  public:
    virtual ~Listener() = default;
    // The words or the completeness changed; read them again.
    virtual void previewChanged() = 0;
  };

  enum LevelType { Hsk = 0, Tocfl = 1 };

  explicit ImportAdapter(Listener& listener);
  // Cancels a pending conversion, stops the import and deletes the temporary level files.
  ~ImportAdapter();
  ImportAdapter(ImportAdapter const&) = delete;
  ImportAdapter& operator=(ImportAdapter const&) = delete;

  // A path that is empty or names no file gives no words.
  void loadFromFile(const char* path);
  // The words of levels 1 to level together.
  void useLevel(LevelType type, int level);

  // The words found so far, in file order; the spans stay valid until the next choice.
  std::vector<Span> const& words() const;
  size_t totalWords() const;
  // Empty beyond the end.
  Span wordAt(size_t index) const;
  // Every word of the latest choice has been read: no conversion pending and its import has ended.
  bool complete() const;

  // The titles of the levels with their numbers ("HSK Level 1", 1), in level order.
  static std::vector<std::pair<std::string, int>> const& levelTitles(LevelType type);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
