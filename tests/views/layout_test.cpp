#include "views/layout.h"

#include "display/documentmap.h"
#include "display/lexoscope.h"
#include "documents/textdocument.h"
#include "support/fakelinebreaker.h"
#include "support/tempdir.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qmtest::FakeLineBreaker;

// With line spacing 1 every line is 10 pixels high and every character 10 wide: a view of 10 * c + 50 by
// 10 * r holds r lines of c characters between the margins of 25.
constexpr double LINE = FakeLineBreaker::ASCENT + FakeLineBreaker::DESCENT;

// Words of letters only, so that each is one token: paragraph k holds "Ka Kb Kc" with K two letters.
std::string wordsParagraph(int k) {
  const std::string base{char('a' + k / 26 % 26), char('a' + k % 26)};
  return base + "a " + base + "b " + base + "c\n";
}

class LayoutTest : public testing::Test {
protected:
  void SetUp() override {
    map.setLexoscope(&lexoscope);
    breaker.setLineSpacing(1.0);
    layout.setMargins(25, 0, 25, 0);
  }

  TextDocument& open(std::string const& text) {
    qmtest::writeFile(dir / "doc.txt", text);
    document = std::make_unique<TextDocument>((dir / "doc.txt").c_str());
    layout.reset();
    return *document;
  }
  void view(int columns, int rows) {
    layout.setViewSize(FakeLineBreaker::ADVANCE * columns + 50, LINE * rows);
  }

  // The page as (byte offset, units) per line.
  std::vector<std::pair<uint64_t, uint64_t>> page() const {
    std::vector<std::pair<uint64_t, uint64_t>> out;
    for (size_t i = 0; i < layout.lineCount(); ++i)
      out.emplace_back(layout.line(i).byteOffset, layout.line(i).length);
    return out;
  }
  std::string word(Layout::Hit const& hit) const {
    char buffer[64];
    size_t length = sizeof buffer;
    uint64_t offset = 0;
    bool isWord = false;
    layout.wordSpan(hit, offset, isWord, buffer, length);
    return std::string(buffer, length);
  }
  // A caret on the first word of the page.
  Layout::Hit firstWord() const { return layout.hitTest(25 + 1, 1); }

  qmtest::TempDir dir;
  WordHash master{10, nullptr, true};
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, master};
  WordListManager lists{dir.str().c_str()};
  Lexoscope lexoscope{lists, engine, Lexoscope::Utf16};
  DocumentMap map;
  FakeLineBreaker breaker;
  Layout layout{map, breaker};
  std::unique_ptr<TextDocument> document;
};

using Page = std::vector<std::pair<uint64_t, uint64_t>>;

TEST_F(LayoutTest, PagesHoldTheViewAndOneLineMore) {
  // A paragraph of 25, an empty one, one ending in CR LF (the CR is not laid out), then more.
  TextDocument& doc = open("abcdefghijklmnopqrstuvwxy\n\nxyz\r\nlast one\n");
  view(10, 4);
  layout.layoutFrom(doc, 0);
  EXPECT_EQ(page(), (Page{{0, 10}, {10, 10}, {20, 5}, {26, 0}, {27, 3}}));
  EXPECT_EQ(layout.line(4).y, 4 * LINE);
  EXPECT_EQ(layout.line(4).height, LINE);

  const struct {
    uint64_t offset;
    Page expected;
  } froms[] = {
      {15, {{10, 10}, {20, 5}, {26, 0}, {27, 3}, {32, 8}}}, // the line holding the offset comes first
      {25, {{26, 0}, {27, 3}, {32, 8}}},                    // a line end belongs to no line: the next one
      {29, {{27, 3}, {32, 8}}},
      {41, {{32, 8}}}, // the document's size: its last line
  };
  for (auto const& from : froms) {
    SCOPED_TRACE(from.offset);
    layout.layoutFrom(doc, from.offset);
    EXPECT_EQ(page(), from.expected);
  }

  // A view narrower than its margins still takes one character a line (a surrogate pair whole), and a view
  // without height lays out nothing.
  TextDocument& narrow = open("\xF0\x9F\x98\x80"
                              "ab");
  layout.setViewSize(30, 2 * LINE);
  layout.layoutFrom(narrow, 0);
  EXPECT_EQ(page(), (Page{{0, 2}, {4, 1}, {5, 1}}));
  layout.setViewSize(100, 0);
  layout.layoutFrom(narrow, 0);
  EXPECT_EQ(layout.lineCount(), 0u);
}

