#include "views/appearanceconfig.h"

#include "utils/propertygroup.h"

#include <cmath>

namespace {

constexpr int SIGNIFICANT_DIGITS = -2;
constexpr int MODE_AUTO = 2;

// A value not above low gives low, one not below high gives high.
double clamp(double value, double low, double high) {
  return value <= low ? low : (value >= high ? high : value);
}

} // namespace

double AppearanceConfig::clampFontSize(double points) {
  return std::isnan(points) ? DEFAULT_FONT_SIZE : clamp(points, MIN_FONT_SIZE, MAX_FONT_SIZE);
}

PropertyGroup& operator>>(PropertyGroup& group, AppearanceConfig& config) {
  const AppearanceConfig defaults;
  config.version = group.valueAsInt(".version", AppearanceConfig::VERSION);
  config.fontName = group.valueAsString("font.name", AppearanceConfig::DEFAULT_FONT);
  config.fontSize = AppearanceConfig::clampFontSize(group.valueAsDouble("font.size", defaults.fontSize));
  config.lineSpacing = clamp(group.valueAsDouble("line.spacing", defaults.lineSpacing),
                             AppearanceConfig::MIN_LINE_SPACING, AppearanceConfig::MAX_LINE_SPACING);
  config.wordListFontSize = group.valueAsDouble("wordList.font.size", defaults.wordListFontSize);
  // Settings older than version 2 predate colour schemes: their colours must be moved first.
  const int defaultMode = config.version < 2 ? AppearanceConfig::BEFORE_COLOUR_SCHEMES : MODE_AUTO;
  const int mode = group.valueAsInt("colourScheme.mode", defaultMode);
  config.colourSchemeMode = mode >= 0 && mode <= AppearanceConfig::BEFORE_COLOUR_SCHEMES ? mode : defaultMode;
  config.highlightLookedUpWords = group.valueAsBool("highlightLookedUpWords", true);
  return group;
}

PropertyGroup& operator<<(PropertyGroup& group, AppearanceConfig const& config) {
  group.setValue(".version", AppearanceConfig::VERSION);
  group.setValue("font.name", config.fontName);
  group.setValue("font.size", config.fontSize, SIGNIFICANT_DIGITS);
  group.setValue("line.spacing", config.lineSpacing, SIGNIFICANT_DIGITS);
  group.setValue("wordList.font.size", config.wordListFontSize, SIGNIFICANT_DIGITS);
  group.setValue("colourScheme.mode", config.colourSchemeMode);
  group.setValue("highlightLookedUpWords", config.highlightLookedUpWords);
  return group;
}
