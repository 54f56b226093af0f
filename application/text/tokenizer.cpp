#include "text/tokenizer.h"

#include <cstring>

const char* Token::typeName(uint32_t type) {
  static const char* const names[] = {
      "None",   "Invalid",    "EndOfText",          "Chinese",          "Alpha",
      "Number", "Whitespace", "ChinesePunctuation", "AsciiPunctuation", "Other"};
  return type < sizeof names / sizeof names[0] ? names[type] : "";
}

Tokenizer::Tokenizer(Utf8Range const& range)
    : m_start(range.data), m_position(range.data), m_length(range.length) {}

Tokenizer::~Tokenizer() = default;

bool Tokenizer::hasTokens() const {
  return m_position < m_start + m_length;
}

void Tokenizer::internalReset() {}

void Tokenizer::reset(Utf8Range const& range) {
  m_start = range.data;
  m_length = range.length;
  m_position = range.data;
  internalReset();
}

void Tokenizer::reset() {
  m_position = m_start;
  internalReset();
}

void Tokenizer::processTokens(TokenVisitor& visitor) {
  internalReset();
  while (hasTokens())
    visitor.visit(nextToken());
}

Token Tokenizer::nextToken(char* buffer, int size) {
  const Token token = nextToken();
  if (size > 0) renderToken(token, buffer, size_t(size));
  return token;
}

void Tokenizer::renderToken(Token const& token, char* buffer, size_t size) {
  // A null buffer or no room at all: there is nowhere to put even the NUL.
  if (!buffer || size == 0) return;
  if (token.text && token.bytes < size) {
    std::memcpy(buffer, token.text, size_t(token.bytes));
    buffer[token.bytes] = 0;
  } else {
    buffer[0] = 0;
  }
}
