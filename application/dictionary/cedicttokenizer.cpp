#include "dictionary/cedicttokenizer.h"

#include "text/wordhashtokenizer.h"

namespace {
bool isLineEnd(char c) {
  return c == '\n' || c == '\r';
}
} // namespace

// Offsets of the fields stay those of the given range: a mark only moves the start.
CEDictTokenizer::CEDictTokenizer(Utf8Range const& range)
    : Tokenizer(WordHashTokenizer::skipByteOrderMark(range)) {
  internalReset();
}

void CEDictTokenizer::internalReset() {
  m_state = LineStart;
  skipCommentsAndBlankLines();
}

Token CEDictTokenizer::token(const char* from, const char* to, Type type) const {
  Token t;
  t.text = from;
  t.bytes = uint64_t(to - from);
  t.type = type;
  return t;
}

// The first c before the line end, or the line end (or the range end) when the line has none.
const char* CEDictTokenizer::find(char c) const {
  const char* p = m_position;
  while (p < end() && *p != c && !isLineEnd(*p))
    ++p;
  return p;
}

// Moves to the first c of the line; a line without one stays put, so its error field shows the rest.
void CEDictTokenizer::skipTo(char c) {
  const char* p = find(c);
  if (p < end() && *p == c) m_position = p;
}

void CEDictTokenizer::skipToLineEnd() {
  while (m_position < end() && !isLineEnd(*m_position))
    ++m_position;
}

void CEDictTokenizer::skipLineEnds() {
  while (m_position < end() && isLineEnd(*m_position))
    ++m_position;
}

void CEDictTokenizer::skipCommentsAndBlankLines() {
  for (;;) {
    skipLineEnds();
    if (m_position >= end() || *m_position != '#') return;
    skipToLineEnd();
  }
}

Token CEDictTokenizer::errorToEndOfLine() {
  const char* from = m_position;
  skipToLineEnd();
  skipLineEnds();
  m_state = LineStart;
  Token t = token(from, m_position, Error);
  skipCommentsAndBlankLines();
  return t;
}

Token CEDictTokenizer::nextToken() {
  if (m_position >= end()) return token(end(), end(), Error);
  switch (m_state) {
  case LineStart:
  case InTraditional:
  case InSimplified: {
    const char* space = find(' ');
    if (space >= end() || *space != ' ') return errorToEndOfLine();
    const char* from = m_position;
    m_position = space + 1;
    if (m_state == InSimplified) {
      skipTo('[');
      m_state = InPinyin;
      return token(from, space, Type::Simplified);
    }
    m_state = InSimplified;
    return token(from, space, Type::Traditional);
  }
  case InPinyin: {
    if (*m_position != '[') return errorToEndOfLine();
    const char* from = m_position + 1;
    ++m_position;
    const char* close = find(']');
    if (close >= end() || *close != ']') {
      --m_position;
      return errorToEndOfLine();
    }
    m_position = close + 1;
    skipTo('/');
    m_state = InDefinition;
    return token(from, close, Type::Pinyin);
  }
  case InDefinition: {
    if (*m_position != '/') return errorToEndOfLine();
    const char* from = m_position;
    skipToLineEnd();
    const char* to = m_position;
    skipLineEnds();
    m_state = LineStart;
    skipCommentsAndBlankLines();
    return token(from, to, Type::Definition);
  }
  }
  return errorToEndOfLine();
}
