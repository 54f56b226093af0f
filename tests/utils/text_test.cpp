#include "utils/text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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
