#include "utils/colour.h"

#include <gtest/gtest.h>

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
