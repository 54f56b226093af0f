// The program data that a script may reach, built by the caller each time scripts may be run and outliving
// every QelLua made from it. Scripts get copies of the reader's words, never the live sets.
#pragma once

#include <memory>

class Dictionary;
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

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

} // namespace qelLua
