// Reads CC-CEDICT text a field at a time:
//   traditional simplified [pin1 yin1] /sense/sense/
// A UTF-8 byte-order mark at the start is skipped. Lines that begin with "#" are comments and blank lines
// are skipped; neither yields a token. Every scan
// stops at the line end, so a malformed line yields an Error token for the rest of itself and never runs
// into the next line's entry.
#pragma once

#include "text/tokenizer.h"

#include <cstddef>
#include <cstdint>

class CEDictTokenizer : public Tokenizer {
public:
  // This tokenizer's own token types (not Token::Type names).
  enum Type : uint32_t { Traditional = 0, Simplified = 1, Pinyin = 2, Definition = 3, Error = 4 };

  explicit CEDictTokenizer(Utf8Range const& range);

  // The next field of the line (characters left 0). A Definition or Error token ends the line; an Error
  // token holds the rest of the line with its line end. Past the end: an empty Error token.
  Token nextToken() override;
  // Back to the start-of-line state; comments and blank lines at the position are skipped.
  void internalReset() override;
  // Bytes consumed since the range start.
  size_t lineLength() const { return size_t(m_position - m_start); }

private:
  enum State { LineStart = 0, InTraditional = 2, InSimplified = 3, InPinyin = 4, InDefinition = 5 };

  const char* end() const { return m_start + m_length; }
  Token token(const char* from, const char* to, Type type) const;
  Token errorToEndOfLine();
  const char* find(char c) const;
  void skipTo(char c);
  void skipToLineEnd();
  void skipLineEnds();
  void skipCommentsAndBlankLines();

  int m_state = LineStart;
};
