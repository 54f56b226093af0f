#include "script/qelsentenceiterator.h"

#include "utils/utf8.h"

namespace {

bool isTerminator(uint32_t c) {
  switch (c) {
  case 0x3002: // ideographic full stop
  case 0xFF01: // full-width exclamation mark
  case 0xFF1F: // full-width question mark
  case 0x2026: // horizontal ellipsis
  case '!':
  case '?':
  case '.':
    return true;
  default:
    return false;
  }
}

bool isCloser(uint32_t c) {
  switch (c) {
  case 0x3009: // closing angle, double angle, corner, white corner, black and white lenticular brackets
  case 0x300B:
  case 0x300D:
  case 0x300F:
  case 0x3011:
  case 0x3017:
  case 0xFF63: // half-width closing corner bracket
  case 0xFF09: // full-width closing parenthesis
  case 0x201D: // closing double and single quotation marks
  case 0x2019:
  case '"':
  case '\'':
  case ')':
    return true;
  default:
    return false;
  }
}

bool isSpace(uint32_t c) {
  if (c == '\t' || c == '\n' || c == '\r' || c == ' ') return true;
  const utf8::Type type = utf8::get_type(c);
  return type == utf8::AsciiWhite || type == utf8::IdeographicSpace;
}

// Walks characters; a length is never 0, so every step moves on.
struct Cursor {
  const char* p;
  const char* end;
  uint32_t peek(size_t& length) const {
    length = qelLua::characterLength(p, end);
    size_t decoded = 0;
    return utf8::decode(p, p + length, decoded);
  }
  bool atEnd() const { return p >= end; }
};

} // namespace

namespace qelLua {

size_t characterLength(const char* p, const char* end) {
  // A sequence that runs past the end is taken whole by the decoder, even a byte of it that cannot
  // continue it (a line feed after a lone lead byte): keep only what belongs to it.
  const size_t length = utf8::step(p, end);
  size_t n = 1;
  while (n < length && (static_cast<unsigned char>(p[n]) & 0xC0) == 0x80)
    ++n;
  return n;
}

bool SentenceIterator::next(Span text, Span& sentence, KillCheck& killCheck) {
  if (position >= text.length) return false;
  Cursor at{text.data + position, text.end()};
  size_t length = 0;
  while (!at.atEnd() && isSpace(at.peek(length))) {
    killCheck();
    at.p += length;
  }
  if (at.atEnd()) {
    position = text.length;
    return false;
  }
  const char* begin = at.p;
  while (!at.atEnd() && isTerminator(at.peek(length))) {
    killCheck();
    at.p += length;
  }
  bool terminated = false;
  while (!at.atEnd()) {
    killCheck();
    const uint32_t c = at.peek(length);
    if (c == '\r' || c == '\n') break;
    if (isTerminator(c)) {
      terminated = true;
      break;
    }
    at.p += length;
  }
  if (terminated) {
    for (uint32_t c; !at.atEnd() && (isTerminator(c = at.peek(length)) || isCloser(c));) {
      killCheck();
      at.p += length;
    }
  }
  sentence = Span(begin, size_t(at.p - begin));
  position = size_t(at.p - text.data);
  return true;
}

} // namespace qelLua
