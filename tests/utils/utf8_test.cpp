#include "utils/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// The bytes are copied into an exactly sized heap array, so a read past its end is caught by ASan.
struct Bytes {
  explicit Bytes(std::string const& s) : data(s.begin(), s.end()) {}
  const char* begin() const { return data.data(); }
  const char* end() const { return data.data() + data.size(); }
  std::vector<char> data;
};
} // namespace

TEST(Utf8Test, SequenceLength) {
  const struct {
    const char* name;
    std::string bytes;
    size_t length;
  } cases[] = {
      {"ascii", "a", 1},
      {"two bytes", "\xC3\xA9", 2},
      {"three bytes", "\xE4\xB8\xAD", 3},
      {"four bytes", "\xF0\xA0\x80\x80", 4},
      {"bad second byte", "\xE4\x41\x42", 1},
      {"bad third byte", "\xE4\xB8\x41", 2},
      {"bad fourth byte", "\xF0\xA0\x80\x41", 3},
      {"cut by the end: nominal", "\xE4", 3},
      {"cut four-byte: nominal", "\xF0\xA0\x80", 4},
      {"lone continuation", "\x80xx", 1},
      {"lead F8 is no lead", "\xF8\x80\x80\x80", 1},
      {"lead FF", "\xFF", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes b(c.bytes);
    EXPECT_EQ(utf8::sequence_length(b.begin(), b.end()), c.length);
  }
  const char x = 'x';
  EXPECT_EQ(utf8::sequence_length(&x, &x), 1u); // at the end
}

TEST(Utf8Test, DecodeNeverReadsPastTheEnd) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<uint32_t> chars;
  } cases[] = {
      {"mixed", "a\xC3\xA9\xE4\xB8\xAD\xF0\xA0\x80\x80", {'a', 0xE9, 0x4E2D, 0x20000}},
      {"emoji", "\xF0\x9F\x98\x80", {0x1F600}},
      {"cut three-byte at end", "a\xE4\xB8", {'a', 0xFFFD}},
      {"cut four-byte at end", "\xF0\x9F\x98", {0xFFFD}},
      {"lone lead at end", "\xE4", {0xFFFD}},
      // Near the end a lead must not swallow the ASCII that follows it.
      {"lead then ASCII at end",
       "\xE4"
       "a",
       {0xFFFD, 'a'}},
      {"lead, continuation, ASCII at end",
       "\xF0\x9F"
       "a",
       {0xFFFD, 'a'}},
      {"bad continuation", "\xE4\x41\xB8\xAD", {0xFFFD, 'A', 0xFFFD, 0xFFFD}},
      {"lone continuation", "\x80", {0xFFFD}},
      // Forms that are not characters, whole sequences each.
      {"overlong slash", "\xC0\xAF", {0xFFFD}},
      {"overlong C1", "\xC1\xBF", {0xFFFD}},
      {"overlong three-byte", "\xE0\x80\xAF", {0xFFFD}},
      {"surrogate", "\xED\xA0\x80", {0xFFFD}},
      {"last surrogate", "\xED\xBF\xBF", {0xFFFD}},
      {"overlong four-byte", "\xF0\x8F\xBF\xBF", {0xFFFD}},
      {"past U+10FFFF", "\xF4\x90\x80\x80", {0xFFFD}},
      {"lead F5", "\xF5\x80\x80\x80", {0xFFFD}},
      {"edges that are characters",
       "\xC2\x80\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
       {0x80, 0x800, 0xD7FF, 0xE000, 0x10000, 0x10FFFF}},
      {"invalid lead",
       "\xFE"
       "a",
       {0xFFFD, 'a'}},
      {"empty", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes b(c.bytes);
    std::vector<uint32_t> got;
    for (const char* p = b.begin(); p < b.end();) {
      size_t n = 0;
      got.push_back(utf8::decode(p, b.end(), n));
      ASSERT_GE(n, 1u);
      ASSERT_LE(n, size_t(b.end() - p));
      p += n;
    }
    EXPECT_EQ(got, c.chars);
    EXPECT_EQ(utf8::character_count(Span(b.begin(), b.data.size())), c.chars.size());
  }
  size_t n = 0;
  const char x = 'x';
  EXPECT_EQ(utf8::decode(&x, &x, n), utf8::REPLACEMENT); // at the end: nothing is read
  EXPECT_EQ(n, 1u);
}

TEST(Utf8Test, StepStopsAtTheEnd) {
  const Bytes b("\xF0\xA0\x80");
  EXPECT_EQ(utf8::step(b.begin(), b.end()), 3u);
  EXPECT_EQ(utf8::step(b.begin() + 2, b.end()), 1u);
  EXPECT_EQ(utf8::character_count(Span()), 0u);
  EXPECT_EQ(utf8::character_count(Span(nullptr, 4)), 0u);
}