TEST_F(LayoutTest, LongParagraphsBreakInChunksAsOneLayout) {
  // 5,000 units with a surrogate pair across the first chunk's cut (units 1023 and 1024).
  std::string text = std::string(1023, 'a') + "\xF0\x9F\x98\x80" + std::string(3975, 'b');
  TextDocument& doc = open(text);
  view(7, 1000);
  layout.layoutFrom(doc, 0);
  EXPECT_EQ(breaker.chunks.front(), 1023u); // the pair is left whole for the next chunk
  std::vector<uint64_t> starts, expected;
  for (size_t i = 0; i < layout.lineCount(); ++i) {
    Line const& line = layout.line(i);
    starts.push_back(line.start);
    EXPECT_LE(line.end() - line.chunkStart, LineBreaker::CHUNK);
  }
  // One layout of the whole paragraph: 7 characters a line, the pair one character.
  for (uint64_t unit = 0, characters = 0; unit < 5000; unit += unit == 1023 ? 2 : 1, ++characters)
    if (characters % 7 == 0) expected.push_back(unit);
  EXPECT_EQ(starts, expected);
  EXPECT_GE(breaker.chunks.size(), 5u);

  // So wide that a chunk's first line takes all of it: the cut before the pair ends a line.
  layout.setViewSize(20000, LINE * 10);
  layout.layoutFrom(doc, 0);
  EXPECT_EQ(page(), (Page{{0, 1023}, {1023, 1024}, {2049, 1024}, {3073, 1024}, {4097, 905}})); // bytes
}

TEST_F(LayoutTest, HitTestsAndOffsets) {
  TextDocument& doc = open("alpha beta gamma\n中国人 ok\nend");
  master.add(Span("中国人"));
  map.reanalyse();
  view(10, 3);
  layout.layoutFrom(doc, 0); // "alpha beta", " gamma", "中国人 ok", "end"
  ASSERT_EQ(page(), (Page{{0, 10}, {10, 6}, {17, 6}, {30, 3}}));

  const struct {
    double x, y;
    uint64_t line, startOffset, endOffset;
    std::string word;
  } hits[] = {
      {25 + 1, 1, 0, 0, 5, "alpha"},     {25 + 55, 5, 0, 5, 6, ""}, // the space: a token, no word
      {25 + 65, 9, 0, 6, 10, "beta"},    {25 + 15, 12, 1, 11, 16, "gamma"},
      {25 + 59, 12, 1, 11, 16, "gamma"}, // on the line's last glyph
      {25 + 60, 12, 1, 0, 0, ""},        // right of the line's text: no glyph there, so no word
      {25 + 105, 12, 1, 0, 0, ""},       // beyond the wrap width: no token
      {25 + 1, 21, 2, 17, 26, "中国人"}, {25 + 1, 45, 4, 0, 0, ""}, // below the last line
      {25 + 1, -1, 4, 0, 0, ""},                                    // above the first
      {25 - 1, 1, 0, 0, 0, ""},          {0, 21, 2, 0, 0, ""}, // the left margin: no glyph there, so no word
  };
  for (auto const& h : hits) {
    SCOPED_TRACE(h.word + " at " + std::to_string(h.x) + "," + std::to_string(h.y));
    const Layout::Hit hit = layout.hitTest(h.x, h.y);
    EXPECT_EQ(hit.line, h.line);
    EXPECT_EQ(hit.startOffset, h.startOffset);
    EXPECT_EQ(hit.endOffset, h.endOffset);
    EXPECT_EQ(word(hit), h.word);
  }
  // A word cut to the buffer keeps whole characters.
  const Layout::Hit chinese = layout.hitTest(25 + 1, 21);
  char small[5];
  size_t length = sizeof small;
  uint64_t offset = 0;
  bool isWord = false;
  EXPECT_EQ(layout.wordSpan(chinese, offset, isWord, small, length), 7); // unknown
  EXPECT_EQ(std::string(small, length), "中");
  EXPECT_TRUE(isWord);
  EXPECT_EQ(offset, 17u);

  const struct {
    bool boundary;
    double x, y;
    uint64_t offset;
  } points[] = {
      {true, 25 + 14, 5, 1},    {false, 25 + 14, 5, 1},   {true, 25 + 16, 5, 2},
      {false, 25 + 16, 5, 1},   {true, 25 + 500, 5, 10},  // beyond the wrap width: the line's end
      {true, 25 + 75, 12, 16},  {false, 25 + 75, 12, 16}, // right of the line's text: its end too
      {false, 25 + 59, 12, 15},                           // its last character
      {true, 25 + 16, -30, 0},                            // above the text: the first line at x = 0
      {true, 0, 99, 33},                                  // below the last line: its end
      {false, 25 + 11, 21, 20}, {false, 5, 12, 10},       // the margin: its line's first character
  };
  for (auto const& p : points) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    EXPECT_EQ(layout.offsetAt(doc, p.boundary, p.x, p.y), p.offset);
  }

  // An offset off the page lays the page out from it.
  layout.layoutFrom(doc, 30);
  const Layout::Hit back = layout.hitAtOffset(doc, 12);
  EXPECT_EQ(layout.topOffset(), 10u);
  EXPECT_EQ(word(back), "gamma");
  EXPECT_EQ(back.x, 10.0);
}

