#include "desktop-ui/qtlinebreaker.h"

#include "views/line.h"

#include <QTextOption>

#include <algorithm>

namespace {

// A chunk's QTextLayout, between beginLayout and endLayout while lines are taken from it.
class ChunkTypesetter : public LineBreaker::Typesetter {
public:
  ChunkTypesetter(const uint16_t* text, size_t length, QFont const& font)
      : layout(std::make_shared<QTextLayout>(QString(reinterpret_cast<const QChar*>(text), qsizetype(length)),
                                             font)) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    // Without it endLayout drops the shaped glyphs, and every glyph run, caret x and hit test of a line
    // shapes its text again.
    layout->setCacheEnabled(true);
    layout->beginLayout();
  }
  ~ChunkTypesetter() override { layout->endLayout(); }

  size_t suggestLineBreak(size_t, double width) override {
    current = layout->createLine();
    if (!current.isValid()) return 0;
    current.setLineWidth(width);
    return size_t(current.textLength());
  }

  std::shared_ptr<LineBreaker::TypesetLine> createLine(size_t, size_t length) override {
    if (current.isValid() && size_t(current.textLength()) != length) current.setNumColumns(int(length));
    return std::make_shared<QtLineBreaker::PlatformLine>(layout, current);
  }

private:
  std::shared_ptr<QTextLayout> layout;
  QTextLine current;
};

} // namespace

QtLineBreaker::PlatformLine::PlatformLine(std::shared_ptr<QTextLayout> layout, QTextLine line)
    : m_layout(std::move(layout)), m_line(line) {}

double QtLineBreaker::PlatformLine::ascent() const {
  return m_line.ascent();
}
double QtLineBreaker::PlatformLine::descent() const {
  return m_line.descent();
}
double QtLineBreaker::PlatformLine::leading() const {
  return m_line.leading();
}

double QtLineBreaker::PlatformLine::positionOfIndex(size_t index) const {
  return m_line.cursorToX(int(index));
}

size_t QtLineBreaker::PlatformLine::indexAtPosition(double x, bool boundary) const {
  const int first = m_line.textStart();
  const int end = first + m_line.textLength();
  int index =
      m_line.xToCursor(x, boundary ? QTextLine::CursorBetweenCharacters : QTextLine::CursorOnCharacter);
  if (!boundary && end > first) {
    index = std::clamp(index, first, end - 1);
    const QString text = m_layout->text();
    if (index > first && text.at(index).isLowSurrogate()) --index;
  }
  return size_t(std::max(index, 0));
}

struct QtLineBreaker::Impl {
  QFont font;
};

QtLineBreaker::QtLineBreaker() : impl(std::make_unique<Impl>()) {}
QtLineBreaker::~QtLineBreaker() = default;

void QtLineBreaker::setFont(QFont const& font) {
  impl->font = font;
}

QFont const& QtLineBreaker::font() const {
  return impl->font;
}

QtLineBreaker::PlatformLine const* QtLineBreaker::lineOf(Line const& line) {
  return dynamic_cast<PlatformLine const*>(line.info.get());
}

std::unique_ptr<LineBreaker::Typesetter> QtLineBreaker::typeset(const uint16_t* text, size_t length) {
  return std::make_unique<ChunkTypesetter>(text, length, impl->font);
}
