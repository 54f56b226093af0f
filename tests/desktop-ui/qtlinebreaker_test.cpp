#include "desktop-ui/qtlinebreaker.h"

#include "desktop-ui/fontutils.h"
#include "display/documentmap.h"
#include "documents/textdocument.h"
#include "support/tempdir.h"
#include "views/layout.h"

#include <QTextLayout>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

// 5,000 UTF-16 units of the corpus's Chinese, one paragraph, with a character above U+FFFF across the first
// chunk's cut (units 1023 and 1024).
std::string paragraphOf5000Units() {
  std::ifstream corpus(qmtest::sharedDataDir() / "corpus" / "pku_test.utf8", std::ios::binary);
  std::string text, line;
  size_t units = 0;
  while (units < 5000 && std::getline(corpus, line)) {
    for (size_t i = 0; i < line.size() && units < 5000;) {
      const auto lead = static_cast<unsigned char>(line[i]);
      const size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      if (lead >= 0xE0 && lead < 0xF0) { // three-byte characters only: one unit each
        text += line.substr(i, n);
        if (++units == 1023) {
          text += "\xF0\xA0\x80\x80"; // U+20000
          units += 2;
        }
      }
      i += n;
    }
  }
  return text;
}

TEST(QtLineBreakerTest, ChunkedBreaksEqualOneLayoutOfTheParagraph) {
  qmtest::TempDir dir;
  qmtest::writeFile(dir / "doc.txt", paragraphOf5000Units());
  TextDocument document((dir / "doc.txt").c_str());
  DocumentMap map;
  map.setMode(Lexoscope::Utf16);
  QtLineBreaker breaker;
  breaker.setFont(FontUtils::font("Noto Serif CJK SC", 18));
  Layout layout(map, breaker);
  layout.setMargins(25, 0, 25, 0);
  layout.setViewSize(1000, 1e6);
  layout.layoutFrom(document, 0);
  ASSERT_GT(layout.lineCount(), 50u);

  const Line& first = layout.line(0);
  const QString whole(reinterpret_cast<const QChar*>(first.text), qsizetype(first.paragraphEnd));
  ASSERT_EQ(whole.size(), 5000);
  ASSERT_TRUE(whole.at(1023).isHighSurrogate());
  QTextLayout reference(whole, breaker.font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  reference.setTextOption(option);
  std::vector<uint64_t> expected, starts, chunkStarts;
  reference.beginLayout();
  for (QTextLine line = reference.createLine(); line.isValid(); line = reference.createLine()) {
    line.setLineWidth(950);
    expected.push_back(uint64_t(line.textStart()));
  }
  reference.endLayout();

  for (size_t i = 0; i < layout.lineCount(); ++i) {
    const Line& line = layout.line(i);
    starts.push_back(line.start);
    if (chunkStarts.empty() || chunkStarts.back() != line.chunkStart) chunkStarts.push_back(line.chunkStart);
    EXPECT_LE(line.end() - line.chunkStart, LineBreaker::CHUNK);
    EXPECT_FALSE(whole.at(qsizetype(line.start)).isLowSurrogate()) << line.start;
    ASSERT_NE(QtLineBreaker::lineOf(line), nullptr);
    EXPECT_NEAR(line.height, 1.5 * (27.625 + 6.859375), 0.5);
  }
  EXPECT_EQ(starts, expected);
  EXPECT_GE(chunkStarts.size(), 5u);

  // Hit tests go through the chunk's own numbering.
  const Line& later = layout.line(layout.lineCount() / 2);
  const double x = later.positionOfIndex(3);
  EXPECT_EQ(later.indexAtPosition(x + 1, false), later.start + 3);
  EXPECT_EQ(later.indexAtPosition(x - 1, true), later.start + 3);
  // Right of the short last line's text no glyph lies: the line's end, as beyond the wrap width.
  const Line& last = layout.line(layout.lineCount() - 1);
  const double textEnd = last.positionOfIndex(last.length);
  ASSERT_LT(textEnd + 2, last.width);
  EXPECT_EQ(last.indexAtPosition(textEnd - 1, false), last.end() - 1);
  EXPECT_EQ(last.indexAtPosition(textEnd + 1, false), last.end());
  EXPECT_EQ(last.indexAtPosition(textEnd + 1, true), last.end());
}

} // namespace
