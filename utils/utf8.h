// The UTF-8 toolkit under the tokenizers: sequence lengths, safe decoding and the class of a code point.
#pragma once

#include "utils/span.h"

#include <cstddef>
#include <cstdint>

namespace utf8 {

enum Type : uint8_t {
  Invalid = 0,
  AsciiOther = 1,
  AsciiWhite = 2,
  AsciiPunctuation = 3,
  AsciiDigit = 4,
  AsciiLetter = 5,
  GeneralPunctuation = 6,
  IdeographicSpace = 7,
  ChinesePunctuation = 8,
  ChineseCharacter = 9,      // U+4E00-U+9FFF and the compatibility ideographs U+F900-U+FAFF
  ChineseCharacterExtA = 10, // U+3400-U+4DBF
  ChineseCharacterExtB = 11, // the ideographic planes U+20000-U+3FFFF, extensions B and after
  Stroke = 12,
  KangxiRadical = 13,
  SupplementaryRadical = 14,
  Other = 15,
};

extern const Type ASCII_LOOKUP[128];

constexpr uint32_t REPLACEMENT = 0xFFFD;

// The byte length of the sequence at p: the nominal length (from the lead byte) when the sequence would run
// past end, otherwise cut to the lead plus the continuation bytes that follow it. p at or past end gives 1.
// Callers that step must clamp to end themselves (see step()).
inline size_t sequence_length(const char* p, const char* end) {
  if (p >= end) return 1;
  const auto lead = static_cast<unsigned char>(*p);
  size_t n = 1;
  if (lead >= 0xF0 && lead <= 0xF7)
    n = 4;
  else if (lead >= 0xE0)
    n = lead <= 0xEF ? 3 : 1;
  else if (lead >= 0xC0)
    n = 2;
  if (n == 1 || size_t(end - p) < n) return n;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return i;
  return n;
}

// The bytes to advance by from p: sequence_length clamped so that a sequence cut by end is one character
// that ends at end.
inline size_t step(const char* p, const char* end) {
  const size_t n = sequence_length(p, end);
  const size_t left = size_t(end - p);
  if (n <= left) return n;
  if (left == 0) return 1;
  // Cut by end: only the continuation bytes that are there belong to it, so "\xE4a" is two characters.
  size_t i = 1;
  while (i < left && (static_cast<unsigned char>(p[i]) & 0xC0) == 0x80)
    ++i;
  return i;
}

// Decodes the character at p and sets length to its byte count (never past end). A bad or cut sequence, an
// overlong form, a surrogate and a value past U+10FFFF decode as U+FFFD; p at or past end gives U+FFFD with
// length 1 and reads nothing.
uint32_t decode(const char* p, const char* end, size_t& length);

// Appends the UTF-8 form of a code point to out (at least 4 bytes); returns the byte count.
size_t encode(uint32_t codePoint, char* out);

// Characters in the span, a cut sequence at the end counting as one.
size_t character_count(Span const& s);

Type get_type(unsigned int codePoint);

inline bool isChinese(Type t) {
  return t >= ChineseCharacter && t <= ChineseCharacterExtB;
}

} // namespace utf8
