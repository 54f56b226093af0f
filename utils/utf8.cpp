#include "utils/utf8.h"

namespace utf8 {

// clang-format off
const Type ASCII_LOOKUP[128] = {
  // 0x00-0x0F
  AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther,
  AsciiOther, AsciiWhite, AsciiWhite, AsciiWhite, AsciiWhite, AsciiWhite, AsciiOther, AsciiOther,
  // 0x10-0x1F
  AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther,
  AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther, AsciiOther,
  // 0x20-0x2F
  AsciiWhite, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation,
  AsciiPunctuation, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation,
  AsciiPunctuation, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation,
  // 0x30-0x3F
  AsciiDigit, AsciiDigit, AsciiDigit, AsciiDigit, AsciiDigit, AsciiDigit, AsciiDigit, AsciiDigit,
  AsciiDigit, AsciiDigit, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation,
  AsciiPunctuation, AsciiPunctuation,
  // 0x40-0x4F
  AsciiPunctuation, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter,
  AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter,
  // 0x50-0x5F
  AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter,
  AsciiLetter, AsciiLetter, AsciiLetter, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation,
  AsciiPunctuation, AsciiPunctuation,
  // 0x60-0x6F
  AsciiPunctuation, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter,
  AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter,
  // 0x70-0x7F
  AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter, AsciiLetter,
  AsciiLetter, AsciiLetter, AsciiLetter, AsciiPunctuation, AsciiPunctuation, AsciiPunctuation,
  AsciiPunctuation, AsciiOther,
};
// clang-format on

uint32_t decode(const char* p, const char* end, size_t& length) {
  if (p >= end) { // nothing to read: never touch the byte at end
    length = 1;
    return REPLACEMENT;
  }
  length = step(p, end);
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  // Overlong forms, surrogates and values past U+10FFFF are not characters: a decoder that took them would
  // let C0 AF pass for "/".
  switch (length) {
  case 1:
    return b[0] < 0x80 ? b[0] : REPLACEMENT;
  case 2:
    if (b[0] < 0xC2 || b[0] > 0xDF) return REPLACEMENT;
    return ((b[0] & 0x1Fu) << 6) | (b[1] & 0x3Fu);
  case 3: {
    if (b[0] < 0xE0 || b[0] > 0xEF || (b[2] & 0xC0) != 0x80) return REPLACEMENT;
    const uint32_t c = ((b[0] & 0x0Fu) << 12) | ((b[1] & 0x3Fu) << 6) | (b[2] & 0x3Fu);
    return c < 0x800 || (c >= 0xD800 && c <= 0xDFFF) ? REPLACEMENT : c;
  }
  case 4: {
    if (b[0] < 0xF0 || (b[3] & 0xC0) != 0x80) return REPLACEMENT;
    const uint32_t c =
        ((b[0] & 0x07u) << 18) | ((b[1] & 0x3Fu) << 12) | ((b[2] & 0x3Fu) << 6) | (b[3] & 0x3Fu);
    return c < 0x10000 || c > 0x10FFFF ? REPLACEMENT : c;
  }
  }
  return REPLACEMENT;
}

size_t encode(uint32_t c, char* out) {
  auto* o = reinterpret_cast<unsigned char*>(out);
  if (c < 0x80) {
    o[0] = static_cast<unsigned char>(c);
    return 1;
  }
  if (c < 0x800) {
    o[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
    o[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    o[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    o[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    o[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 3;
  }
  if (c > 0x10FFFF) return encode(REPLACEMENT, out);
  o[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
  o[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
  o[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
  o[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  return 4;
}

size_t character_count(Span const& s) {
  if (!s.data || !s.length) return 0;
  size_t count = 0;
  for (const char *p = s.data, *end = s.end(); p < end; p += step(p, end))
    ++count;
  return count;
}

Type get_type(unsigned int c) {
  if (c < 0x80) return ASCII_LOOKUP[c];
  if (c >= 0x2000 && c <= 0x206F) return GeneralPunctuation;
  if (c == 0x3000) return IdeographicSpace;
  if ((c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65) ||
      (c >= 0xFFE0 && c <= 0xFFEE) || (c >= 0x3001 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF0F))
    return ChinesePunctuation;
  if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF)) return ChineseCharacter;
  if (c >= 0x3400 && c <= 0x4DBF) return ChineseCharacterExtA;
  // The supplementary and tertiary ideographic planes: extensions B to H and the compatibility supplement.
  if (c >= 0x20000 && c <= 0x3FFFF) return ChineseCharacterExtB;
  if (c >= 0x31C0 && c <= 0x31EF) return Stroke;
  if (c >= 0x2F00 && c <= 0x2FDF) return KangxiRadical;
  if (c >= 0x2E80 && c <= 0x2EFF) return SupplementaryRadical;
  if (c == REPLACEMENT) return Invalid;
  return Other;
}

} // namespace utf8
