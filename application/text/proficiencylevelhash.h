// Every word's HSK and TOCFL level bits, from the shipped level lists (word-list text, one word per line).
// Read by any thread once loaded; loading and clear() need the one writer alone.
#pragma once

#include "text/proficiencylevel.h"
#include "utils/span.h"

#include <memory>

class ProficiencyLevelHash {
public:
  enum LevelType { HSK = 0, TOCFL = 1 };

  ProficiencyLevelHash();
  ~ProficiencyLevelHash();
  ProficiencyLevelHash(ProficiencyLevelHash const&) = delete;
  ProficiencyLevelHash& operator=(ProficiencyLevelHash const&) = delete;

  // Ors bit into the HSK or TOCFL mask of every word of the file; a null path does nothing. Errors are
  // logged under "WARN" and the words read before them keep their bits.
  void addFileWithLevel(LevelType type, const char* path, unsigned short bit);
  // The same for word-list text in memory.
  void addTextWithLevel(LevelType type, Utf8Range const& text, unsigned short bit);
  // {0, 0} for a word of no list.
  ProficiencyLevel level(Span const& word) const;
  size_t size() const;
  void clear();

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
