// Splits UTF-8 text into tokens: runs of digits and of letters, single spaces and punctuation, and Chinese
// words found by greedy longest match against a WordHash with prefix entries (the master word list).
//
// Windows. A range may be one window of a longer text. When the token at the position depends on bytes
// beyond the range end (a character cut by it, a candidate that could still grow into a longer word, a run
// of at most longestWord() bytes that reaches it), the tokenizer consumes nothing more, sets its end flag and
// hands out the end token; a caller resumes at position() with the next window. Runs longer than the
// dictionary's longest word are cut at the range end, so windows longer than that always make progress.
// Tokens are then exactly those of one pass over the whole text, as long as the last window is marked as
// the end of the text: there the best match is emitted and a cut sequence is one Invalid token.
//
// One thread at a time; the dictionary must not change while a tokenizer reads against it.
#pragma once

#include "text/tokenizer.h"

#include <memory>

class WordHash;

class ChineseTokenizer : public Tokenizer {
public:
  ChineseTokenizer(Utf8Range const& range, WordHash const& dictionary, bool endOfText = false);
  ~ChineseTokenizer() override;

  // The next token; after the end flag is set, the end token {null, 0, 0, EndOfText}.
  Token nextToken() override;
  using Tokenizer::nextToken;
  // Until the end token has been handed out.
  bool hasTokens() const override;
  void internalReset() override;

  // Whether the range ends where the text ends. Kept across resets.
  void setEndOfText(bool endOfText);
  bool endOfText() const;
  // Set when the tokenizer reached the range end or stopped because it needs bytes beyond it.
  bool endFlag() const;
  WordHash const& dictionary() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
