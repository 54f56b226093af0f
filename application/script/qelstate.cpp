#include "script/qelstate.h"

#include "documents/document.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "wordlists/wordlistmanager.h"

namespace qelLua {

struct QelState::Impl {
  Impl(Dictionary const& dictionary) : dictionary(dictionary) {}

  Dictionary const& dictionary;
  WordHash knownWords{16}; // the size of a word list's sets
  WordHash lookedUpWords{16};
  SegmentEngine const* engine = nullptr;
  std::unique_ptr<SegmentEngine> ownEngine; // made on first use when the program gave none
  std::vector<Document*> documents;
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

void QelState::setSegmentEngine(SegmentEngine const& engine) {
  impl->engine = &engine;
}

SegmentEngine const& QelState::segmentEngine() {
  if (impl->engine) return *impl->engine;
  if (!impl->ownEngine) impl->ownEngine = std::make_unique<SegmentEngine>(SegmentEngine::ChineseAndAlpha);
  return *impl->ownEngine;
}

void QelState::setOpenDocuments(std::vector<Document*> const& documents) {
  impl->documents.clear();
  for (Document* document : documents)
    if (document && !document->isConverting()) impl->documents.push_back(document);
}

std::vector<Document*> const& QelState::openDocuments() const {
  return impl->documents;
}

} // namespace qelLua
