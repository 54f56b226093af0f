// Qt 6.4 glyph runs carry no string indexes, so which units a glyph stands for is worked out from the caret
// x's: a glyph belongs to the unit whose caret position is the last at or left of the glyph's origin. One
// glyph may stand for several units ("——" shapes as one): taking the glyph's x keeps it with its first unit
// only, so it is drawn once, in that unit's colour.
//
// cursorToX walks the line from its start, so asking it for every unit is quadratic in the line's length.
// In a line of characters that are each a grapheme and a glyph cluster of their own, left to right (Chinese,
// kana, hangul, Latin letters, punctuation: `alone`), character k begins at glyph k, except that a ligature
// makes one glyph of several characters: the glyph of character k, less k, steps down at each ligature and
// stays the same elsewhere. So cursorToX of the first and last characters, and of a few more found by
// halving where that difference changes, places every character; one inside a ligature takes cursorToX
// itself. A line with any other character (marks, controls, tabs, right-to-left text) asks for every unit.
#include "desktop-ui/lineglyphs.h"

#include "views/line.h"

#include <QGlyphRun>
#include <QTextLine>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A character that is a grapheme of its own, never joins its neighbours and runs left to right.
bool alone(char16_t u) {
  return (u >= 0x20 && u <= 0x7E) || (u >= 0xA0 && u <= 0x24F && u != 0xAD) || (u >= 0x2010 && u <= 0x2027) ||
         (u >= 0x2030 && u <= 0x205E) || (u >= 0x2100 && u <= 0x27BF) || (u >= 0x3000 && u <= 0x3029) ||
         (u >= 0x3030 && u <= 0x303F) || (u >= 0x3041 && u <= 0x3096) || (u >= 0x309B && u <= 0x30FF) ||
         (u >= 0x3105 && u <= 0x33FF) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) ||
         (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE6F) ||
         (u >= 0xFF01 && u <= 0xFF9D) || (u >= 0xFFE0 && u <= 0xFFEE);
}

// A high surrogate of the supplementary ideographs (U+20000 to U+3FFFF).
bool ideographPair(char16_t high, char16_t low) {
  return high >= 0xD840 && high <= 0xD8BF && (low & 0xFC00) == 0xDC00;
}

// The caret x's of one line, from its glyph origins where its characters allow.
class Carets {
public:
  Carets(Line const& line, QTextLine const& qline)
      : m_text(line.text + line.start), m_length(size_t(line.length)), m_qline(qline),
        m_first(int(line.start - line.chunkStart)) {}

  // cursorToX of each unit, and of the line's end, less the line's x.
  std::vector<double> each() const {
    std::vector<double> x(m_length + 1);
    for (size_t i = 0; i <= m_length; ++i)
      x[i] = at(i);
    return x;
  }

  // The same from xs, the glyph origins from the line's x, in order; false when the line's characters (or
  // glyphs) are not of the kind that allows it.
  bool fromGlyphs(std::vector<double> const& xs, std::vector<double>& x) {
    if (!characterStarts() || m_starts.empty() || xs.empty() || xs.size() > m_starts.size()) return false;
    const double width = m_qline.width(), least = -m_qline.x(); // cursorToX keeps to [0, the wrap width]
    for (size_t g = 0; g < xs.size(); ++g)
      if (xs[g] < least || xs[g] > width || (g > 0 && !(xs[g] > xs[g - 1]))) return false;
    const size_t count = m_starts.size();
    m_probed.assign(count, NAN);
    m_glyph.assign(count, SIZE_MAX);
    if (probe(0, xs) != 0 || probe(count - 1, xs) != xs.size() - 1 || !placeBetween(0, count - 1, xs))
      return false;
    x.assign(m_length + 1, 0);
    x[m_length] = at(m_length);
    for (size_t k = count; k-- > 0;) {
      const bool ownGlyph = k == 0 || m_glyph[k] > m_glyph[k - 1];
      if (!ownGlyph && std::isnan(m_probed[k])) probe(k, xs);
      x[m_starts[k]] = std::isnan(m_probed[k]) ? xs[m_glyph[k]] : m_probed[k];
      // cursorToX moves from the second unit of a pair on to the next character.
      const size_t next = k + 1 < count ? m_starts[k + 1] : m_length;
      if (m_starts[k] + 1 < next) x[m_starts[k] + 1] = x[next];
    }
    return true;
  }

private:
  double at(size_t unit) const { return m_qline.cursorToX(m_first + int(unit)) - m_qline.x(); }

