// The process-wide owner of the master word list (the shipped "data/words.u8" with every prefix of every
// word, extended by the user's custom words) and of the HSK and TOCFL levels. instance() loads them on its
// first call; afterwards any thread may read them, and only the main thread adds custom words (document
// processing is cancelled around it).
#pragma once

#include "utils/span.h"

#include <memory>

class WordHash;
class ProficiencyLevelHash;

class OldWordListManager {
public:
  // The one instance of the program, built on first use and never destroyed (workers may use it at exit).
  static OldWordListManager& instance();
  // Loads everything now from the resources, the base folder and the user folder. instance() is built
  // this way; tests build their own to see what a later start would load.
  OldWordListManager();
  ~OldWordListManager();
  OldWordListManager(OldWordListManager const&) = delete;
  OldWordListManager& operator=(OldWordListManager const&) = delete;

  WordHash& privateMasterList();
  ProficiencyLevelHash& privateProficiencyLevel();

  // Appends the word to the user's "data/words.u8" (creating its folder, and first ending an unfinished
  // last line) and adds it to the master list. False, with the list unchanged, when the word is empty or
  // holds a line end, or when the file cannot be written.
  bool privateAddCustomWord(Span const& word);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
