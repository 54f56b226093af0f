#include "desktop-ui/textpainter.h"

#include "desktop-ui/lineglyphs.h"
#include "desktop-ui/qtlinebreaker.h"
#include "views/highlighter.h"
#include "views/layout.h"
#include "views/styleid.h"
#include "views/stylemanager.h"
#include "views/textviewdelegate.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

// A line as last scheduled for drawing.
struct Scheduled {
  std::shared_ptr<LineBreaker::TypesetLine> info; // held, so its address names no other line meanwhile
  double top = 0;
  double height = 0;
  uint64_t signature = 0;
};

QColor colourOf(double const rgba[4]) {
  return QColor::fromRgbF(float(rgba[0]), float(rgba[1]), float(rgba[2]), float(rgba[3]));
}

uint64_t hashBytes(uint64_t h, const void* data, size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < n; ++i)
    h = (h ^ p[i]) * 0x100000001b3ull;
  return h;
}

constexpr uint64_t FNV_BASIS = 0xcbf29ce484222325ull;

} // namespace

struct TextPainter::Impl {
  std::unordered_map<LineBreaker::TypesetLine const*, LineGlyphs> glyphs; // the page's lines
  std::vector<Scheduled> scheduled;
  uint64_t coloursHash = 0; // of the styles last scheduled; 0: nothing scheduled yet
  QRectF area;              // the text area last scheduled
  std::vector<int> styles;  // scratch: the style of each unit of the line being drawn
  QList<quint32> runGlyphs[StyleId::COUNT];
  QList<QPointF> runPositions[StyleId::COUNT];

  LineGlyphs const* glyphsFor(Line const& line) {
    auto const* platform = QtLineBreaker::lineOf(line);
    if (!platform) return nullptr;
    auto found = glyphs.find(line.info.get());
    if (found == glyphs.end()) found = glyphs.emplace(line.info.get(), LineGlyphs::of(line, *platform)).first;
    return &found->second;
  }
  void stylesOf(Line const& line, Highlighter const& highlighter) {
    styles.resize(line.length);
    for (uint64_t i = 0; i < line.length; ++i)
      styles[i] = highlighter.styleAt(line.attributes[line.start + i], line.byteOffsets[line.start + i]);
  }
  void paintLine(QPainter& painter, Line const& line, QPointF const& at, TextViewDelegate& delegate,
                 QColor const* foregrounds, QColor const* backgrounds, int const* inks);
};

TextPainter::TextPainter() : impl(std::make_unique<Impl>()) {}
TextPainter::~TextPainter() = default;

void TextPainter::invalidate() {
  impl->scheduled.clear();
  impl->coloursHash = 0;
}

QRegion TextPainter::changes(TextViewDelegate& delegate, QRectF const& textArea) {
  Impl& d = *impl;
  Layout& layout = delegate.layout();
  StyleManager const& styles = delegate.styles();
  uint64_t colours = FNV_BASIS;
  for (int id = 0; id < StyleId::COUNT; ++id)
    colours = hashBytes(colours, &styles.style(id), sizeof(StyleManager::Style));
  const bool all = colours != d.coloursHash || textArea != d.area;
  d.coloursHash = colours;
  d.area = textArea;

  QRegion region;
  const auto band = [&](double top, double height) {
    region +=
        QRectF(textArea.left(), top, textArea.width(), height).toAlignedRect() & textArea.toAlignedRect();
  };
  std::vector<Scheduled> now(layout.lineCount());
  std::unordered_map<LineBreaker::TypesetLine const*, LineGlyphs> kept;
  for (size_t i = 0; i < now.size(); ++i) {
    Line const& line = layout.line(i);
    Scheduled& s = now[i];
    s.info = line.info;
    s.top = layout.topMargin() + line.y;
    s.height = line.height;
    d.stylesOf(line, delegate.highlighter());
    s.signature = hashBytes(FNV_BASIS + line.length, d.styles.data(), d.styles.size() * sizeof(int));
    if (auto old = d.glyphs.find(line.info.get()); old != d.glyphs.end())
      kept.emplace(old->first, std::move(old->second));
    if (all) continue;
    Scheduled const* was = i < d.scheduled.size() ? &d.scheduled[i] : nullptr;
    if (!was || was->info != s.info || was->top != s.top || was->height != s.height) {
      band(s.top, s.height);
      if (was) band(was->top, was->height);
    } else if (was->signature != s.signature) {
      band(s.top, s.height);
    }
  }
  if (!all) {
    for (size_t i = now.size(); i < d.scheduled.size(); ++i)
      band(d.scheduled[i].top, d.scheduled[i].height);
    // Below the last line the normal background shows; it moves with the last line's bottom.
    const double before = d.scheduled.empty() ? 0 : d.scheduled.back().top + d.scheduled.back().height;
    const double after = now.empty() ? 0 : now.back().top + now.back().height;
    if (before != after) band(std::min(before, after), textArea.bottom() - std::min(before, after));
  }
  d.glyphs.swap(kept);
  for (size_t i = 0; i < now.size(); ++i)
    d.glyphsFor(layout.line(i));
  d.scheduled.swap(now);
  return all ? QRegion(textArea.toAlignedRect()) : region;
}

