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

TEST(Utf8Test, DecodeNeverReadsPastTheEnd) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<uint32_t> chars;
  } cases[] = {
      {"mixed", "a\xC3\xA9\xE4\xB8\xAD\xF0\xA0\x80\x80", {'a', 0xE9, 0x4E2D, 0x20000}},
      {"cut three-byte at end", "a\xE4\xB8", {'a', 0xFFFD}},
      {"cut four-byte at end", "\xF0\x9F\x98", {0xFFFD}},
      // Near the end a lead must not swallow the ASCII that follows it.
      {"lead then ASCII at end", "\xE4\x61", {0xFFFD, 'a'}},
      {"lead, continuation, ASCII at end", "\xF0\x9F\x61", {0xFFFD, 'a'}},
      {"bad continuation", "\xE4\x41\xB8\xAD", {0xFFFD, 'A', 0xFFFD, 0xFFFD}},
      {"lone continuation", "\x80", {0xFFFD}},
      // Forms that are not characters, whole sequences each.
      {"overlong slash", "\xC0\xAF", {0xFFFD}},
      {"overlong three-byte", "\xE0\x80\xAF", {0xFFFD}},
      {"surrogate", "\xED\xA0\x80", {0xFFFD}},
      {"overlong four-byte", "\xF0\x8F\xBF\xBF", {0xFFFD}},
      {"past U+10FFFF", "\xF4\x90\x80\x80", {0xFFFD}},
      {"lead F5", "\xF5\x80\x80\x80", {0xFFFD}},
      {"edges that are characters",
       "\xC2\x80\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
       {0x80, 0x800, 0xD7FF, 0xE000, 0x10000, 0x10FFFF}},
      {"invalid lead", "\xFE\x61", {0xFFFD, 'a'}},
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

// The types partition the code points: every one is checked against the range that holds it.
TEST(Utf8Test, TypeOfEveryCodePoint) {
  using namespace utf8;
  const struct {
    uint32_t last;
    Type type;
  } ranges[] = {
      // clang-format off
      {0x08, AsciiOther}, {0x0D, AsciiWhite}, {0x1F, AsciiOther}, {0x20, AsciiWhite}, {0x2F, AsciiPunctuation},
      {0x39, AsciiDigit}, {0x40, AsciiPunctuation}, {0x5A, AsciiLetter}, {0x60, AsciiPunctuation},
      {0x7A, AsciiLetter}, {0x7E, AsciiPunctuation}, {0x7F, AsciiOther}, {0x1FFF, Other},
      {0x206F, GeneralPunctuation}, {0x2E7F, Other}, {0x2EFF, SupplementaryRadical}, {0x2FDF, KangxiRadical},
      {0x2FFF, Other}, {0x3000, IdeographicSpace}, {0x303F, ChinesePunctuation}, {0x31BF, Other},
      {0x31EF, Stroke}, {0x33FF, Other}, {0x4DBF, ChineseCharacterExtA}, {0x4DFF, Other},
      {0x9FFF, ChineseCharacter}, {0xF8FF, Other}, {0xFAFF, ChineseCharacter}, {0xFEFF, Other},
      {0xFF0F, ChinesePunctuation}, {0xFF19, Other}, {0xFF20, ChinesePunctuation}, {0xFF3A, Other},
      {0xFF40, ChinesePunctuation}, {0xFF5A, Other}, {0xFF65, ChinesePunctuation}, {0xFFDF, Other},
      {0xFFEE, ChinesePunctuation}, {0xFFFC, Other}, {0xFFFD, Invalid}, {0x1FFFF, Other},
      {0x3FFFF, ChineseCharacterExtB}, {0x10FFFF, Other},
      // clang-format on
  };
  uint32_t c = 0;
  for (auto const& r : ranges)
    for (; c <= r.last; ++c)
      if (get_type(c) != r.type) FAIL() << "U+" << std::hex << c << " is " << int(get_type(c));
  EXPECT_EQ(get_type(0xFFFFFFFF), Other);
}
