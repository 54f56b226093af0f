#include "views/statisticsviewfactory.h"

#include <algorithm>
#include <cmath>

namespace {

struct Hsl {
  double h, s, l;
};

Hsl toHsl(double r, double g, double b) {
  const double high = std::max({r, g, b}), low = std::min({r, g, b});
  const double l = (high + low) / 2, delta = high - low;
  if (delta == 0) return {0, 0, l};
  const double s = l > 0.5 ? delta / (2 - high - low) : delta / (high + low);
  double h = high == r   ? (g - b) / delta + (g < b ? 6 : 0)
             : high == g ? (b - r) / delta + 2
                         : (r - g) / delta + 4;
  return {h / 6, s, l};
}

double hueChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0 / 6) return p + (q - p) * 6 * t;
  if (t < 0.5) return q;
  if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}

uint8_t byte(double channel) {
  return uint8_t(std::clamp(std::lround(channel * 255.0), 0l, 255l));
}

} // namespace

double StatisticsViewFactory::leftIndent(bool isTitle, int64_t group, int64_t index, int column) {
  if (isTitle || column != 0) return INDENT;
  // The rows under "Known"/"Unknown" headings: all but each section's first row.
  const bool indented = (group == 0 && index != 0 && index != 5) ||
                        (group == 1 && index != 0 && index != 8) || (group == 2 && index != 0 && index != 7);
  return indented && index > 0 ? SUB_INDENT : INDENT;
}

Colour StatisticsViewFactory::alternateColour(Colour background) {
  Hsl hsl = toHsl(background.r / 255.0, background.g / 255.0, background.b / 255.0);
  hsl.l = background.brightness() < 0.5f ? std::min(1.0, hsl.l + 0.05) : std::max(0.0, hsl.l - 0.05);
  if (hsl.s == 0) return Colour(byte(hsl.l), byte(hsl.l), byte(hsl.l), background.a);
  const double q = hsl.l < 0.5 ? hsl.l * (1 + hsl.s) : hsl.l + hsl.s - hsl.l * hsl.s, p = 2 * hsl.l - q;
  return Colour(byte(hueChannel(p, q, hsl.h + 1.0 / 3)), byte(hueChannel(p, q, hsl.h)),
                byte(hueChannel(p, q, hsl.h - 1.0 / 3)), background.a);
}

void StatisticsViewFactory::setTextColour(std::optional<Colour> colour) {
  m_text = colour;
}

void StatisticsViewFactory::setBackgroundColour(std::optional<Colour> colour) {
  m_background = colour;
  if (colour) m_alternate = alternateColour(*colour);
}

void StatisticsViewFactory::setColours(Colour foreground, Colour background) {
  setTextColour(foreground);
  setBackgroundColour(background);
}

std::optional<Colour> StatisticsViewFactory::rowColour(int64_t row) const {
  if (!m_background || !m_alternate) return std::nullopt;
  return row % 2 == 0 ? m_alternate : m_background;
}
