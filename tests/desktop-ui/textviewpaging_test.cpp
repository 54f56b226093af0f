// Paging and rewrapping with real Qt layouts: Page Down and Page Up, pressed as keys, at view heights that
// leave a share of a line over and at one that does not, must show every line of the document whole on some
// page, never stand still before the end, and retrace their steps; a rewrap keeps the text at the top in
// view.
#include "display/documentmap.h"
#include "display/lexoscope.h"
#include "support/textviewfixture.h"

#include <QApplication>
#include <QTest>

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
