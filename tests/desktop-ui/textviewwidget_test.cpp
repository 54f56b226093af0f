#include "desktop-ui/textviewwidget.h"

#include "desktop-ui/lineglyphs.h"
#include "desktop-ui/menubuilder.h"
#include "desktop-ui/qtlinebreaker.h"
#include "documents/documentstate.h"
#include "documents/textdocument.h"
#include "support/textviewfixture.h"
#include "support/wordfixture.h"
#include "views/appearanceconfig.h"
#include "views/colourscheme.h"
#include "views/fontdescription.h"
#include "views/textviewcontroller.h"
#include "views/textviewdelegate.h"
#include "wordlists/wordlistmanager.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Real text of every kind of line: the corpus's CR LF paragraphs with "——" (one glyph for two characters)
// and Latin, traditional text, Latin that wraps at spaces, characters beyond U+FFFF, and lines of
// characters whose carets only cursorToX knows (a tab, a combining mark, an emoji, right-to-left text).
std::string mixedText() {
  std::string text =
      "天下——無雙，English words wrap here at a space, and more words that fill the line "
      "until it breaks there.   Then 中文 again——and again————.\n"
      "\xF0\xA0\x80\x80\xF0\xA0\x80\x81 beyond U+FFFF \xF0\xA0\x80\x82。\n"
      "a tab\there, e\xCC\x81 combining, an emoji \xF0\x9F\x98\x80, \xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA "
      "right to left.\n";
  for (const char* corpus : {"pku_test.utf8", "cityu_test.utf8"}) {
    std::istringstream lines(qmtest::readFile(qmtest::sharedDataDir() / "corpus" / corpus));
    int taken = 0;
    for (std::string line; taken < 25 && std::getline(lines, line);)
      if (line.find("——") != std::string::npos ||
          line.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos) {
        text += line + "\n";
        ++taken;
      }
  }
  return text;
}

using Calls = std::vector<std::string>;

class TextViewWidgetTest : public qmtest::TextViewFixture {
protected:
  void SetUp() override {
    TextViewFixture::SetUp();
    ColourScheme::Colours colours = ColourScheme::builtIn(ColourScheme::Light);
    for (auto [id, colour] : {std::pair{StyleId::Unknown, UNKNOWN},
                              {StyleId::Known, KNOWN},
                              {StyleId::Selection, SELECTION},
                              {StyleId::Hover, HOVER},
                              {StyleId::HoverUnknown, HOVER_UNKNOWN}})
      colours.background(id) = Colour(colour.red(), colour.green(), colour.blue());
    controller.setColourScheme(colours);
    widget.setMenuRunner([this](QMenu& menu, QPoint const&) {
      shown.clear();
      for (QAction* action : MenuBuilder::actions(menu))
        shown.push_back(action->isSeparator() ? "-" : action->text().toStdString());
      if (chosen.empty()) return;
      for (QAction* action : MenuBuilder::actions(menu))
        if (action->text().toStdString() == chosen) action->trigger();
    });
  }

  // The view point just inside the top-left corner of unit index of line, above the glyphs' ink.
  QPoint at(size_t line, uint64_t index) {
    Line const& l = layout().line(line);
    return QPointF(layout().leftMargin() + l.positionOfIndex(index) + 3, layout().topMargin() + l.y + 2)
        .toPoint();
  }
  void send(QEvent::Type type, QPointF point, Qt::MouseButton button = Qt::NoButton,
            Qt::MouseButtons buttons = Qt::NoButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, point, widget.mapToGlobal(point), button, buttons, modifiers);
    QApplication::sendEvent(&widget, &event);
  }
  static inline const QColor UNKNOWN{255, 220, 220};
  static inline const QColor KNOWN{220, 255, 220};
  static inline const QColor SELECTION{0, 128, 255};
  static inline const QColor HOVER{230, 230, 130};
  static inline const QColor HOVER_UNKNOWN{200, 160, 255};
  static inline const QColor NORMAL{255, 255, 255};

  Calls shown;        // the items of the last menu shown
  std::string chosen; // the item the menu runner chooses
};

} // namespace

