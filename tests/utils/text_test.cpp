#include "utils/text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

// A Text owns its copy, also of its own bytes; a moved-from or null Text reads as "".
TEST(TextTest, OwnsItsCopy) {
  std::string source = "\xE4\xB8\xAD\xE6\x96\x87";
  Text t(Span(source.data(), source.size())), copy = t;
  source[0] = 'x';
  EXPECT_EQ(t.view(), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_NE(copy.data(), t.data());
  t = t.c_str() + 3; // from its own bytes
  EXPECT_EQ(t, "\xE6\x96\x87");
  copy = copy; // self-assignment keeps the text
  EXPECT_EQ(copy.length(), 6u);
  Text moved = std::move(copy);
  EXPECT_EQ(moved.length(), 6u);
  EXPECT_STREQ(copy.c_str(), "");
  EXPECT_EQ(copy.data(), nullptr);
  t = Span(t.data(), 0);
  EXPECT_STREQ(t.c_str(), "");
  t = static_cast<const char*>(nullptr);
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(Text("a\0b", 3).view(), std::string_view("a\0b", 3));
  // Reallocation moves every element; a double free or a lost text shows here (and under ASan).
  std::vector<Text> texts;
  for (int i = 0; i < 100; ++i)
    texts.emplace_back(std::to_string(i).c_str());
  texts.insert(texts.begin(), Text());
  const std::vector<Text> copies = texts;
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(copies[size_t(i) + 1], std::to_string(i).c_str());
}

// Copied into a buffer, a text is cut at a character boundary, with room for the NUL.
TEST(SpanTest, CopyToCutsAtCharacterBoundary) {
  const struct {
    Span in;
    size_t size;
    std::string out;
  } cases[] = {
      {Span("\xE4\xB8\xAD"), 3, ""},
      {Span("\xE4\xB8\xAD"), 4, "\xE4\xB8\xAD"},
      {Span("\xE4\xB8\xAD\x61"), 4, "\xE4\xB8\xAD"},
      {Span("\xE4\xB8\xAD\xE4\xB8\xAD"), 6, "\xE4\xB8\xAD"},
      {Span("abc"), 2, "a"},
      {Span(nullptr, 5), 10, ""},
      {Span("\xF0\x9F\x98\x80x"), 4, ""}, // a four-byte character is left out whole
  };
  for (const auto& c : cases) {
    char out[16];
    std::memset(out, 'X', sizeof out);
    c.in.copyTo(out, c.size);
    EXPECT_EQ(std::string(out), c.out) << c.size;
  }
  char out[4];
  Text().copyTo(out, 4);
  EXPECT_STREQ(out, "");
  // Spans order bytewise (unsigned), the shorter first.
  EXPECT_LT(Span("ab"), Span("abc"));
  EXPECT_LT(Span("abc"), Span("abd"));
  EXPECT_LT(Span("a"), Span("\xE4"));
  EXPECT_EQ(Span(), Span(""));
}
