// Reads CC-CEDICT text a field at a time:
//   traditional simplified [pin1 yin1] /sense/sense/
// Lines that begin with "#" are comments and blank lines are skipped; neither yields a token. Every scan
// stops at the line end, so a malformed line yields an Error token for the rest of itself and never runs
// into the next line's entry.
#pragma once

#include "utils/span.h"

#include <cstddef>
#include <cstdint>

class CEDictTokenizer {
public:
  enum Type : uint32_t { Traditional = 0, Simplified = 1, Pinyin = 2, Definition = 3, Error = 4 };

  struct Field {
    const char* text = nullptr;
    size_t bytes = 0;
    uint32_t type = Error;
  };

  explicit CEDictTokenizer(Utf8Range const& range);

  bool hasTokens() const { return m_position < m_end; }
  // The next field of the line. A Definition or Error field ends the line; an Error field holds the rest
  // of the line with its line end. Past the end: an empty Error field.
  Field nextToken();
  // Back to the range start.
  void reset();
  // Bytes consumed since the range start.
  size_t lineLength() const { return size_t(m_position - m_start); }

private:
  enum State { LineStart = 0, InTraditional = 2, InSimplified = 3, InPinyin = 4, InDefinition = 5 };

  void internalReset();
  Field field(const char* from, const char* to, Type type) const;
  Field errorToEndOfLine();
  const char* find(char c) const;
  void skipTo(char c);
  void skipToLineEnd();
  void skipLineEnds();
  void skipCommentsAndBlankLines();

  const char* m_start;
  const char* m_position;
  const char* m_end;
  int m_state = LineStart;
};
