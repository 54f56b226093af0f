// Paging and rewrapping with real Qt layouts: Page Down and Page Up, pressed as keys, at view heights that
// leave a share of a line over and at one that does not, must show every line of the document whole on some
// page, never stand still before the end, and retrace their steps; a rewrap keeps the text at the top in
// view; in paragraphs longer than the document's reader takes in at once, every way to the end ends on the
// same last page.
#include "display/documentmap.h"
#include "display/lexoscope.h"
#include "support/textviewfixture.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// 400 numbered paragraphs of one line each.
std::string numberedLines() {
  std::string text;
  for (int i = 0; i < 400; ++i)
    text += "第" + std::to_string(i) + "行：今天天气很好。\n";
  return text;
}

// The corpus's long paragraphs, each wrapping into several lines.
std::string wrappedParagraphs() {
  std::istringstream lines(qmtest::readFile(qmtest::sharedDataDir() / "corpus/pku_test.utf8"));
  std::string text;
  for (std::string line; text.size() < 30000 && std::getline(lines, line);)
    if (line.size() > 200) text += line + "\n";
  return text;
}

// The corpus's text from its start with its line ends taken out, as texts saved from web pages often hold
// it: paragraphs of bytes each (cut at a character), count of them.
std::string longParagraphs(size_t bytes, int count) {
  const std::string corpus = qmtest::readFile(qmtest::sharedDataDir() / "corpus/pku_test.utf8");
  std::string text, paragraph;
  for (char c : corpus) {
    if (c == '\r' || c == '\n') continue;
    // A paragraph ends before the character that would take it past bytes.
    if (paragraph.size() >= bytes && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      text += paragraph + "\n";
      paragraph.clear();
      if (--count == 0) break;
    }
    paragraph += c;
  }
  return text;
}

// A line of the page by its byte range.
struct Span64 {
  uint64_t start, end;
  bool operator==(Span64 const&) const = default;
};

class TextViewPagingTest : public qmtest::TextViewFixture {
protected:
  void resize(int width, int height) {
    widget.resize(width, height);
    QApplication::processEvents();
  }
  void press(Qt::Key key) { QTest::keyClick(&widget, key); }

  void wheel(int pixels) {
    const QPointF at(100, 100);
    QWheelEvent event(at, widget.mapToGlobal(at), QPoint(0, pixels), QPoint(0, pixels), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
  }
  // Presses Page Down until the position stops; false when it moved back or never stopped.
  bool pageDownToTheEnd() {
    for (int i = 0; i < 1000; ++i) {
      const uint64_t before = position();
      press(Qt::Key_PageDown);
      if (position() == before) return true;
      if (position() < before) return false;
    }
    return false;
  }
  // Every line of the page shows the document's text at its byte offsets.
  void expectShownAsInText(std::string const& text) {
    for (size_t i = 0; i < layout().lineCount(); ++i) {
      Line const& line = layout().line(i);
      const QString shown = QString::fromUtf16(reinterpret_cast<const char16_t*>(line.text + line.start),
                                               qsizetype(line.length));
      ASSERT_EQ(shown.toStdString(), text.substr(line.byteOffset, line.endOffset() - line.byteOffset));
    }
  }

  // The page's lines wholly in the view, top to bottom.
  std::vector<Span64> wholeLines() {
    std::vector<Span64> out;
    for (size_t i = 0; i < layout().lineCount(); ++i) {
      Line const& line = layout().line(i);
      const double top = layout().topMargin() + line.y;
      if (top >= 0 && top + line.height <= widget.viewHeight() + 1e-6)
        out.push_back({line.byteOffset, line.endOffset()});
    }
    return out;
  }
  // Every line of the document at the view's width, as one page tall enough for all of them lays it out.
  std::vector<uint64_t> allLines() {
    Lexoscope lexoscope(lists, fixture.engine, Lexoscope::Utf16);
    DocumentMap map;
    map.setLexoscope(&lexoscope);
    Layout whole(map, widget.lineBreaker());
    whole.setMargins(layout().leftMargin(), 0, 25, 0);
    whole.setViewSize(widget.viewWidth(), 1e9);
    whole.layoutFrom(*document, 0);
    std::vector<uint64_t> out;
    for (size_t i = 0; i < whole.lineCount(); ++i)
      out.push_back(whole.line(i).byteOffset);
    return out;
  }
};

} // namespace

