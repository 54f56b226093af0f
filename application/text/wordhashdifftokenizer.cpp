#include "text/wordhashdifftokenizer.h"

WordHashDiffTokenizer::WordHashDiffTokenizer(Utf8Range const& range)
    : m_position(range.data), m_end(range.data ? range.data + range.length : range.data) {}

Token WordHashDiffTokenizer::nextToken() {
  Token token;
  token.type = Unknown;
  if (m_position >= m_end) return token;
  const char* p = m_position;
  if (*p == '-' || *p == '+') token.type = *p++ == '-' ? Removed : Added;
  token.text = p;
  while (p < m_end && *p != '\r' && *p != '\n')
    ++p;
  token.bytes = uint64_t(p - token.text);
  if (p < m_end && *p == '\r') ++p;
  if (p < m_end && *p == '\n') ++p;
  m_position = p;
  return token;
}
