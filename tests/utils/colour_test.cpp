#include "utils/colour.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(ColourTest, Parsing) {
  const Colour black(0, 0, 0, 255);
  const struct {
    const char* text;
    Colour colour;
    bool taken;
  } cases[] = {
      {"#ff000080", Colour(255, 0, 0, 0x80), true},
      {"ff0000", Colour(255, 0, 0), true},
      {"#FFa0B1", Colour(255, 0xA0, 0xB1), true},
      {"#ff0000zz", Colour(255, 0, 0), true},         // reading stops at the first other character
      {"#ff000080ab", Colour(255, 0, 0, 0x80), true}, // and after four pairs
      {"#ff00", black, false},
      {"#ff0000f", black, false}, // a lone digit is left over
      {"#ff0000fg", black, false},
      {"#", black, false},
      {"", black, false},
      {"##ff0000", black, false},
      {"red", black, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Colour(c.text), c.colour);
    Colour reused(1, 2, 3, 4);
    EXPECT_EQ(reused.parse(c.text), c.taken);
    EXPECT_EQ(reused, c.colour);
  }
  EXPECT_EQ(Colour(static_cast<const char*>(nullptr)), black);
  EXPECT_EQ(Colour(), black);
}

// Written, the text is cut to fit with its NUL; in full it reads back as the same colour.
TEST(ColourTest, TextForm) {
  const struct {
    Colour colour;
    size_t size;
    const char* text;
  } cases[] = {
      {Colour(255, 0, 0), 16, "ff0000"},  {Colour(255, 0, 0, 0x80), 16, "ff000080"},
      {Colour(255, 0, 0), 4, "ff0"},      {Colour(1, 2, 3, 0), 9, "01020300"},
      {Colour(1, 2, 3, 0), 8, "0102030"}, {Colour(255, 0, 0), 1, ""},
  };
  for (const auto& c : cases) {
    char out[16];
    c.colour.asText(out, c.size);
    EXPECT_STREQ(out, c.text);
    EXPECT_TRUE(c.size < 16 || Colour(out) == c.colour) << c.text;
  }
  char untouched = 'X';
  Colour(1, 2, 3).asText(&untouched, 0);
  EXPECT_EQ(untouched, 'X');
  Colour(1, 2, 3).asText(nullptr, 10);
  EXPECT_NEAR(Colour(0, 255, 0, 0).brightness(), 0.587f, 1e-6f); // alpha plays no part
}