// "中国人民\n我们的中国。abc\n": line 0 holds 中国 (unit 0) and 人民 (2); line 1 我们 (0), 的 (2, bytes
// 19-22), 中国 (3), 。 (5), abc (6).
TEST_F(TextViewWidgetTest, PixelsShowEachWordsBackground) {
  lists.current().add(Span("人民"));
  open(qmtest::WordFixture::TEXT);
  delegate().highlighter().setSelection(22, 19);
  send(QEvent::MouseMove, at(1, 3) + QPoint(5, 5));
  const int top0 = at(0, 0).y();
  const struct {
    const char* name;
    QPoint point;
    QColor colour;
  } cases[] = {
      {"unknown word", at(0, 0), UNKNOWN},
      {"known word", at(0, 2), KNOWN},
      {"selected word", at(1, 2), SELECTION},
      {"hovered unknown word", at(1, 3), HOVER_UNKNOWN},
      {"unknown letters", at(1, 6), UNKNOWN},
      {"punctuation", at(1, 5), NORMAL},
      {"right of the text", QPoint(int(widget.viewWidth()) - 5, top0), NORMAL},
      {"left margin", QPoint(10, top0), NORMAL},
      {"below the text", QPoint(300, widget.height() - 5), NORMAL},
  };
  QImage image = widget.grab().toImage();
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(image.pixelColor(c.point).name(), c.colour.name());
  }
  // The same word hovered when known.
  send(QEvent::MouseMove, at(0, 2) + QPoint(5, 5));
  EXPECT_EQ(widget.grab().toImage().pixelColor(at(0, 2)).name(), HOVER.name());
  // Glyphs are drawn, in the word's foreground: some pixel of 中国 on line 0 is the unknown red.
  bool red = false;
  for (int x = at(0, 0).x(); x < at(0, 2).x(); ++x)
    for (int y = top0; y < top0 + int(layout().line(0).height); ++y)
      red = red || image.pixelColor(x, y).name() == QColor(0xee, 0, 0).name();
  EXPECT_TRUE(red);
}

// Styles that share a foreground are drawn as one run: each word still shows its own style's colour, and
// a colour shared by two styles goes to both of them only.
TEST_F(TextViewWidgetTest, GlyphsShowTheirStylesForegroundWhereStylesShareOne) {
  lists.current().add(Span("人民"));
  const QColor green(0, 160, 0), blue(0, 0, 230), black(0, 0, 0);
  // Whether some pixel of units [from, to) of line 0 or 1 is exactly colour.
  const auto shows = [&](QImage const& image, size_t line, uint64_t from, uint64_t to, QColor const& colour) {
    Line const& l = layout().line(line);
    const int top = int(layout().topMargin() + l.y), bottom = int(layout().topMargin() + l.y + l.height);
    for (int x = int(layout().leftMargin() + l.positionOfIndex(from));
         x < int(layout().leftMargin() + l.positionOfIndex(to)); ++x)
      for (int y = top; y < bottom; ++y)
        if (image.pixelColor(x, y).name() == colour.name()) return true;
    return false;
  };
  for (bool shared : {true, false}) {
    SCOPED_TRACE(shared ? "known and unknown both green" : "unknown blue");
    ColourScheme::Colours colours = ColourScheme::builtIn(ColourScheme::Light);
    for (int id = 0; id < StyleId::COUNT; ++id) {
      colours.foreground(id) = Colour(0, 0, 0);
      colours.background(id) = Colour(255, 255, 255);
    }
    colours.foreground(StyleId::Known) = Colour(0, 160, 0);
    colours.foreground(StyleId::Unknown) = shared ? Colour(0, 160, 0) : Colour(0, 0, 230);
    controller.setColourScheme(colours);
    open(qmtest::WordFixture::TEXT);
    const QImage image = widget.grab().toImage();
    // Line 0: 中国 (unknown, units 0-1), 人民 (known, 2-3); line 1: 我们 (unknown, 0-1).
    EXPECT_TRUE(shows(image, 0, 2, 4, green));
    EXPECT_FALSE(shows(image, 0, 2, 4, blue));
    EXPECT_EQ(shows(image, 0, 0, 2, green), shared);
    EXPECT_EQ(shows(image, 0, 0, 2, blue), !shared);
    EXPECT_EQ(shows(image, 1, 0, 2, green), shared);
    EXPECT_FALSE(shows(image, 1, 0, 2, black));
  }
}

