// The program data that a script may reach, built by the caller each time scripts may be run and outliving
// every QelLua made from it. Scripts get copies of the reader's words, never the live sets.
#pragma once

#include <memory>
#include <vector>

class Dictionary;
class Document;
class SegmentEngine;
class WordHash;
class WordListManager;

namespace qelLua {

class QelState {
public:
  // Copies currentWords (the reader's current word list) into knownWords(); lookedUpWords() starts empty
  // and the caller copies the looked-up words into it.
  QelState(Dictionary const& dictionary, WordHash const& currentWords);
  // The same with the manager's current list.
  QelState(Dictionary const& dictionary, WordListManager const& wordLists);
  ~QelState();
  QelState(QelState const&) = delete;
  QelState& operator=(QelState const&) = delete;

  // Used by the script's thread while a script runs, and by no other thread meanwhile.
  Dictionary const& dictionary() const;
  WordHash& knownWords();
  WordHash& lookedUpWords();

  // The program's word policy (which token types count as words), not owned; until set, one of the state's
  // own that counts Chinese and Latin words. Scripts only ask it about token types: they segment with
  // tokenizers of their own, never the engine's shared one, which belongs to the main thread.
  void setSegmentEngine(SegmentEngine const& engine);
  SegmentEngine const& segmentEngine();
  // The documents open in the program, in their order, not owned; set on the main thread before a run.
  // Documents still converting are left out: the file they will be read from does not exist yet.
  void setOpenDocuments(std::vector<Document*> const& documents);
  std::vector<Document*> const& openDocuments() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

} // namespace qelLua
