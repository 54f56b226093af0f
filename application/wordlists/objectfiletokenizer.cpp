// The tokenizer walks states 0 to 4: 0 at a line outside the header, 1 and 2 after the id and the parent,
// 3 at the time, 4 at the data. Header lines are checked whole before the id is handed out, so states 1 to
// 3 never meet a malformed field.
#include "wordlists/objectfiletokenizer.h"

#include <cstring>
#include <utility>

namespace {

constexpr size_t HEX = 40;

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// 40 hexadecimal digits and a space.
bool digestField(const char* p, const char* end) {
  if (size_t(end - p) < HEX + 1) return false;
  for (size_t i = 0; i < HEX; ++i)
    if (!isHex(p[i])) return false;
  return p[HEX] == ' ';
}

// "YYYY-MM-DD hh:mm:ss.mmm", as records are written; returns the end of the time or null. Nothing else
// passes: ids digest their fields with nothing between them, so a time of another length would move bytes
// between the time and the data unseen.
const char* timeField(const char* p, const char* end) {
  static const char shape[] = "DDDD-DD-DD DD:DD:DD.DDD";
  const size_t n = sizeof shape - 1;
  if (size_t(end - p) < n) return nullptr;
  for (size_t i = 0; i < n; ++i) {
    if (shape[i] == 'D' ? !isDigit(p[i]) : p[i] != shape[i]) return nullptr;
  }
  return p + n;
}

// Past one CR and then one LF.
const char* pastLineEnd(const char* p, const char* end) {
  if (p < end && *p == '\r') ++p;
  if (p < end && *p == '\n') ++p;
  return p;
}

} // namespace

ObjectFileTokenizer::ObjectFileTokenizer(Utf8Range const& range) : Tokenizer(range) {}

bool ObjectFileTokenizer::hasTokens() const {
  return m_position < end() || state == 4;
}

void ObjectFileTokenizer::internalReset() {
  state = 0;
}
bool ObjectFileTokenizer::isHeaderAt(const char* begin, const char* p, const char* end,
                                     const char** headerEnd) {
  if (p >= end || *p != '@') return false;
  if (p > begin && p[-1] != '\n' && p[-1] != '\r') return false;
  const char* q = p + 1;
  for (int field = 0; field < 3; ++field, q += HEX + 1)
    if (!digestField(q, end)) return false;
  q = timeField(q, end);
  if (!q || q == end || (*q != '\n' && *q != '\r')) return false;
  if (headerEnd) *headerEnd = pastLineEnd(q, end);
  return true;
}

const char* ObjectFileTokenizer::findHeader(const char* begin, const char* p, const char* end) {
  while (p < end) {
    const char* at = static_cast<const char*>(std::memchr(p, '@', size_t(end - p)));
    if (!at) return end;
    if (isHeaderAt(begin, at, end)) return at;
    p = at + 1;
  }
  return end;
}

Token ObjectFileTokenizer::take(const char* to, uint32_t type) {
  Token t;
  t.text = m_position;
  t.bytes = uint64_t(to - m_position);
  t.type = type;
  m_position = to;
  return t;
}

Token ObjectFileTokenizer::nextToken() {
  switch (state) {
  case 0: {
    const bool header = isHeaderAt(std::exchange(inLine, false) ? m_position : m_start, m_position, end());
    if (!header) {
      const char* line = m_position;
      const char* eol = line;
      while (eol < end() && *eol != '\n' && *eol != '\r')
        ++eol;
      m_position = pastLineEnd(eol, end());
      for (const char* at = line + 1; at < eol; ++at) {
        at = static_cast<const char*>(std::memchr(at, '@', size_t(eol - at)));
        if (!at) break;
        if (isHeaderAt(at, at, end())) {
          m_position = at;
          inLine = true;
          break;
        }
      }
      return Token();
    }
    ++m_position; // the "@"
    Token t = take(m_position + HEX, Id);
    ++m_position;
    state = 1;
    return t;
  }
  case 1:
  case 2: {
    Token t = take(m_position + HEX, state == 1 ? Parent : Other);
    ++m_position;
    ++state;
    return t;
  }
  case 3: {
    const char* eol = m_position;
    while (eol < end() && *eol != '\n' && *eol != '\r')
      ++eol;
    Token t = take(eol, Time);
    m_position = pastLineEnd(m_position, end());
    state = 4;
    return t;
  }
  default: {
    state = 0;
    return take(findHeader(m_start, m_position, end()), Data);
  }
  }
}