TEST_F(LayoutTest, CaretWalksAcrossParagraphsAndScrolls) {
  std::string text;
  std::vector<std::string> words;
  for (int k = 0; k < 12; ++k) {
    text += wordsParagraph(k);
    for (char c : {'a', 'b', 'c'})
      words.push_back(wordsParagraph(k).substr(0, 2) + c);
  }
  TextDocument& doc = open(text);
  view(12, 4);
  layout.lastPageSize(doc);
  layout.layoutFrom(doc, 0);

  const auto visible = [&](Layout::Hit const& hit) {
    return layout.topMargin() + hit.y >= 0 && layout.topMargin() + hit.y + hit.height <= 4 * LINE;
  };
  // Each step reaches the next word in its direction, scrolled into view; the ends keep the caret.
  using Step = Layout::Hit (Layout::*)(TextDocument const&, Layout::Hit const&);
  const auto walk = [&](Step step, Layout::Hit caret, int from, int by, int to) -> Layout::Hit {
    for (int i = from + by; i != to + by; i += by) {
      caret = (layout.*step)(doc, caret);
      EXPECT_EQ(word(caret), words[i]) << i;
      EXPECT_TRUE(visible(caret)) << i;
    }
    EXPECT_EQ(word((layout.*step)(doc, caret)), words[to]);
    return caret;
  };
  walk(&Layout::wordLeft, walk(&Layout::wordRight, firstWord(), 0, 1, 35), 35, -1, 0);
  EXPECT_EQ(layout.topOffset(), 0u);
  // Down and up keep to the column: from each paragraph's middle word to the next one's.
  walk(&Layout::wordUp, walk(&Layout::wordDown, layout.wordRight(doc, firstWord()), 1, 3, 34), 34, -3, 1);

  // Off any word in the column: the nearer word, the one after on a tie.
  TextDocument& gaps = open("aaaaaaa bb\nccccc    d\ncccccccc   e\n");
  layout.layoutFrom(gaps, 0);
  Layout::Hit caret = layout.hitTest(25 + 85, 1);
  ASSERT_EQ(word(caret), "bb");
  for (std::string expected : {"d", "cccccccc"}) {
    caret = layout.wordDown(gaps, caret);
    EXPECT_EQ(word(caret), expected);
  }
}

