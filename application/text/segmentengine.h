// The word policy and display attribute of tokens, and one shared ChineseTokenizer over the master word list
// for the text view and scripts. The shared tokenizer must not be driven by two threads at once.
#pragma once

#include "text/chinesetokenizer.h"

#include <cstdint>
#include <memory>

class WordHash;

class SegmentEngine {
public:
  // Which token types count as words.
  enum Type { ChineseAndAlpha = 0, ChineseOnly = 1 };

  // Over the master word list (loading it on first use).
  explicit SegmentEngine(Type type);
  // Over another dictionary, which must outlive the engine.
  SegmentEngine(Type type, WordHash const& dictionary);
  ~SegmentEngine();
  SegmentEngine(SegmentEngine const&) = delete;
  SegmentEngine& operator=(SegmentEngine const&) = delete;

  void type(Type type);
  bool isWord(int tokenType) const;
  int endToken() const { return Token::EndOfText; }
  // The shared tokenizer, reset to the range, for the caller to drain. endOfText: the range ends where the
  // text ends, so its last word is emitted (see ChineseTokenizer).
  ChineseTokenizer& tokenizer(Utf8Range const& range, bool endOfText = false) const;
  // The word list the engine segments against, for callers that drive a tokenizer of their own.
  WordHash const& dictionary() const;

  void highlightLookedUpWords(bool highlight);
  bool highlightLookedUpWords() const;
  // Not owned; null restores the shared empty set.
  void setLookedUpWords(WordHash const* words);

  // (style << 32) + 0x100 for Chinese, letter and digit tokens + 0x10000. The style is 0 for a token that is
  // not a word, 8 for a looked-up word (when highlighted), 4 for a known word and 7 for an unknown one.
  uint64_t getAttribute(Token const& token, WordHash const& knownWords) const;
  // Changes whenever getAttribute may answer differently for the tokens of a text against knownWords, or
  // the text may split into other tokens: another set or a change to one, another word policy.
  uint64_t attributeStamp(WordHash const& knownWords) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
