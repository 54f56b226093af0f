// Cuts one line of property text into a key and a value. Blanks are space and tab; a line ends at LF, CR or
// CR LF. Outside a value, blanks and "=" are skipped and "#" starts a comment. The key is the first other
// run of bytes (up to a blank, line end, "#" or "="); the value starts at the next byte that is not a blank,
// "#" or "=", runs to the end of the line and loses its trailing blanks. A "[" before any key ends the
// group: parsing stops in front of it.
#pragma once

#include "utils/span.h"

#include <cstddef>

class Parser {
public:
  enum Type { Blank, LineEnd, Open, Comment, Equals, Other };

  explicit Parser(Utf8Range const& range) : m_start(range.data), m_pos(range.data), m_end(range.end()) {}

  // Reads one line into spans into the text (empty when absent) and moves past its line end; stops in
  // front of a "[" that ends the group.
  void parseLine(Span& key, Span& value);
  // Before the end and not at "[".
  bool hasLines() const { return m_pos < m_end && *m_pos != '['; }
  size_t bytesProcessed() const { return size_t(m_pos - m_start); }

  static Type getType(char c);

private:
  // Skips blanks and "=", and gives the type of the byte reached (LineEnd at the end of the text).
  Type getToken();
  void eatComment();
  Span eatKey();
  Span eatValue();
  void eatLineEnd();

  const char* m_start;
  const char* m_pos;
  const char* m_end;
};
