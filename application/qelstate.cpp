#include "application/qelstate.h"

#include "application/wordhash.h"
#include "application/wordlistmanager.h"

namespace qelLua {

struct QelState::Impl {
  Impl(Dictionary const& dictionary) : dictionary(dictionary) {}

  Dictionary const& dictionary;
  WordHash knownWords{16}; // the size of a word list's sets
  WordHash lookedUpWords{16};
};

QelState::QelState(Dictionary const& dictionary, WordHash const& currentWords)
    : impl(std::make_unique<Impl>(dictionary)) {
  impl->knownWords.copy(currentWords);
}

QelState::QelState(Dictionary const& dictionary, WordListManager const& wordLists)
    : QelState(dictionary, wordLists.current()) {}

QelState::~QelState() = default;

Dictionary const& QelState::dictionary() const {
  return impl->dictionary;
}
WordHash& QelState::knownWords() {
  return impl->knownWords;
}
WordHash& QelState::lookedUpWords() {
  return impl->lookedUpWords;
}

} // namespace qelLua
