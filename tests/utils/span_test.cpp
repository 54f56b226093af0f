#include "utils/span.h"
#include "utils/text.h"

#include <gtest/gtest.h>

#include <string>

TEST(SpanTest, CopyToCutsAtCharacterBoundary) {
  const Span zhong("\xE4\xB8\xAD"); // U+4E2D
  const struct {
    Span in;
    size_t size;
    std::string out;
  } cases[] = {
      {zhong, 3, ""},
      {zhong, 4, "\xE4\xB8\xAD"},
      {Span("\xE4\xB8\xAD"
            "a"),
       4, "\xE4\xB8\xAD"},
      {Span("\xE4\xB8\xAD\xE4\xB8\xAD"), 6, "\xE4\xB8\xAD"},
      {Span("abc"), 2, "a"},
      {Span(nullptr, 5), 10, ""},
      {Span("\xF0\x9F\x98\x80x"), 4, ""}, // a four-byte character is left out whole
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out + " size " + std::to_string(c.size));
    char out[16];
    std::memset(out, 'X', sizeof out);
    c.in.copyTo(out, c.size);
    EXPECT_EQ(std::string(out), c.out);
  }
}

TEST(SpanTest, OrderIsBytewiseShorterFirst) {
  EXPECT_LT(Span("ab"), Span("abc"));
  EXPECT_LT(Span("abc"), Span("abd"));
  EXPECT_LT(Span("a"), Span("\xE4")); // bytes compare unsigned
  EXPECT_EQ(Span("ab").compare(Span("ab")), 0);
  EXPECT_EQ(Span(), Span(""));
}