TEST_F(TextViewPagingTest, PageStepsShowEveryLineWholeDownAndUp) {
  const std::pair<const char*, std::string> texts[] = {{"numbered lines", numberedLines()},
                                                       {"wrapped paragraphs", wrappedParagraphs()}};
  for (auto const& [name, text] : texts) {
    controller.setLineSpacing(1.5);
    open(text);
    const double natural = layout().line(0).height;
    // Six lines and a half, nearly seven, a sliver more than six; then exactly six lines of a whole height.
    for (double rows : {6.5, 6.9, 6.1, 6.0}) {
      const bool exact = rows == 6.0;
      SCOPED_TRACE(std::string(name) + ", " + std::to_string(rows) + " lines a view");
      controller.setLineSpacing(exact ? 1.5 * std::round(natural) / natural : 1.5);
      const double height = exact ? std::round(natural) : natural;
      resize(600, int(std::lround(rows * height)));
      controller.scrollTo(0);
      const std::vector<uint64_t> all = allLines();
      ASSERT_GT(all.size(), 100u);
      const auto index = [&](uint64_t offset) {
        return size_t(std::lower_bound(all.begin(), all.end(), offset) - all.begin());
      };

      // Down to the end: each step's top is the line that was cut off or not shown below the last whole one.
      std::set<uint64_t> seen;
      std::vector<uint64_t> tops{position()};
      bool lastStepShort = false;
      for (;;) {
        const std::vector<Span64> shown = wholeLines();
        ASSERT_FALSE(shown.empty());
        for (Span64 const& line : shown)
          seen.insert(line.start);
        press(Qt::Key_PageDown);
        if (position() == tops.back()) break;
        ASSERT_GT(position(), tops.back()) << "step " << tops.size();
        const size_t cut = index(shown.back().start) + 1;
        ASSERT_LT(cut, all.size());
        lastStepShort = position() != all[cut];
        if (lastStepShort) {
          EXPECT_LT(position(), all[cut]) << "a line skipped at step " << tops.size();
          EXPECT_EQ(wholeLines().back().start, all.back()) << "only the last page may step short";
        }
        tops.push_back(position());
      }
      EXPECT_EQ(seen, std::set<uint64_t>(all.begin(), all.end()));
      EXPECT_EQ(wholeLines().back().start, all.back());

      // Up from the end: each step shows the line above the old top whole, as the page's last line.
      seen.clear();
      for (Span64 const& line : wholeLines())
        seen.insert(line.start);
      while (position() > 0) {
        const uint64_t old = position();
        press(Qt::Key_PageUp);
        ASSERT_LT(position(), old);
        const std::vector<Span64> shown = wholeLines();
        ASSERT_FALSE(shown.empty());
        // At the document's start the page may hold more than the lines above the old top.
        const auto above = std::find_if(shown.begin(), shown.end(), [&](Span64 const& line) {
          return line.start == all[index(old) - 1];
        });
        ASSERT_NE(above, shown.end()) << "the line above the old top shown whole";
        if (position() > 0) {
          EXPECT_EQ(above + 1, shown.end());
        }
        for (Span64 const& line : shown)
          seen.insert(line.start);
      }
      EXPECT_EQ(seen, std::set<uint64_t>(all.begin(), all.end()));

      // From a top that paging down reached in full steps, paging up passes through the same tops.
      const size_t from = tops.size() - (lastStepShort ? 2 : 1);
      controller.scrollTo(tops[from]);
      for (size_t i = from; i-- > 0;) {
        press(Qt::Key_PageUp);
        ASSERT_EQ(position(), tops[i]) << "page " << i;
      }
    }
  }
}

// After three pages down the window is narrowed and widened, a step at a time and at once: the words that
// stood at the top stay wholly in view, and back at its first width the page is where it was.
TEST_F(TextViewPagingTest, ARewrapKeepsTheTopTextInView) {
  resize(1200, 800);
  open(wrappedParagraphs());
  for (int i = 0; i < 3; ++i)
    press(Qt::Key_PageDown);
  const uint64_t top = position();
  const uint64_t topLineEnd = layout().line(0).endOffset();
  ASSERT_EQ(layout().pixelOffset(), 0.0);
  std::vector<int> widths{900, 1200};
  for (int w = 1190; w >= 700; w -= 10)
    widths.push_back(w);
  for (int w = 710; w <= 1200; w += 10)
    widths.push_back(w);
  for (int width : widths) {
    SCOPED_TRACE(width);
    resize(width, 800);
    const std::vector<Span64> shown = wholeLines();
    ASSERT_FALSE(shown.empty());
    EXPECT_LE(shown.front().start, top);
    EXPECT_GE(shown.back().end, topLineEnd);
    EXPECT_EQ(layout().pixelOffset(), 0.0);
  }
  EXPECT_EQ(position(), top);
}

