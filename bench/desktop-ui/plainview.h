// The page as plain Qt shows it, the measure of the text view's benchmark: the view's document, font, width
// and line spacing; each paragraph one QTextLayout that keeps its shaped glyphs (setCacheEnabled), its
// lines drawn in one colour with QTextLine::draw, the character under the mouse found with xToCursor.
#pragma once

#include "desktop-ui/fontutils.h"
#include "desktop-ui/textviewwidget.h"
#include "documents/textdocument.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qmbench {

// A widget of the view's size beside it, with a scroller at its right edge that follows the page.
class PlainView : public QWidget {
public:
  static constexpr double LEFT = 25; // the view controller's margin

  PlainView(TextDocument const& document, TextViewWidget const& view)
      : document(document), font(FontUtils::font("Noto Serif CJK SC", 18)),
        width(view.viewWidth() - 2 * LEFT), scroller(new QScrollBar(Qt::Vertical, this)) {
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(view.size());
    scroller->setGeometry(int(view.viewWidth()), 0, view.width() - int(view.viewWidth()), height());
    scroller->setRange(0, TextViewWidget::SCROLL_RANGE);
    show();
  }

  // From the paragraph that holds top, skipping its lines that end before it, one line past the height;
  // then the page painted.
  void layoutFrom(uint64_t top) {
    lines.clear();
    layouts.clear();
    double y = 0, limit = height();
    bool extraLine = true;
    for (uint64_t at = document.startOfLine(top); at < document.totalBytes() && y < limit;) {
      const uint64_t next = document.nextLine(at);
      bytes.resize(size_t(next - at));
      size_t n = document.copyToBuffer(at, bytes.data(), bytes.size());
      while (n > 0 && (bytes[n - 1] == '\n' || bytes[n - 1] == '\r'))
        --n;
      QTextLayout& layout = *layouts.emplace_back(
          std::make_unique<QTextLayout>(QString::fromUtf8(bytes.data(), qsizetype(n)), font));
      layout.setTextOption(option);
      layout.setCacheEnabled(true); // painted and hit-tested from the glyphs shaped for the breaks
      layout.beginLayout();
      uint64_t lineOffset = at;
      while (y < limit) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width);
        const uint64_t start = lineOffset;
        lineOffset += utf8Length(layout.text(), line.textStart(), line.textLength());
        if (start < top && lineOffset <= top) continue;
        const double natural = line.ascent() + line.descent() + line.leading();
        const double h = natural * 1.5;
        line.setPosition(QPointF(0, y + (h - natural) / 2));
        lines.push_back({line, start, y, h});
        y += h;
        if (extraLine) limit += h;
        extraLine = false;
      }
      layout.endLayout();
      at = next;
    }
    hovered = SIZE_MAX;
    scroller->setValue(int(double(top) / double(document.totalBytes()) * TextViewWidget::SCROLL_RANGE));
    update();
  }
  // Page Down: the first line not wholly shown becomes the top, at least one line on; on the last page
  // (every line wholly shown) the page is laid out again where it is.
  void pageDown() {
    if (lines.empty()) return;
    size_t next = 0;
    while (next < lines.size() && lines[next].y + lines[next].height <= height())
      ++next;
    next = std::max<size_t>(next, 1);
    layoutFrom(next < lines.size() ? lines[next].offset : top());
  }
  uint64_t top() const { return lines.empty() ? 0 : lines.front().offset; }
  // The character under the point highlighted: the lines whose hover changed painted again.
  void hover(QPointF const& at) {
    const auto after = std::upper_bound(lines.begin(), lines.end(), at.y(),
                                        [](double y, PlainLine const& l) { return y < l.y; });
    if (after == lines.begin()) return;
    const size_t now = size_t(after - lines.begin()) - 1;
    const int index = lines[now].line.xToCursor(at.x() - LEFT, QTextLine::CursorOnCharacter);
    for (size_t i : {hovered, now})
      if (i < lines.size()) update(QRectF(0, lines[i].y, QWidget::width(), lines[i].height).toAlignedRect());
    hovered = now;
    hoveredIndex = index;
  }

protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.setPen(Qt::black);
    for (size_t i = 0; i < lines.size(); ++i) {
      PlainLine const& l = lines[i];
      if (!event->rect().intersects(QRectF(0, l.y, QWidget::width(), l.height).toAlignedRect())) continue;
      if (i == hovered) {
        const double x0 = l.line.cursorToX(hoveredIndex), x1 = l.line.cursorToX(hoveredIndex + 1);
        painter.fillRect(QRectF(LEFT + x0, l.y, x1 - x0, l.height), Qt::yellow);
      }
      l.line.draw(&painter, QPointF(LEFT, 0));
    }
  }

private:
  struct PlainLine {
    QTextLine line;
    uint64_t offset; // of its first byte in the document
    double y;
    double height;
  };
  static uint64_t utf8Length(QString const& text, int from, int length) {
    uint64_t bytes = 0;
    for (int i = from; i < from + length; ++i) {
      const char16_t u = text.at(i).unicode();
      bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : (u & 0xFC00) == 0xD800 ? 4 : (u & 0xFC00) == 0xDC00 ? 0 : 3;
    }
    return bytes;
  }

  TextDocument const& document;
  QFont font;
  QTextOption option;
  double width;
  QScrollBar* scroller;
  std::string bytes;
  std::vector<std::unique_ptr<QTextLayout>> layouts;
  std::vector<PlainLine> lines;
  size_t hovered = SIZE_MAX;
  int hoveredIndex = 0;
};

} // namespace qmbench
