// Reads word-list diff text: "-" + word and "+" + word lines (LF, CR or CR LF). A stand-alone reader, not a
// Tokenizer: its token types are 1 for "-", 2 for "+" (the mark skipped) and 0 for any other line (kept
// whole, ignored by WordHash::applyDiff).
#pragma once

#include "text/token.h"

class WordHashDiffTokenizer {
public:
  enum LineType : uint32_t { Unknown = 0, Removed = 1, Added = 2 };

  explicit WordHashDiffTokenizer(Utf8Range const& range);
  bool hasTokens() const { return m_position < m_end; }
  // At the end: an empty token of type 0. characters is always 0.
  Token nextToken();

private:
  const char* m_position;
  const char* m_end;
};