// Paragraphs longer than the reader takes in at once: the last page begins at the same line however the view
// gets there (Page Down, the wheel, the scroller, a resize), with the last line whole; Page Down at the end
// changes nothing, no page step moves the view back, and paging down and up shows every line once.
TEST_F(TextViewPagingTest, LongParagraphsPageToTheSameLastPage) {
  const std::pair<const char*, std::string> texts[] = {
      {"one paragraph of 60 KB", longParagraphs(60000, 1)},
      {"four paragraphs of 14 KB", longParagraphs(14000, 4)}};
  for (auto const& [name, text] : texts) {
    ASSERT_GT(text.size(), 56000u);
    bool first = true;
    // Smaller each time, so that after a resize at the end the last page's top lies further on.
    for (auto [width, height] : {std::pair{1300, 955}, {986, 777}, {800, 600}, {700, 500}}) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(width) + " x " + std::to_string(height));
      resize(width, height);
      uint64_t resized = 0;
      if (!first) {
        ASSERT_TRUE(pageDownToTheEnd()) << "from the top kept by the resize";
        resized = layout().topOffset();
      }

      // Opened at this size and paged down from the top: the last page ends with the text's last line, whole.
      open(text);
      std::vector<Span64> seen;
      for (uint64_t before = UINT64_MAX; position() != before;) {
        before = position();
        expectShownAsInText(text);
        const std::vector<Span64> shown = wholeLines();
        seen.insert(seen.end(), shown.begin(), shown.end());
        press(Qt::Key_PageDown);
        ASSERT_GE(position(), before);
      }
      const uint64_t last = layout().topOffset();
      EXPECT_EQ(layout().pixelOffset(), 0.0);
      EXPECT_EQ(wholeLines().back().end, text.size() - 1) << "the last line whole";
      if (!first) {
        EXPECT_EQ(resized, last);
      }
      first = false;
      // Every line of the text shown whole, none overlapping another.
      std::sort(seen.begin(), seen.end(), [](Span64 a, Span64 b) { return a.start < b.start; });
      seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
      EXPECT_EQ(seen.front().start, 0u);
      for (size_t i = 1; i < seen.size(); ++i) {
        const uint64_t next = seen[i - 1].end + (text[seen[i - 1].end] == '\n' ? 1 : 0);
        ASSERT_EQ(seen[i].start, next) << "line " << i;
      }

      // A line as paging down showed it.
      const auto paged = [&](Span64 line) {
        const auto at = std::lower_bound(seen.begin(), seen.end(), line,
                                         [](Span64 a, Span64 b) { return a.start < b.start; });
        return at != seen.end() && *at == line;
      };

      // Up from the end: each step ends its page with the line above the old top, to the text's start.
      std::vector<Span64> seenUp = wholeLines();
      while (position() > 0) {
        const uint64_t old = position();
        press(Qt::Key_PageUp);
        ASSERT_LT(position(), old);
        const std::vector<Span64> shown = wholeLines();
        const auto above = std::find_if(shown.begin(), shown.end(), [&](Span64 l) {
          return l.end == old || (l.end == old - 1 && text[l.end] == '\n');
        });
        ASSERT_NE(above, shown.end());
        if (position() > 0) {
          EXPECT_EQ(above + 1, shown.end()) << "the line above the old top ends the page";
        }
        seenUp.insert(seenUp.end(), shown.begin(), shown.end());
      }
      std::sort(seenUp.begin(), seenUp.end(), [](Span64 a, Span64 b) { return a.start < b.start; });
      seenUp.erase(std::unique(seenUp.begin(), seenUp.end()), seenUp.end());
      EXPECT_EQ(seenUp, seen);

      // The wheel, two lines and a share of one a step: the lines paging showed, the same last top (its
      // first line may slide up past the edge, at most its own height), and Page Down there changes nothing.
      controller.scrollTo(0);
      for (uint64_t before = UINT64_MAX; position() != before;) {
        before = position();
        wheel(-120);
        for (Span64 const& line : wholeLines())
          ASSERT_TRUE(paged(line)) << line.start << "-" << line.end << " as paging showed it";
      }
      EXPECT_EQ(layout().topOffset(), last);
      EXPECT_EQ(wholeLines().back().end, text.size() - 1);
      const uint64_t wheeled = position();
      press(Qt::Key_PageDown);
      EXPECT_EQ(position(), wheeled);
      EXPECT_EQ(layout().topOffset(), last);

      // The scroller dragged to its end.
      controller.scrollTo(0);
      widget.scroller()->triggerAction(QAbstractSlider::SliderToMaximum);
      EXPECT_EQ(layout().topOffset(), last);
      EXPECT_EQ(wholeLines().back().end, text.size() - 1);
      press(Qt::Key_PageDown);
      EXPECT_EQ(layout().topOffset(), last);
    }
  }
}
