#include "views/highlighter.h"
#include "views/stylemanager.h"

#include "display/lexoscope.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

uint64_t attribute(int style, bool word) {
  return uint64_t(style) << 32 | (word ? Highlighter::WORD : 0) | Lexoscope::TOKEN_START;
}

} // namespace

// Selection over hover over the character's own style; hover only on words, hover.unknown on unknown ones.
TEST(HighlighterTest, Precedence) {
  Highlighter h;
  h.setHover(10, 20);
  h.setSelection(30, 25); // dragged backwards: [25, 30)
  const struct {
    const char* name;
    uint64_t attribute;
    uint64_t offset;
    int style;
  } cases[] = {
      {"unknown word hovered", attribute(StyleId::Unknown, true), 12, StyleId::HoverUnknown},
      {"known word hovered", attribute(StyleId::Known, true), 12, StyleId::Hover},
      {"looked-up word hovered", attribute(StyleId::LookedUp, true), 10, StyleId::Hover},
      {"search match hovered", attribute(StyleId::SearchTerm, true), 19, StyleId::Hover},
      {"not a word under the hover", attribute(StyleId::Normal, false), 12, StyleId::Normal},
      {"hover end excluded", attribute(StyleId::Unknown, true), 20, StyleId::Unknown},
      {"own style", attribute(StyleId::CurrentSearch, true), 22, StyleId::CurrentSearch},
      {"selected word", attribute(StyleId::Unknown, true), 25, StyleId::Selection},
      {"selected punctuation", attribute(StyleId::Normal, false), 29, StyleId::Selection},
      {"selection end excluded", attribute(StyleId::Known, true), 30, StyleId::Known},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(h.styleAt(c.attribute, c.offset), c.style);
  }
  h.setHover(20, 40); // a hovered word inside the selection stays selection-coloured
  EXPECT_EQ(h.styleAt(attribute(StyleId::Unknown, true), 27), StyleId::Selection);
  EXPECT_EQ(h.styleAt(attribute(StyleId::Unknown, true), 35), StyleId::HoverUnknown);

  Highlighter forward;
  forward.setHover(20, 40);
  forward.setSelectionAnchor(25);
  forward.setSelectionEnd(30);
  for (uint64_t offset = 0; offset < 45; ++offset)
    EXPECT_EQ(h.styleAt(attribute(StyleId::Known, true), offset),
              forward.styleAt(attribute(StyleId::Known, true), offset))
        << offset;
  EXPECT_EQ(h.selectionAnchor(), 30u);
  EXPECT_EQ(h.selectionEnd(), 25u);
  h.clearSelection();
  EXPECT_EQ(h.styleAt(attribute(StyleId::Known, true), 0), StyleId::Known);
  EXPECT_EQ(h.selectionAnchor() + h.selectionEnd(), 0u);
}

// The colours given reach the drawing styles; an id outside the table is the normal style, never a read past
// it.
TEST(StyleManagerTest, StylesFromColourSets) {
  StyleManager styles;
  ColourScheme::Colours dark = ColourScheme::builtIn(ColourScheme::Dark);
  dark.background(StyleId::Selection) = Colour(255, 0, 0, 255);
  styles.setColours(dark);
  const double* selection = styles.style(StyleId::Selection).background;
  EXPECT_EQ(std::vector<double>(selection, selection + 4), (std::vector<double>{1, 0, 0, 1}));
  for (int outside : {-1, 9, 1 << 30})
    EXPECT_EQ(&styles.style(outside), &styles.style(StyleId::Normal)) << outside;
}