// Page by page through real text: every line's caret x's are cursorToX's, and the page drawn in one
// colour is what QTextLine::draw makes of the same lines: each glyph once ("——" too), in its place.
TEST_F(TextViewWidgetTest, PagesPaintAsQTextLayoutDrawsThem) {
  ColourScheme::Colours plain = ColourScheme::builtIn(ColourScheme::Light);
  for (int id = 0; id < StyleId::COUNT; ++id) {
    plain.foreground(id) = Colour(0, 0, 0);
    plain.background(id) = Colour(255, 255, 255);
  }
  controller.setColourScheme(plain);
  widget.resize(1000, 800);
  open(mixedText());
  size_t pages = 0, lines = 0;
  for (uint64_t last = UINT64_MAX; position() != last; controller.scrollPages(1), ++pages) {
    last = position();
    QApplication::processEvents();
    const QImage shown = widget.grab().toImage();
    QImage reference(shown.size(), shown.format());
    reference.fill(Qt::white);
    QPainter painter(&reference);
    painter.setPen(Qt::black);
    for (size_t i = 0; i < layout().lineCount(); ++i, ++lines) {
      Line const& line = layout().line(i);
      QTextLine const& qline = QtLineBreaker::lineOf(line)->line();
      std::vector<double> carets;
      for (uint64_t u = line.start; u <= line.end(); ++u)
        carets.push_back(qline.cursorToX(int(u - line.chunkStart)) - qline.x());
      ASSERT_EQ(LineGlyphs::of(line, *QtLineBreaker::lineOf(line)).unitX, carets)
          << "page " << pages << " line " << i;
      const double spacing = qline.ascent() + qline.descent() + qline.leading();
      qline.draw(&painter, QPointF(layout().leftMargin() - qline.x(),
                                   layout().topMargin() + line.y + (line.height - spacing) / 2 - qline.y()));
    }
    painter.end();
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < int(widget.viewWidth()); ++x)
        ASSERT_EQ(shown.pixel(x, y), reference.pixel(x, y)) << "page " << pages << " at " << x << ", " << y;
  }
  EXPECT_GT(lines, 150u);
}

TEST_F(TextViewWidgetTest, APartialRepaintFillsEachLineToTheScroller) {
  open(qmtest::WordFixture::TEXT);
  QImage image(widget.size(), QImage::Format_ARGB32);
  image.fill(Qt::magenta);
  const QRect right(int(widget.viewWidth()) - 120, 0, 100, widget.height());
  widget.render(&image, right.topLeft(), QRegion(right)); // the region drawn where it stands
  for (int y = 0; y < widget.height(); y += 7)
    EXPECT_EQ(image.pixelColor(right.center().x(), y).name(), NORMAL.name()) << y;
}

TEST_F(TextViewWidgetTest, WheelAndScrollerMoveThePage) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += qmtest::WordFixture::TEXT;
  open(text);
  QScrollBar* scroller = widget.scroller();
  EXPECT_TRUE(scroller->isEnabled());
  const auto wheel = [&](int notches) {
    const QPointF at(100, 100);
    QWheelEvent event(at, widget.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
  };
  wheel(-1); // turned towards the reader: down the text
  const uint64_t down = position();
  EXPECT_GT(down, 0u);
  EXPECT_GT(scroller->value(), 0);
  EXPECT_NE(delegate().currentWord().line, layout().lineCount()); // the hover follows the wheel
  wheel(2);
  EXPECT_EQ(position(), 0u);
  EXPECT_EQ(scroller->value(), 0);

  // A click in the track below the knob: a tenth of the scrollable bytes.
  scroller->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_NEAR(double(position()), double(widget.scrollableSize()) / 10, 1.0);
  EXPECT_NEAR(scroller->value(), TextViewWidget::SCROLL_RANGE / 10,
              double(TextViewWidget::SCROLL_RANGE) / double(widget.scrollableSize()));

  // No page known, or a page as large as the document: nothing to scroll and no wrapped size.
  widget.updateScrollPosition(5, UINT64_MAX, 100);
  EXPECT_EQ(widget.scrollableSize(), 0u);
  EXPECT_FALSE(scroller->isEnabled());
  widget.setScrollPosition(50);
  EXPECT_EQ(scroller->value(), 0);
  widget.updateScrollPosition(25, 51, 100);
  EXPECT_EQ(widget.scrollableSize(), 50u);
  EXPECT_EQ(scroller->value(), TextViewWidget::SCROLL_RANGE / 2);
  EXPECT_TRUE(scroller->isEnabled());
  open(qmtest::WordFixture::TEXT);
  EXPECT_FALSE(scroller->isEnabled());
  EXPECT_EQ(widget.scrollableSize(), 0u);
}

