// The text view's line breaker on QTextLayout: one layout per chunk of a paragraph, broken at word
// boundaries or, where a line has none, anywhere. The lines it makes keep their chunk's layout alive, with
// its shaped glyphs, so the view can draw a line's glyph runs (QtLineBreaker::lineOf) for as long as the
// page holds it. Colours are
// not formats of the layout: they are taken at paint time (formats change shaping and so the breaks).
// GUI thread only.
#pragma once

#include "views/linebreaker.h"

#include <QFont>
#include <QTextLayout>

class Line;

class QtLineBreaker : public LineBreaker {
public:
  // A laid-out line: its chunk's layout and the line in it.
  class PlatformLine : public TypesetLine {
  public:
    PlatformLine(std::shared_ptr<QTextLayout> layout, QTextLine line);
    double ascent() const override;
    double descent() const override;
    double leading() const override;
    double positionOfIndex(size_t index) const override;
    size_t indexAtPosition(double x, bool boundary) const override;

    QTextLayout const& layout() const { return *m_layout; }
    QTextLine const& line() const { return m_line; }

  private:
    std::shared_ptr<QTextLayout> m_layout;
    QTextLine m_line;
  };

  QtLineBreaker();
  ~QtLineBreaker() override;

  // Takes effect at the next layout.
  void setFont(QFont const& font);
  QFont const& font() const;

  // The platform line of a line this breaker made; null for one made by another breaker.
  static PlatformLine const* lineOf(Line const& line);

protected:
  std::unique_ptr<Typesetter> typeset(const uint16_t* text, size_t length) override;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
