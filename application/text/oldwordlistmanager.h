// The process-wide owner of the master word list (the shipped "data/words.u8" with every prefix of every
// word, extended by the user's custom words) and of the HSK and TOCFL levels. instance() loads them on its
// first call. The levels never change afterwards. The master list changes when the main thread adds a custom
// word, while document workers and scripts segment against it on theirs: they read it under a ReadLock.
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
  // last line) and adds it to the master list, waiting for the readers of the moment. False, with the list
  // unchanged, when the word is empty or holds a line end, or when the file cannot be written. Main thread.
  bool privateAddCustomWord(Span const& word);

  // Held by a thread other than the main one while it reads the master list, for a bounded batch (a window
  // of a document, one script call or one token between script code) and never while it waits for anything
  // or runs script code: an addition waits for it, and new readers wait for a waiting addition. The main
  // thread reads without one, as it is the only thread that adds. A thread may take it again while it holds
  // it. Not tied to an instance: taking it loads nothing.
  class ReadLock {
  public:
    ReadLock();
    ~ReadLock();
    ReadLock(ReadLock const&) = delete;
    ReadLock& operator=(ReadLock const&) = delete;
  };

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
