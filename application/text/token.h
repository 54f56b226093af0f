// The record every tokenizer hands out, and the interface through which a whole range is fed to a consumer.
#pragma once

#include "utils/span.h"

#include <cstdint>

struct Token {
  // The values are stored and shown to scripts by name (see typeName); keep their order.
  enum Type : uint32_t {
    None = 0,               // tokenizers that don't classify (word-list lines)
    Invalid = 1,            // bytes that aren't valid UTF-8
    EndOfText = 2,          // the end token
    Chinese = 3,            // a Chinese character or word
    Alpha = 4,              // a run of ASCII letters, possibly extended into a word
    Number = 5,             // a run of ASCII digits, possibly extended into a word
    Whitespace = 6,         // one ASCII white-space character or U+3000
    ChinesePunctuation = 7, // one CJK or full-width punctuation character
    AsciiPunctuation = 8,   // one ASCII punctuation character
    Other = 9,              // any other single character
  };

  const char* text = nullptr; // inside the tokenized range, not owned, not NUL-terminated; null for the end
  uint64_t bytes = 0;
  uint64_t characters = 0; // code points; some tokenizers leave it 0
  uint32_t type = None;

  Span span() const { return Span(text, size_t(bytes)); }

  // "None", "Invalid", ... "Other"; "" for a value out of range.
  static const char* typeName(uint32_t type);
};

class TokenVisitor {
public:
  virtual ~TokenVisitor() = default;
  virtual void visit(Token const& token) = 0;
};
