// How the statistics pane dresses its cells: the indentation of the name column (rows under a sub-heading
// are indented) and the row colours, a background and an alternate colour a little lighter (on a dark
// background) or darker (on a light one). The word-list pane uses the same alternate colour. No Qt.
#pragma once

#include "utils/colour.h"

#include <cstdint>
#include <optional>

class StatisticsViewFactory {
public:
  static constexpr double INDENT = 2.0;
  static constexpr double SUB_INDENT = 30.0;

  // The left indent in points of a cell; title rows (and the placeholder) pass isTitle. column 0 is the
  // name, 1 the value.
  static double leftIndent(bool isTitle, int64_t group, int64_t index, int column);
  // The background with its HSL lightness raised by 0.05 when its brightness is below 0.5, else lowered
  // by 0.05 (clamped to 0..1); hue, saturation and alpha kept.
  static Colour alternateColour(Colour background);

  void setTextColour(std::optional<Colour> colour);
  // Also computes the alternate colour; null clears the background and keeps the alternate colour.
  void setBackgroundColour(std::optional<Colour> colour);
  // The colour scheme's normal style: text from the foreground, rows from the background.
  void setColours(Colour foreground, Colour background);
  std::optional<Colour> textColour() const { return m_text; }
  std::optional<Colour> backgroundColour() const { return m_background; }
  std::optional<Colour> alternateBackgroundColour() const { return m_alternate; }
  // The fill of outline row `row` (0 first): the alternate colour on even rows, the background on odd
  // ones; none unless both are set.
  std::optional<Colour> rowColour(int64_t row) const;

private:
  std::optional<Colour> m_alternate;
  std::optional<Colour> m_text;
  std::optional<Colour> m_background;
};