TEST_F(LayoutTest, ScrollsByLinesAndPixels) {
  // A paragraph 300 lines long, then paragraphs of two lines ("aaa aab aa", "c") of 12 bytes each.
  std::string text = std::string(3000, 'x') + "\n";
  for (int k = 0; k < 20; ++k)
    text += wordsParagraph(k);
  TextDocument& doc = open(text);
  const uint64_t size = text.size();
  view(10, 5);
  EXPECT_EQ(layout.lastPageSize(doc), 26u + 1); // the last two paragraphs and the last line of the third
  layout.layoutFrom(doc, 0);

  EXPECT_EQ(layout.scrollLines(doc, 2), 20u);
  EXPECT_EQ(layout.scrollLines(doc, -1), 10u);
  EXPECT_EQ(layout.scrollLines(doc, -3), 0u);
  // Deep inside the long paragraph, far more than ten views down, the line above is the one just above.
  layout.layoutFrom(doc, 2500);
  EXPECT_EQ(layout.scrollLines(doc, -1), 2490u);
  EXPECT_EQ(layout.scrollLines(doc, 5), 2540u);
  EXPECT_EQ(layout.scrollLines(doc, 6), 2540u); // the page holds 6 lines: no change
  // Across the paragraph's end, in both directions, and never past the last page.
  layout.layoutFrom(doc, 2990);
  EXPECT_EQ(layout.scrollLines(doc, 2), 3011u);
  EXPECT_EQ(layout.scrollLines(doc, -2), 2990u);
  layout.layoutFrom(doc, size - 40);
  EXPECT_EQ(layout.scrollLines(doc, 5), size - 26);

  // Pixels: inside a line only the pixel offset moves, and the position moves on inside the first line.
  layout.layoutFrom(doc, 0);
  EXPECT_EQ(layout.scrollBy(doc, 4), 4u);
  EXPECT_EQ(layout.pixelOffset(), 4.0);
  EXPECT_EQ(layout.topMargin(), -4.0);
  EXPECT_EQ(layout.scrollBy(doc, 25), 20u + 9); // two whole lines scrolled, 9 pixels into the third
  EXPECT_EQ(layout.topOffset(), 20u);
  EXPECT_EQ(layout.scrollBy(doc, -14), 10u + 5);
  EXPECT_EQ(layout.scrollBy(doc, -100), 0u); // the top stops the scroll
  EXPECT_EQ(layout.pixelOffset(), 0.0);
  // Upwards out of the short paragraphs into the long one, far below its start.
  layout.layoutFrom(doc, 3013);
  EXPECT_EQ(layout.scrollBy(doc, -25), 2990u + 5);
  EXPECT_EQ(layout.topOffset(), 2990u);
  // Downwards the top stops at the last page, the pixel offset at the last line's height.
  layout.layoutFrom(doc, 3100);
  layout.scrollBy(doc, 1000);
  EXPECT_EQ(layout.topOffset(), size - 26);
  EXPECT_EQ(layout.pixelOffset(), LINE);

  layout.layoutFrom(doc, 15);
  layout.alignToOffset(17);
  EXPECT_EQ(layout.pixelOffset(), 7.0);
  layout.alignToOffset(40);
  EXPECT_EQ(layout.pixelOffset(), 0.0);

  // A document shorter than the view: the last page begins at 0 and the wheel leaves the page still.
  TextDocument& shortDoc = open("short\n");
  EXPECT_EQ(layout.lastPageSize(shortDoc), 7u);
  layout.layoutFrom(shortDoc, 0);
  EXPECT_EQ(layout.scrollBy(shortDoc, 30), 0u);
  EXPECT_EQ(layout.pixelOffset(), 0.0);
  EXPECT_EQ(layout.scrollLines(shortDoc, 1), 0u); // one line laid out: no move
  layout.setViewSize(150, LINE / 2);              // a line taller than the view is still the last page
  EXPECT_EQ(layout.lastPageSize(shortDoc), 7u);
}