TEST(Utf8Test, EncodeDecodeRoundTripEveryScalarValue) {
  for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    char out[4];
    const size_t n = utf8::encode(c, out);
    size_t read = 0;
    const uint32_t back = utf8::decode(out, out + n, read);
    if (back != c || read != n) FAIL() << "code point " << std::hex << c;
  }
  char out[4];
  EXPECT_EQ(utf8::encode(0x110000, out), 3u); // beyond Unicode: U+FFFD
}

TEST(Utf8Test, TypeOfEachRangeAndItsEdges) {
  using namespace utf8;
  const struct {
    unsigned int cp;
    Type type;
  } cases[] = {
      {0x00, AsciiOther},
      {0x08, AsciiOther},
      {0x09, AsciiWhite},
      {0x0D, AsciiWhite},
      {0x0E, AsciiOther},
      {0x1F, AsciiOther},
      {0x20, AsciiWhite},
      {0x21, AsciiPunctuation},
      {0x2F, AsciiPunctuation},
      {0x30, AsciiDigit},
      {0x39, AsciiDigit},
      {0x3A, AsciiPunctuation},
      {0x40, AsciiPunctuation},
      {0x41, AsciiLetter},
      {0x5A, AsciiLetter},
      {0x5B, AsciiPunctuation},
      {0x60, AsciiPunctuation},
      {0x61, AsciiLetter},
      {0x7A, AsciiLetter},
      {0x7B, AsciiPunctuation},
      {0x7E, AsciiPunctuation},
      {0x7F, AsciiOther},
      {0x80, Other},
      {0xE9, Other},
      {0x1FFF, Other},
      {0x2000, GeneralPunctuation},
      {0x206F, GeneralPunctuation},
      {0x2070, Other},
      {0x2E7F, Other},
      {0x2E80, SupplementaryRadical},
      {0x2EFF, SupplementaryRadical},
      {0x2F00, KangxiRadical},
      {0x2FDF, KangxiRadical},
      {0x2FE0, Other},
      {0x3000, IdeographicSpace},
      {0x3001, ChinesePunctuation},
      {0x3002, ChinesePunctuation},
      {0x303F, ChinesePunctuation},
      {0x3040, Other},
      {0x31BF, Other},
      {0x31C0, Stroke},
      {0x31EF, Stroke},
      {0x31F0, Other},
      {0x33FF, Other},
      {0x3400, ChineseCharacterExtA},
      {0x4DBF, ChineseCharacterExtA},
      {0x4DC0, Other},
      {0x4DFF, Other},
      {0x4E00, ChineseCharacter},
      {0x4E2D, ChineseCharacter},
      {0x9FCF, ChineseCharacter},
      {0x9FFF, ChineseCharacter},
      {0xA000, Other},
      {0xF8FF, Other},
      {0xF900, ChineseCharacter}, // compatibility ideographs
      {0xFAFF, ChineseCharacter},
      {0xFB00, Other},
      {0xFEFF, Other},
      {0xFF00, ChinesePunctuation},
      {0xFF0C, ChinesePunctuation},
      {0xFF0F, ChinesePunctuation},
      {0xFF10, Other},
      {0xFF19, Other},
      {0xFF1A, ChinesePunctuation},
      {0xFF20, ChinesePunctuation},
      {0xFF21, Other},
      {0xFF3A, Other},
      {0xFF3B, ChinesePunctuation},
      {0xFF40, ChinesePunctuation},
      {0xFF41, Other},
      {0xFF5A, Other},
      {0xFF5B, ChinesePunctuation},
      {0xFF65, ChinesePunctuation},
      {0xFF66, Other},
      {0xFFDF, Other},
      {0xFFE0, ChinesePunctuation},
      {0xFFEE, ChinesePunctuation},
      {0xFFEF, Other},
      {0xFFFD, Invalid},
      {0x1FFFF, Other},
      {0x20000, ChineseCharacterExtB},
      {0x2A6DF, ChineseCharacterExtB},
      {0x2A700, ChineseCharacterExtB}, // extension C
      {0x2B740, ChineseCharacterExtB}, // D
      {0x2CEB0, ChineseCharacterExtB}, // F
      {0x30000, ChineseCharacterExtB}, // G
      {0x3FFFF, ChineseCharacterExtB},
      {0x40000, Other},
      {0x10FFFF, Other},
      {0xFFFFFFFF, Other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << c.cp);
    EXPECT_EQ(get_type(c.cp), c.type);
  }
  EXPECT_EQ(int(get_type(0x3000)), 7);
  EXPECT_EQ(int(get_type(0xFF0C)), 8);
  EXPECT_EQ(int(get_type(0xFF10)), 15);
}
