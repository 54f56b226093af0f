#include "dictionary/toneconverter.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string tones(std::string const& numbered) {
  TextBuffer<0> out;
  out.append("left over"); // the conversion starts from an empty buffer
  ToneConverter::numbersToTones(Span(numbered), out);
  return std::string(out.view());
}
} // namespace

TEST(ToneConverterTest, NumbersBecomeMarks) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"hao3", "hǎo"},
      {"xian1 sheng5", "xiān sheng"},
      {"gui4", "guì"},
      {"ZHONG1", "ZHŌNG"},
      {"Ai4 er3 lan2", "Ài ěr lán"},
      {"A quan1 r5", "A quān r"},
      {"R5", "R"},
      {"a0", "a0"},      // only 1-5 are tones
      {"hao", "hao"},    // no digit: unmarked
      {"hao3,", "hǎo,"}, // text between syllables is kept
      {"3 D", "3 D"},
      {"xx5", "xx5"}, // no vowel: the syllable keeps its digit
      {"m2", "m2"},
      // u: and ü are the same vowel: every tone, both spellings, both cases, also before the marked vowel.
      {"lu:1", "lǖ"},
      {"lu:5", "lü"},
      {"lu:", "lü"},
      {"lü3", "lǚ"},
      {"nu:e4", "nüè"},
      {"lüe4", "lüè"},
      {"LU:4", "LǛ"},
      {"LÜ2", "LǗ"},
      {"NU:E4", "NÜÈ"},
      {"u:1", "ǖ"},
      {"nu:3 ren2", "nǚ rén"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(tones(c.in), c.out);
  }
}

TEST(ToneConverterTest, TonedVowelAtTheEnd) {
  const std::string text = "u:x";
  TextBuffer<0> out;
  const char* after = ToneConverter::appendTonedVowel(text.data(), text.data() + 2, 1, out);
  EXPECT_EQ(after, text.data() + 2);
  EXPECT_EQ(out.view(), "ǘ");
  // A "u:" cut by the end is a plain u; a multi-byte character is copied whole.
  out.clear();
  EXPECT_EQ(ToneConverter::appendTonedVowel(text.data(), text.data() + 1, 0, out), text.data() + 1);
  EXPECT_EQ(out.view(), "ū");
  const std::string zhong = "中";
  out.clear();
  EXPECT_EQ(ToneConverter::appendTonedVowel(zhong.data(), zhong.data() + 3, 0, out), zhong.data() + 3);
  EXPECT_EQ(out.view(), "中");
}