// A page step moves by the lines wholly shown, whatever share of a line the view's height leaves over: down,
// the first line not wholly shown becomes the top; up, the line above the old top becomes the last line
// wholly shown; down then up comes back. A line taller than the view is a page of its own.
TEST_F(LayoutTest, PagesStepByTheLinesWhollyShown) {
  const struct {
    const char* name;
    std::string text;
    uint64_t lineBytes;
  } documents[] = {
      {"one paragraph of 60 lines", std::string(600, 'x') + "\n", 10},
      {"60 one-line paragraphs",
       [] {
         std::string t;
         for (int i = 0; i < 60; ++i)
           t += "ab\n";
         return t;
       }(),
       3},
  };
  const struct {
    double rows;
    uint64_t whole; // lines a page
  } views[] = {{5, 5}, {5.5, 5}, {5.99, 5}, {1, 1}, {0.5, 1}};
  for (auto const& d : documents) {
    TextDocument& doc = open(d.text);
    for (auto const& v : views) {
      SCOPED_TRACE(std::string(d.name) + ", rows " + std::to_string(v.rows));
      layout.setViewSize(FakeLineBreaker::ADVANCE * 10 + 50, LINE * v.rows);
      const uint64_t maxTop = d.text.size() + 1 - layout.lastPageSize(doc);
      const uint64_t page = v.whole * d.lineBytes;
      layout.layoutFrom(doc, 0);
      EXPECT_EQ(layout.scrollPages(doc, 1), page);
      EXPECT_EQ(layout.scrollPages(doc, 2), 3 * page);
      EXPECT_EQ(layout.scrollPages(doc, -1), 2 * page);
      EXPECT_EQ(layout.scrollPages(doc, -2), 0u);
      EXPECT_EQ(layout.scrollPages(doc, -1), 0u);
      // The last page: no step past it, and the step onto it shows what was cut off before.
      layout.layoutFrom(doc, maxTop - d.lineBytes);
      EXPECT_EQ(layout.scrollPages(doc, 1), maxTop);
      EXPECT_EQ(layout.scrollPages(doc, 1), maxTop);
      EXPECT_EQ(layout.scrollPages(doc, -1), maxTop - page);
    }
  }

  // A top line partly above the edge: down skips no line below it; up shows it whole at the bottom.
  TextDocument& doc = open(documents[0].text);
  layout.setViewSize(FakeLineBreaker::ADVANCE * 10 + 50, LINE * 5.5);
  layout.lastPageSize(doc);
  for (int direction : {1, -1}) {
    layout.layoutFrom(doc, 100);
    layout.scrollBy(doc, 4);
    ASSERT_EQ(layout.pixelOffset(), 4.0);
    EXPECT_EQ(layout.scrollPages(doc, direction), direction > 0 ? 150u : 60u);
    EXPECT_EQ(layout.pixelOffset(), 0.0);
  }
}

TEST_F(LayoutTest, TheEndOfASingleLongLineIsReachable) {
  // 20 KB in one line: the reader cuts it, and the last paragraph is far taller than the view.
  std::string text;
  while (text.size() < 20000)
    text += "ab ";
  text.resize(20000);
  TextDocument& doc = open(text);
  view(20, 10);
  const uint64_t pageBytes = layout.lastPageSize(doc);
  EXPECT_GE(pageBytes, 9u * 20);
  EXPECT_LE(pageBytes, 10u * 20 + 1);
  layout.layoutFrom(doc, text.size() - 2000);
  for (int i = 0; i < 200; ++i)
    layout.scrollLines(doc, 1);
  Line const& last = layout.line(layout.lineCount() - 1);
  EXPECT_EQ(last.endOffset(), text.size());
  EXPECT_LE(last.y + last.height, 11 * LINE);
  EXPECT_EQ(layout.topOffset(), text.size() + 1 - pageBytes);
}

