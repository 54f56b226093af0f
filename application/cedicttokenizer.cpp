#include "application/cedicttokenizer.h"

namespace {
bool isLineEnd(char c) {
  return c == '\n' || c == '\r';
}
} // namespace

CEDictTokenizer::CEDictTokenizer(Utf8Range const& range)
    : m_start(range.data), m_position(range.data), m_end(range.data ? range.end() : range.data) {
  internalReset();
}

void CEDictTokenizer::reset() {
  m_position = m_start;
  internalReset();
}

void CEDictTokenizer::internalReset() {
  m_state = LineStart;
  skipCommentsAndBlankLines();
}

CEDictTokenizer::Field CEDictTokenizer::field(const char* from, const char* to, Type type) const {
  return Field{from, size_t(to - from), type};
}

// The first c before the line end, or the line end (or the range end) when the line has none.
const char* CEDictTokenizer::find(char c) const {
  const char* p = m_position;
  while (p < m_end && *p != c && !isLineEnd(*p))
    ++p;
  return p;
}

// Moves to the first c of the line; a line without one stays put, so its error field shows the rest.
void CEDictTokenizer::skipTo(char c) {
  const char* p = find(c);
  if (p < m_end && *p == c) m_position = p;
}

void CEDictTokenizer::skipToLineEnd() {
  while (m_position < m_end && !isLineEnd(*m_position))
    ++m_position;
}

void CEDictTokenizer::skipLineEnds() {
  while (m_position < m_end && isLineEnd(*m_position))
    ++m_position;
}

void CEDictTokenizer::skipCommentsAndBlankLines() {
  for (;;) {
    skipLineEnds();
    if (m_position >= m_end || *m_position != '#') return;
    skipToLineEnd();
  }
}

CEDictTokenizer::Field CEDictTokenizer::errorToEndOfLine() {
  const char* from = m_position;
  skipToLineEnd();
  skipLineEnds();
  m_state = LineStart;
  Field f = field(from, m_position, Error);
  skipCommentsAndBlankLines();
  return f;
}

CEDictTokenizer::Field CEDictTokenizer::nextToken() {
  if (m_position >= m_end) return field(m_end, m_end, Error);
  switch (m_state) {
  case LineStart:
  case InTraditional:
  case InSimplified: {
    const char* space = find(' ');
    if (space >= m_end || *space != ' ') return errorToEndOfLine();
    const char* from = m_position;
    m_position = space + 1;
    if (m_state == InSimplified) {
      skipTo('[');
      m_state = InPinyin;
      return field(from, space, Type::Simplified);
    }
    m_state = InSimplified;
    return field(from, space, Type::Traditional);
  }
  case InPinyin: {
    if (*m_position != '[') return errorToEndOfLine();
    const char* from = m_position + 1;
    ++m_position;
    const char* close = find(']');
    if (close >= m_end || *close != ']') {
      --m_position;
      return errorToEndOfLine();
    }
    m_position = close + 1;
    skipTo('/');
    m_state = InDefinition;
    return field(from, close, Type::Pinyin);
  }
  case InDefinition: {
    if (*m_position != '/') return errorToEndOfLine();
    const char* from = m_position;
    skipToLineEnd();
    const char* to = m_position;
    skipLineEnds();
    m_state = LineStart;
    skipCommentsAndBlankLines();
    return field(from, to, Type::Definition);
  }
  }
  return errorToEndOfLine();
}
