// Which vowel carries the mark: a, e or o when the syllable has one (the first of them: "ao", "ou", "ei"),
// otherwise the last of i, u and ü ("liu" → liú, "gui" → guì, "lu:" → lǜ).
#include "dictionary/toneconverter.h"

#include "utils/utf8.h"

#include <cstdint>

namespace {

// ü and Ü in UTF-8.
constexpr unsigned char U_UMLAUT_LEAD = 0xC3;
constexpr unsigned char U_UMLAUT_LOWER = 0xBC;
constexpr unsigned char U_UMLAUT_UPPER = 0x9C;

// Tones 1-4 of each vowel, lower case then upper case.
// clang-format off
constexpr uint32_t TONED[6][2][4] = {
    {{0x0101, 0x00E1, 0x01CE, 0x00E0}, {0x0100, 0x00C1, 0x01CD, 0x00C0}}, // a
    {{0x0113, 0x00E9, 0x011B, 0x00E8}, {0x0112, 0x00C9, 0x011A, 0x00C8}}, // e
    {{0x012B, 0x00ED, 0x01D0, 0x00EC}, {0x012A, 0x00CD, 0x01CF, 0x00CC}}, // i
    {{0x014D, 0x00F3, 0x01D2, 0x00F2}, {0x014C, 0x00D3, 0x01D1, 0x00D2}}, // o
    {{0x01D6, 0x01D8, 0x01DA, 0x01DC}, {0x01D5, 0x01D7, 0x01D9, 0x01DB}}, // ü
    {{0x016B, 0x00FA, 0x01D4, 0x00F9}, {0x016A, 0x00DA, 0x01D3, 0x00D9}}, // u
};
// clang-format on
enum Row { A, E, I, O, UMLAUT, U, NONE };

bool isAsciiLetter(unsigned char c) {
  return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

bool isUmlaut(const char* p, const char* end) {
  return end - p >= 2 && static_cast<unsigned char>(p[0]) == U_UMLAUT_LEAD &&
         (static_cast<unsigned char>(p[1]) == U_UMLAUT_LOWER ||
          static_cast<unsigned char>(p[1]) == U_UMLAUT_UPPER);
}

bool isColonU(const char* p, const char* end) {
  return end - p >= 2 && (p[0] | 0x20) == 'u' && p[1] == ':';
}

// Bytes of the syllable character at p (ü is two), 0 when p does not continue a syllable.
size_t syllableCharLength(const char* p, const char* end) {
  if (p >= end) return 0;
  const auto c = static_cast<unsigned char>(*p);
  if (isAsciiLetter(c) || c == ':') return 1;
  return isUmlaut(p, end) ? 2 : 0;
}

const char* syllableEnd(const char* p, const char* end) {
  for (size_t n; (n = syllableCharLength(p, end)) != 0;)
    p += n;
  return p;
}

const char* findTonePos(const char* begin, const char* end) {
  const char* last = nullptr;
  for (const char* p = begin; p < end; p += syllableCharLength(p, end)) {
    const char c = char(*p | 0x20);
    if (c == 'a' || c == 'e' || c == 'o') return p;
    if (c == 'i' || c == 'u' || isUmlaut(p, end)) last = p;
  }
  return last;
}

// Copies syllable text, writing "u:" as ü so that a u: before the marked vowel reads right too ("nu:e4").
void appendPlain(const char* p, const char* end, TextBuffer<0>& out) {
  const char* cut = p;
  for (; p < end; ++p) {
    if (!isColonU(p, end)) continue;
    out.append(Span(cut, size_t(p - cut)));
    ToneConverter::appendTonedVowel(p, end, 9, out);
    cut = ++p + 1;
  }
  out.append(Span(cut, size_t(end - cut)));
}

void appendCodePoint(uint32_t c, TextBuffer<0>& out) {
  char bytes[4];
  out.append(Span(bytes, utf8::encode(c, bytes)));
}

} // namespace

size_t ToneConverter::digitToToneIndex(char c) {
  return c >= '1' && c <= '5' ? size_t(c - '1') : 9;
}

const char* ToneConverter::appendTonedVowel(const char* p, const char* end, size_t toneIndex,
                                            TextBuffer<0>& out) {
  if (p >= end) return p;
  const auto c = static_cast<unsigned char>(*p);
  const bool upper = c >= 'A' && c <= 'Z';
  Row row = NONE;
  size_t length = 1;
  if (isColonU(p, end) || isUmlaut(p, end)) {
    row = UMLAUT;
    length = 2;
  } else {
    switch (c | 0x20) {
    case 'a':
      row = A;
      break;
    case 'e':
      row = E;
      break;
    case 'i':
      row = I;
      break;
    case 'o':
      row = O;
      break;
    case 'u':
      row = U;
      break;
    }
  }
  if (row == NONE) {
    const size_t n = utf8::step(p, end);
    out.append(Span(p, n));
    return p + n;
  }
  const bool upperUmlaut = row == UMLAUT && (upper || static_cast<unsigned char>(p[1]) == U_UMLAUT_UPPER);
  if (toneIndex <= 3)
    appendCodePoint(TONED[row][upper || upperUmlaut ? 1 : 0][toneIndex], out);
  else if (row == UMLAUT)
    appendCodePoint(upperUmlaut ? 0xDC : 0xFC, out);
  else
    out.append(Span(p, 1));
  return p + length;
}

void ToneConverter::numbersToTones(Span const& pinyin, TextBuffer<0>& out) {
  out.clear();
  const char* p = pinyin.data;
  const char* const end = pinyin.data ? pinyin.end() : nullptr;
  while (p < end) {
    const char* syllable = p;
    p = syllableEnd(p, end);
    const size_t tone = p < end ? digitToToneIndex(*p) : 9;
    if (const char* vowel = findTonePos(syllable, p)) {
      appendPlain(syllable, vowel, out);
      const char* after = appendTonedVowel(vowel, p, tone, out);
      appendPlain(after, p, out);
      if (tone != 9) ++p;
    } else if (p - syllable == 1 && (*syllable | 0x20) == 'r' && tone == 4) {
      out.append(Span(syllable, 1));
      ++p;
    } else {
      out.append(Span(syllable, size_t(p - syllable)));
    }
    const char* other = p;
    while (p < end && !syllableCharLength(p, end))
      ++p;
    out.append(Span(other, size_t(p - other)));
  }
}
