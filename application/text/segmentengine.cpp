#include "text/segmentengine.h"

#include "text/oldwordlistmanager.h"
#include "text/wordhash.h"

namespace {
// Shared by every engine without looked-up words; never destroyed, as engines on detached workers may
// outlive the process's static objects.
WordHash const& emptyLookedUpWords() {
  static const WordHash* empty = new WordHash(1);
  return *empty;
}

enum Style : uint64_t { NotAWord = 0, Known = 4, Unknown = 7, LookedUp = 8 };
} // namespace

struct SegmentEngine::Impl {
  Impl(Type type, WordHash const& dictionary) : type(type), tokenizer(Utf8Range(), dictionary) {}

  Type type;
  mutable ChineseTokenizer tokenizer; // shared: reset by every tokenizer() call
  WordHash const* lookedUp = &emptyLookedUpWords();
  bool highlightLookedUp = true;
};

SegmentEngine::SegmentEngine(Type type)
    : SegmentEngine(type, OldWordListManager::instance().privateMasterList()) {}

SegmentEngine::SegmentEngine(Type type, WordHash const& dictionary) {
  OldWordListManager::ReadLock reading; // the tokenizer reads the list's bounds; scripts build engines too
  impl = std::make_unique<Impl>(type, dictionary);
}

SegmentEngine::~SegmentEngine() = default;

void SegmentEngine::type(Type type) {
  impl->type = type;
}

bool SegmentEngine::isWord(int tokenType) const {
  if (tokenType == Token::Chinese) return true;
  return impl->type == ChineseAndAlpha && tokenType == Token::Alpha;
}

ChineseTokenizer& SegmentEngine::tokenizer(Utf8Range const& range, bool endOfText) const {
  impl->tokenizer.setEndOfText(endOfText);
  impl->tokenizer.reset(range);
  return impl->tokenizer;
}

WordHash const& SegmentEngine::dictionary() const {
  return impl->tokenizer.dictionary();
}

void SegmentEngine::highlightLookedUpWords(bool highlight) {
  impl->highlightLookedUp = highlight;
}
bool SegmentEngine::highlightLookedUpWords() const {
  return impl->highlightLookedUp;
}

void SegmentEngine::setLookedUpWords(WordHash const* words) {
  impl->lookedUp = words ? words : &emptyLookedUpWords();
}

uint64_t SegmentEngine::getAttribute(Token const& token, WordHash const& knownWords) const {
  uint64_t style = NotAWord;
  if (isWord(int(token.type))) {
    const Span text = token.span();
    if (impl->highlightLookedUp && impl->lookedUp->exists(text) == WordHash::Word)
      style = LookedUp;
    else if (knownWords.exists(text) == WordHash::Word)
      style = Known;
    else
      style = Unknown;
  }
  const bool lettered =
      token.type == Token::Chinese || token.type == Token::Alpha || token.type == Token::Number;
  return (style << 32) + (lettered ? 0x100 : 0) + 0x10000;
}

uint64_t SegmentEngine::attributeStamp(WordHash const& knownWords) const {
  const WordHash& dictionary = impl->tokenizer.dictionary();
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint64_t v : {uint64_t(reinterpret_cast<uintptr_t>(&knownWords)), knownWords.changeCount(),
                     uint64_t(reinterpret_cast<uintptr_t>(impl->lookedUp)), impl->lookedUp->changeCount(),
                     uint64_t(reinterpret_cast<uintptr_t>(&dictionary)), dictionary.changeCount(),
                     uint64_t(impl->type), uint64_t(impl->highlightLookedUp)})
    h = (h ^ v) * 0x100000001b3ull;
  return h;
}
