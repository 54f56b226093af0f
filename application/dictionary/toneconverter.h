// Numbered pinyin as written in CC-CEDICT ("lu:4", "Zhong1 guo2") turned into pinyin with tone marks
// ("lǜ", "Zhōng guó"). Used by the dictionary's English formatting, the exporters and the definition popup.
#pragma once

#include "utils/span.h"
#include "utils/textbuffer.h"

#include <cstddef>

class ToneConverter {
public:
  // Clears out and writes the converted text. A syllable is a run of ASCII letters, ':' and ü/Ü; its tone is
  // the digit right after it: 1-4 mark the vowel, 5 (neutral) is dropped, any other digit stays in the text.
  // "u:" and "ü" both come out as ü (Ü), marked when they carry the tone. A syllable without a vowel keeps
  // its digit ("xx5", "m2"), except the erhua "r5", which becomes "r".
  static void numbersToTones(Span const& pinyin, TextBuffer<0>& out);

  // Appends the vowel at p (one of aeiou, "u:" or ü, either case) with the mark of the tone index (0-3;
  // any other index appends it unmarked, "u:" as ü) and returns the position after it. Anything else at p
  // is copied as one whole UTF-8 character.
  static const char* appendTonedVowel(const char* p, const char* end, size_t toneIndex, TextBuffer<0>& out);

  // '1'-'5' give 0-4, anything else 9.
  static size_t digitToToneIndex(char c);
};