void TextPainter::Impl::paintLine(QPainter& painter, Line const& line, QPointF const& at,
                                  TextViewDelegate& delegate, QColor const* foregrounds,
                                  QColor const* backgrounds, int const* inks) {
  LineGlyphs const* g = glyphsFor(line);
  if (!g) return;
  stylesOf(line, delegate.highlighter());
  // Stretches of equal background; the normal one is already there.
  for (size_t a = 0; a < styles.size();) {
    size_t b = a + 1;
    while (b < styles.size() && backgrounds[styles[b]] == backgrounds[styles[a]])
      ++b;
    if (backgrounds[styles[a]] != backgrounds[StyleId::Normal])
      painter.fillRect(QRectF(at.x() + g->unitX[a], at.y(), g->unitX[b] - g->unitX[a], line.height),
                       backgrounds[styles[a]]);
    a = b;
  }
  // One glyph run per font and colour, the text in the middle of the line's height (the line spacing
  // shared above and below), as the backgrounds are.
  const double spacing = line.info->ascent() + line.info->descent() + line.info->leading();
  const QPointF origin(at.x(), at.y() + std::max(line.height - spacing, 0.0) / 2);
  for (LineGlyphs::FontRun const& run : g->runs) {
    for (int id = 0; id < StyleId::COUNT; ++id) {
      runGlyphs[id].clear();
      runPositions[id].clear();
    }
    for (size_t k = 0; k < run.glyphs.size(); ++k) {
      const int id = inks[run.units[k] < styles.size() ? styles[run.units[k]] : int(StyleId::Normal)];
      runGlyphs[id].append(run.glyphs[k]);
      runPositions[id].append(run.positions[k]);
    }
    for (int id = 0; id < StyleId::COUNT; ++id) {
      if (runGlyphs[id].isEmpty()) continue;
      QGlyphRun glyphRun;
      glyphRun.setRawFont(run.font);
      glyphRun.setGlyphIndexes(runGlyphs[id]);
      glyphRun.setPositions(runPositions[id]);
      painter.setPen(foregrounds[id]);
      painter.drawGlyphRun(origin, glyphRun);
    }
  }
}

void TextPainter::paint(QPainter& painter, QRect const& dirty, TextViewDelegate& delegate,
                        QRectF const& textArea) {
  StyleManager const& styles = delegate.styles();
  QColor foregrounds[StyleId::COUNT], backgrounds[StyleId::COUNT];
  // Styles that share a foreground share a glyph run (plain and known words are both black by default):
  // each style's glyphs go with the first style of its colour.
  int inks[StyleId::COUNT];
  for (int id = 0; id < StyleId::COUNT; ++id) {
    foregrounds[id] = colourOf(styles.style(id).foreground);
    backgrounds[id] = colourOf(styles.style(id).background);
    inks[id] = id;
    for (int first = 0; first < id && inks[id] == id; ++first)
      if (foregrounds[first] == foregrounds[id]) inks[id] = first;
  }
  const QRectF area = textArea & QRectF(dirty);
  painter.fillRect(area, backgrounds[StyleId::Normal]);
  Layout& layout = delegate.layout();
  for (size_t i = 0; i < layout.lineCount(); ++i) {
    Line const& line = layout.line(i);
    const QRectF box(textArea.left(), layout.topMargin() + line.y, textArea.width(), line.height);
    if (!box.intersects(area)) continue;
    painter.save();
    painter.setClipRect(box & area, Qt::IntersectClip);
    impl->paintLine(painter, line, QPointF(textArea.left() + layout.leftMargin(), box.top()), delegate,
                    foregrounds, backgrounds, inks);
    painter.restore();
  }
}
