// The base of every reader of text in the engine: walks a Utf8Range (not owned) and hands out one Token at a
// time. Subclasses move the position past what each nextToken() consumed, so a caller can resume there.
#pragma once

#include "text/token.h"

#include <cstddef>

class Tokenizer {
public:
  explicit Tokenizer(Utf8Range const& range);
  virtual ~Tokenizer();
  virtual Token nextToken() = 0;
  // Base form: the position is before the range end.
  virtual bool hasTokens() const;
  // Base form: nothing; subclasses clear their own state.
  virtual void internalReset();

  void reset(Utf8Range const& range);
  void reset();
  // Feeds every remaining token to the visitor (the position is not rewound first).
  void processTokens(TokenVisitor& visitor);
  // Takes the next token and copies its text and a NUL into buffer when it is shorter than size; otherwise
  // (or for a null buffer or size 0) the buffer is left empty or untouched. The token is returned whole.
  Token nextToken(char* buffer, int size);
  static void renderToken(Token const& token, char* buffer, size_t size);

  const char* rangeStart() const { return m_start; }
  size_t rangeLength() const { return m_length; }
  const char* position() const { return m_position; }

protected:
  const char* m_start;
  const char* m_position;
  size_t m_length;
};
