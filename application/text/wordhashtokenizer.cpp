#include "text/wordhashtokenizer.h"

#include "utils/utf8.h"

#include <cstring>

Utf8Range WordHashTokenizer::skipByteOrderMark(Utf8Range const& range) {
  if (range.data && range.length >= 3 && std::memcmp(range.data, "\xEF\xBB\xBF", 3) == 0)
    return Utf8Range(range.data + 3, range.length - 3);
  return range;
}

WordHashTokenizer::WordHashTokenizer(Utf8Range const& range) : Tokenizer(skipByteOrderMark(range)) {}

Token WordHashTokenizer::nextToken() {
  const char* end = m_start + m_length;
  const char* lineEnd = m_position;
  while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r')
    ++lineEnd;
  Token token;
  token.text = m_position;
  token.bytes = uint64_t(lineEnd - m_position);
  token.type = Token::None;
  // A sequence cut short by the line or range end counts as one character that ends there.
  for (const char* p = m_position; p < lineEnd; p += utf8::step(p, lineEnd))
    ++token.characters;
  if (lineEnd < end) {
    const bool cr = *lineEnd++ == '\r';
    if (cr && lineEnd < end && *lineEnd == '\n') ++lineEnd;
  }
  m_position = lineEnd;
  return token;
}