// A paragraph longer than the document's reader scans back is broken in pieces at fixed places of the file,
// each piece as a paragraph of its own, so that every page, the last page's top and the lines above a top
// are those of one layout, whichever window the display map holds and wherever the reader last cut the line.
TEST_F(LayoutTest, LongParagraphsBreakTheSameWhereverThePageBegins) {
  // 70 KB in one line between two short ones, its characters of one and three bytes, so that the places
  // fall inside characters too.
  std::string text = "first\n";
  while (text.size() < 70000)
    text += "ab\xE4\xB8\xAD";
  text += "\nlast\n";
  TextDocument& doc = open(text);
  view(7, 12);

  // The lines expected: 7 characters each, and a piece begins at the first character from each multiple of
  // 8,192 bytes that lies 10,240 or more past its paragraph's start.
  Page all;
  uint64_t nextPiece = 0;
  size_t characters = 0;
  for (uint64_t at = 0; at < text.size();) {
    if (at == 0 || text[at - 1] == '\n') nextPiece = (at + 10240 + 8191) / 8192 * 8192;
    if (at == 0 || text[at - 1] == '\n' || at >= nextPiece) {
      characters = 0;
      if (at >= nextPiece) nextPiece += 8192;
    }
    if (text[at] == '\n') {
      ++at;
      continue;
    }
    if (characters++ % 7 == 0) all.emplace_back(at, 0);
    ++all.back().second;
    at += static_cast<unsigned char>(text[at]) >= 0xE0 ? 3 : 1;
  }
  std::vector<uint64_t> tops;
  for (auto const& line : all)
    tops.push_back(line.first);
  const auto pageFrom = [&](size_t i) {
    return Page(all.begin() + i, all.begin() + std::min(i + 13, all.size()));
  };
  const auto lineOf = [&](uint64_t offset) {
    if (text[offset] == '\n') ++offset; // a line end belongs to no line: the next one
    return size_t(std::upper_bound(tops.begin(), tops.end(), offset) - tops.begin()) - 1;
  };

  // A page from top with no share of its first line above the edge.
  const auto from = [&](uint64_t top) {
    layout.layoutFrom(doc, top);
    layout.alignToOffset(layout.topOffset());
  };

  // The last page first, then tops all over the long line, far apart and near, on characters and inside.
  const uint64_t maxTop = text.size() + 1 - layout.lastPageSize(doc);
  const size_t last = all.size() - 12;
  EXPECT_EQ(maxTop, tops[last]);
  for (size_t step : {size_t(0), last, size_t(4000), size_t(30), size_t(2300), size_t(2301), size_t(1500),
                      last - 1, size_t(700), size_t(3000), size_t(2999), size_t(1)})
    for (uint64_t inside : {0, 1, 5}) {
      const uint64_t top = std::min<uint64_t>(tops[std::min(step, all.size() - 1)] + inside, text.size() - 1);
      SCOPED_TRACE(top);
      from(top);
      ASSERT_EQ(page(), pageFrom(lineOf(top)));
      // The lines above: one, five, a page up; and a pixel scroll back over two lines and a half.
      const size_t i = lineOf(top);
      EXPECT_EQ(layout.scrollLines(doc, -1), tops[i > 0 ? i - 1 : 0]);
      from(top);
      EXPECT_EQ(layout.scrollLines(doc, -5), tops[i > 5 ? i - 5 : 0]);
      from(top);
      EXPECT_EQ(layout.scrollPages(doc, -1), tops[i > 12 ? i - 12 : 0]);
      from(top);
      layout.scrollBy(doc, -2.5 * LINE);
      EXPECT_EQ(layout.topOffset(), tops[i > 3 ? i - 3 : 0]);
      EXPECT_EQ(layout.lastPageSize(doc), text.size() + 1 - maxTop);
    }

  // Paged down from the top: a page at a time to the last page, and no further.
  from(0);
  for (size_t i = 12; i < last; i += 12)
    ASSERT_EQ(layout.scrollPages(doc, 1), tops[i]);
  EXPECT_EQ(layout.scrollPages(doc, 1), maxTop);
  EXPECT_EQ(layout.scrollPages(doc, 1), maxTop);
  EXPECT_EQ(page(), pageFrom(last));

  // A piece begins near the first multiple of 8,192 bytes that lies 10,240 or more past its paragraph's
  // start: after the first full stop in the 512 bytes from there and the closing marks after it, unless the
  // paragraph ends there; else at the multiple itself. The line before it ends there, cut short.
  const struct {
    uint64_t paragraph; // where the long paragraph begins
    uint64_t markAt;    // past 16,384
    std::string mark;
    uint64_t piece; // 0: none near 16,384
  } pieces[] = {
      {6144, 0, "", 16384},
      {6145, 0, "", 0},
      {6144, 22, "\xE3\x80\x82", 16384 + 25},             // 。
      {6144, 22, "\xE3\x80\x82\xE2\x80\x9D", 16384 + 28}, // 。”
      {6144, 400, "\xEF\xBC\x9F", 16384 + 403},           // ？
      {6144, 600, "\xE3\x80\x82", 16384},                 // too far on
      {6144, 22, "\xE3\x80\x82\n", 16384},                // the paragraph's end
  };
  for (auto const& p : pieces) {
    SCOPED_TRACE(std::to_string(p.paragraph) + " " + std::to_string(p.markAt));
    std::string text = std::string(p.paragraph - 1, 'x') + "\n";
    text.resize(16384 + p.markAt, 'y');
    text += p.mark + std::string(4000, 'y');
    TextDocument& pieced = open(text);
    if (p.piece == 0) {
      layout.layoutFrom(pieced, 16384);
      EXPECT_NE(layout.topOffset(), 16384u);
      continue;
    }
    layout.layoutFrom(pieced, p.piece);
    EXPECT_EQ(layout.topOffset(), p.piece);
    layout.layoutFrom(pieced, p.piece - 1);
    EXPECT_EQ(layout.line(0).endOffset(), p.piece);
  }
}

} // namespace