  // Where each character begins; false for a character that is not alone.
  bool characterStarts() {
    m_starts.clear();
    m_starts.reserve(m_length);
    for (size_t i = 0; i < m_length; ++i) {
      if (i + 1 < m_length && ideographPair(m_text[i], m_text[i + 1]))
        m_starts.push_back(i++);
      else if (alone(m_text[i]))
        m_starts.push_back(i);
      else
        return false;
    }
    return true;
  }

  // The glyph at or left of character k's caret, which cursorToX gives.
  size_t probe(size_t k, std::vector<double> const& xs) {
    m_probed[k] = at(m_starts[k]);
    const auto after = std::upper_bound(xs.begin(), xs.end(), m_probed[k] + 0.01);
    return m_glyph[k] = after == xs.begin() ? SIZE_MAX : size_t(after - xs.begin()) - 1;
  }

  // Places the characters between a and b, whose glyphs are known, halving where they are not of one kind:
  // all a glyph each, or all in one glyph. False when the glyphs do not follow the characters so.
  bool placeBetween(size_t a, size_t b, std::vector<double> const& xs) {
    std::vector<std::pair<size_t, size_t>> ranges{{a, b}};
    while (!ranges.empty()) {
      const auto [from, to] = ranges.back();
      ranges.pop_back();
      const size_t first = m_glyph[from], last = m_glyph[to];
      if (last < first || last - first > to - from) return false;
      if (to - from < 2) continue;
      if (last - first == to - from) {
        for (size_t k = from + 1; k < to; ++k)
          m_glyph[k] = first + (k - from);
      } else if (last == first) {
        for (size_t k = from + 1; k < to; ++k)
          if (probe(k, xs) != first) return false;
      } else {
        const size_t middle = from + (to - from) / 2;
        probe(middle, xs);
        ranges.emplace_back(from, middle);
        ranges.emplace_back(middle, to);
      }
    }
    return true;
  }

  const uint16_t* m_text;
  size_t m_length;
  QTextLine const& m_qline;
  int m_first;                  // the chunk's index of the line's first unit
  std::vector<size_t> m_starts; // the units where characters begin
  std::vector<double> m_probed; // per character, cursorToX when asked
  std::vector<size_t> m_glyph;  // per character, the glyph it begins at or lies in
};

} // namespace

LineGlyphs LineGlyphs::of(Line const& line, QtLineBreaker::PlatformLine const& platform) {
  LineGlyphs out;
  QTextLine const& qline = platform.line();
  const QPointF origin(qline.x(), qline.y());
  std::vector<double> xs;
  xs.reserve(size_t(line.length));
  for (QGlyphRun const& run : qline.glyphRuns()) {
    FontRun font;
    font.font = run.rawFont();
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    font.glyphs.assign(indexes.begin(), indexes.end());
    font.positions.reserve(size_t(positions.size()));
    for (QPointF const& p : positions) {
      font.positions.push_back(p - origin);
      xs.push_back(p.x() - origin.x());
    }
    out.runs.push_back(std::move(font));
  }
  if (!std::is_sorted(xs.begin(), xs.end())) std::sort(xs.begin(), xs.end());
  Carets carets(line, qline);
  if (!carets.fromGlyphs(xs, out.unitX)) out.unitX = carets.each();
  for (FontRun& run : out.runs) {
    run.units.reserve(run.positions.size());
    // Caret positions may differ from glyph origins by rounding.
    for (QPointF const& p : run.positions) {
      const auto after = std::upper_bound(out.unitX.begin(), out.unitX.end() - 1, p.x() + 0.01);
      run.units.push_back(uint32_t(std::max<ptrdiff_t>(after - out.unitX.begin() - 1, 0)));
    }
  }
  return out;
}
