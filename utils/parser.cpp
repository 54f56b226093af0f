#include "utils/parser.h"

Parser::Type Parser::getType(char c) {
  switch (c) {
  case ' ':
  case '\t':
    return Blank;
  case '\r':
  case '\n':
    return LineEnd;
  case '[':
    return Open;
  case '#':
    return Comment;
  case '=':
    return Equals;
  default:
    return Other;
  }
}

Parser::Type Parser::getToken() {
  while (m_pos < m_end) {
    const Type t = getType(*m_pos);
    if (t != Blank && t != Equals) return t;
    ++m_pos;
  }
  return LineEnd;
}

void Parser::eatComment() {
  while (m_pos < m_end && getType(*m_pos) != LineEnd)
    ++m_pos;
}

Span Parser::eatKey() {
  const char* begin = m_pos;
  while (m_pos < m_end) {
    const Type t = getType(*m_pos);
    if (t != Other && t != Open) break;
    ++m_pos;
  }
  return Span(begin, size_t(m_pos - begin));
}

Span Parser::eatValue() {
  const char* begin = m_pos;
  eatComment(); // a value runs to the end of the line, "#" included
  const char* last = m_pos;
  while (last > begin && getType(last[-1]) == Blank)
    --last;
  return Span(begin, size_t(last - begin));
}

void Parser::eatLineEnd() {
  if (m_pos < m_end && *m_pos == '\r')
    ++m_pos;
  else if (m_pos < m_end && *m_pos == '\n') {
    ++m_pos;
    return;
  }
  if (m_pos < m_end && *m_pos == '\n') ++m_pos;
}

void Parser::parseLine(Span& key, Span& value) {
  key = Span();
  value = Span();
  Type t = getToken();
  if (t == Open) return; // the group ends here
  if (t == Other) {
    key = eatKey();
    t = getToken();
    if (t == Other || t == Open) value = eatValue();
  }
  if (t == Comment) eatComment();
  eatLineEnd();
}
