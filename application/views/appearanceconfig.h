// The "appearance" settings group of "data/config": the reading font, line spacing, the word list's font
// size, the colour-scheme mode and whether looked-up words are highlighted. Numbers are stored in the C
// locale; a stored number that is not finite, or a mode outside 0-3, reads as the default.
#pragma once

#include "utils/text.h"

class PropertyGroup;

struct AppearanceConfig {
  // The one range of reading-font sizes in points, for the settings and every font choice.
  static constexpr double MIN_FONT_SIZE = 10.0;
  static constexpr double MAX_FONT_SIZE = 72.0;
  static constexpr double MIN_LINE_SPACING = 1.0;
  static constexpr double MAX_LINE_SPACING = 5.0;
  static constexpr const char* DEFAULT_FONT = "Noto Serif CJK SC";
  static constexpr double DEFAULT_FONT_SIZE = 18.0;
  // colourSchemeMode of settings written before colour schemes existed: the colours still live in this
  // group and must move to the colour-scheme file.
  static constexpr int BEFORE_COLOUR_SCHEMES = 3;
  static constexpr int VERSION = 6;

  Text fontName{DEFAULT_FONT};
  double fontSize = DEFAULT_FONT_SIZE;
  double lineSpacing = 1.5;
  double wordListFontSize = 14.0; // the word-list view clamps it
  int colourSchemeMode = 2;       // ColourScheme::Mode, or BEFORE_COLOUR_SCHEMES
  bool highlightLookedUpWords = true;
  int version = VERSION; // as read from the file

  bool needsColourSchemeUpdate() const { return colourSchemeMode == BEFORE_COLOUR_SCHEMES; }
  bool needsDarkModeUpdate() const { return version < VERSION; }

  // Into [MIN_FONT_SIZE, MAX_FONT_SIZE]; a size that is not a number gives the default.
  static double clampFontSize(double points);

  bool operator==(AppearanceConfig const&) const = default;
};

PropertyGroup& operator>>(PropertyGroup& group, AppearanceConfig& config);
// Writes ".version" 6 (whatever was read) and every field, sizes and spacing with two significant digits.
PropertyGroup& operator<<(PropertyGroup& group, AppearanceConfig const& config);
