// Draws the text view's page: the normal background over the area asked for, then per line the stretches of
// equal background colour, then the glyphs merged into one glyph run per line, font and colour. Nothing is
// laid out here: the page is the delegate's Layout; the glyphs of each line (and which unit each belongs to)
// are taken from its QTextLine once, when the line first appears, and kept while the page holds it.
//
// It also tells the view what to repaint: changes() compares each line's place and the styles of its units
// with what was scheduled last, so a mouse move repaints the two lines whose hover changed, not the page.
// GUI thread only.
#pragma once

#include <QRectF>
#include <QRegion>

#include <memory>

class QPainter;
class TextViewDelegate;

class TextPainter {
public:
  TextPainter();
  ~TextPainter();
  TextPainter(TextPainter const&) = delete;
  TextPainter& operator=(TextPainter const&) = delete;

  // Brings the glyphs up to date with the delegate's page and returns the part of textArea that looks
  // different from what the last call saw (all of it the first time, or when the colours changed).
  QRegion changes(TextViewDelegate& delegate, QRectF const& textArea);
  // Forgets what was drawn: the next changes() returns the whole area.
  void invalidate();
  // Draws the part of textArea inside dirty.
  void paint(QPainter& painter, QRect const& dirty, TextViewDelegate& delegate, QRectF const& textArea);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