TEST_F(TextViewWidgetTest, DraggingAboveOrBelowScrollsAndExtendsTheSelection) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += qmtest::WordFixture::TEXT;
  open(text);
  controller.scrollTo(34 * 50);
  const QPointF start(100, 100);
  send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  const uint64_t anchor = delegate().highlighter().selectionAnchor();
  const struct {
    const char* name;
    double y;
    int direction;
  } drags[] = {{"above", -20, -1}, {"below", widget.height() + 20.0, 1}};
  for (auto const& d : drags) {
    SCOPED_TRACE(d.name);
    const uint64_t before = position();
    send(QEvent::MouseMove, QPointF(100, d.y), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(widget.dragScrollAmount(), d.direction);
    QTest::qWait(3 * TextViewWidget::DRAG_SCROLL_INTERVAL_MS);
    EXPECT_EQ(position() > before, d.direction > 0);
    EXPECT_NE(position(), before);
    const uint64_t edge = d.direction < 0
                              ? layout().topOffset()
                              : layout().offsetAt(*document, false, widget.viewWidth(), widget.height());
    EXPECT_EQ(delegate().highlighter().selectionEnd(), edge);
    EXPECT_EQ(delegate().highlighter().selectionAnchor(), anchor);
  }
  send(QEvent::MouseMove, start + QPointF(0, 60), Qt::NoButton, Qt::LeftButton); // inside: the timer stops
  EXPECT_EQ(widget.dragScrollAmount(), 0);
  const uint64_t stopped = position();
  QTest::qWait(2 * TextViewWidget::DRAG_SCROLL_INTERVAL_MS);
  EXPECT_EQ(position(), stopped);
  send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(widget.dragScrollAmount(), 0);
  EXPECT_EQ(application.calls, Calls{}); // a selection was made: no find on release
}

TEST_F(TextViewWidgetTest, ClicksMenusAndKeysReachTheController) {
  open(qmtest::WordFixture::TEXT);
  const QPointF word0 = at(0, 0) + QPoint(5, 5), word2 = at(0, 2) + QPoint(5, 5);
  chosen = "Show definition";
  send(QEvent::MouseButtonPress, word0, Qt::RightButton, Qt::RightButton);
  ASSERT_GE(shown.size(), 12u);
  EXPECT_EQ(shown[0], "Mark as known");
  EXPECT_EQ(shown[2], "Show definition");
  // Control and a left click is a right click; its release ends nothing.
  chosen = "Find next";
  send(QEvent::MouseButtonPress, word2, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
  send(QEvent::MouseButtonRelease, word2, Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
  EXPECT_EQ(std::exchange(application.calls, {}), (Calls{"showDefinition 中国", "findFromOffset 7 人民"}));

  // A plain click finds nothing (clears the search); a double click marks, with Shift defines.
  send(QEvent::MouseButtonPress, word0, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, word0, Qt::LeftButton, Qt::NoButton);
  send(QEvent::MouseButtonDblClick, word0, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseButtonDblClick, word2, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(std::exchange(application.calls, {}),
            (Calls{"findWord ", "markAsKnown 中国", "showDefinition 人民"}));

  // Keys: "d" below the hovered word's line, "l" and space, not Control-D.
  send(QEvent::MouseMove, word0);
  QTest::keyClick(&widget, Qt::Key_D);
  QTest::keyClick(&widget, Qt::Key_L);
  QTest::keyClick(&widget, Qt::Key_Space);
  QTest::keyClick(&widget, Qt::Key_D, Qt::ControlModifier);
  Line const& line = layout().line(0);
  const QPointF below = widget.mapToGlobal(QPointF(word0.x(), layout().topMargin() + line.y + line.height));
  char point[64];
  std::snprintf(point, sizeof point, "%g,%g", below.x(), below.y());
  EXPECT_EQ(application.calls, (Calls{std::string("showDefinition 中国 ") + point, "markAsKnown 人民"}));
}

TEST_F(TextViewWidgetTest, FontsKeepToTheReadingRange) {
  open(qmtest::WordFixture::TEXT);
  const double lineHeight = layout().line(0).height;
  FontDescription chosen{"No Such Family", 100};
  widget.formatFont(chosen);
  EXPECT_EQ(chosen.size, AppearanceConfig::MAX_FONT_SIZE);
  EXPECT_EQ(chosen.name, AppearanceConfig::DEFAULT_FONT);
  EXPECT_GT(layout().line(0).height, lineHeight); // laid out again in the new size
  widget.increaseFont();
  EXPECT_EQ(widget.fontSize(), AppearanceConfig::MAX_FONT_SIZE);
  widget.decreaseFont();
  EXPECT_EQ(widget.fontSize(), AppearanceConfig::MAX_FONT_SIZE - 1);
  chosen.size = 8;
  widget.formatFont(chosen);
  EXPECT_EQ(chosen.size, AppearanceConfig::MIN_FONT_SIZE);
  widget.resetFont();
  EXPECT_EQ(widget.fontSize(), TextViewWidget::RESET_FONT_SIZE);
}
