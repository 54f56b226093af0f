#include "display/documentmap.h"

#include "documents/textdocument.h"
#include "support/tempdir.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

uint64_t styleOf(uint64_t attribute) {
  return attribute >> 32;
}

class DocumentMapTest : public testing::Test {
protected:
  void SetUp() override {
    for (const char* w : {"我们", "中国", "中国人", "是", "hello"})
      master.add(Span(w));
    lists.current().add(Span("我们"));
    lookedUp.add(Span("是"));
    engine.setLookedUpWords(&lookedUp);
  }

  TextDocument& open(std::string const& text) {
    qmtest::writeFile(dir / "doc.txt", text);
    document = std::make_unique<TextDocument>((dir / "doc.txt").c_str());
    return *document;
  }

  // Positions of a window from its first line: every array runs to the final entry of lines.
  static std::vector<uint64_t> linesOf(DocumentMap::LineInfo const& info) {
    return std::vector<uint64_t>(info.lines, info.lines + info.lineCount);
  }
  static std::vector<uint64_t> stylesOf(DocumentMap::LineInfo const& info) {
    std::vector<uint64_t> out;
    for (uint64_t i = 0; i < info.lines[info.lineCount - 1] - info.firstIndex; ++i)
      out.push_back(styleOf(info.attributes[i]));
    return out;
  }

  qmtest::TempDir dir;
  WordHash master{10, nullptr, true};
  WordHash lookedUp{4};
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, master};
  WordListManager lists{dir.str().c_str()};
  std::unique_ptr<TextDocument> document;
};

TEST_F(DocumentMapTest, NumbersBytesOrUtf16Units) {
  // "a", LF, a 3-byte character, LF, a character above U+FFFF, "x"
  TextDocument& doc = open("a\n中\n\xF0\x9F\x98\x80x");
  DocumentMap map;
  auto info = map.startOfLineAtOffset(doc, 0);
  EXPECT_EQ(linesOf(info), (std::vector<uint64_t>{0, 2, 6, 11}));
  EXPECT_EQ(std::vector<uint64_t>(info.offsets, info.offsets + 12),
            (std::vector<uint64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(static_cast<const char*>(info.text)[0], 'a');

  map.setMode(Lexoscope::Utf16);
  map.reset();
  info = map.startOfLineAtOffset(doc, 0);
  EXPECT_EQ(linesOf(info), (std::vector<uint64_t>{0, 2, 4, 7}));
  EXPECT_EQ(std::vector<uint64_t>(info.offsets, info.offsets + 8),
            (std::vector<uint64_t>{0, 1, 2, 5, 6, 6, 10, 11}));
  const auto* units = static_cast<const uint16_t*>(info.text);
  EXPECT_EQ(std::vector<uint16_t>(units, units + 7),
            (std::vector<uint16_t>{'a', '\n', 0x4E2D, '\n', 0xD83D, 0xDE00, 'x'}));
  // No lexoscope: every character plain and its own token, the second half of a pair no token start.
  EXPECT_EQ(std::vector<uint64_t>(info.attributes, info.attributes + 7),
            (std::vector<uint64_t>{0x10000, 0x10000, 0x10000, 0x10000, 0x10000, 0, 0x10000}));

  info = map.startOfLineAtOffset(doc, 7); // inside the last line
  EXPECT_EQ(info.firstIndex, 4u);
  EXPECT_EQ(info.lineCount, 2u);
  EXPECT_EQ(static_cast<const uint16_t*>(info.text)[0], 0xD83D);
  EXPECT_EQ(map.changeCount(), 2u); // served from the same window
}

TEST_F(DocumentMapTest, EmptyDocumentAndLineFeedAtTheEnd) {
  DocumentMap map;
  TextDocument& empty = open("");
  for (int i = 1; i <= 3; ++i) {
    const auto info = map.startOfLineAtOffset(empty, 0);
    EXPECT_EQ(linesOf(info), (std::vector<uint64_t>{0, 0}));
    EXPECT_EQ(map.changeCount(), uint64_t(i));
  }
  TextDocument& doc = open("ab\ncd\n");
  map.reset();
  auto info = map.startOfLineAtOffset(doc, 4); // a window from that line: positions count from it
  EXPECT_EQ(linesOf(info), (std::vector<uint64_t>{0, 3}));
  EXPECT_EQ(info.offsets[0], 3u);
  EXPECT_EQ(linesOf(map.startOfLineAtOffset(doc, 0)), (std::vector<uint64_t>{0, 3, 6}));
}

TEST_F(DocumentMapTest, StylesWordsLookedUpAndSearchMatches) {
  Lexoscope lexoscope(lists, engine, Lexoscope::Utf8);
  DocumentMap map;
  map.setLexoscope(&lexoscope);
  TextDocument& doc = open("我们是中国人, hello 12 中国");
  auto info = map.startOfLineAtOffset(doc, 0);
  std::vector<uint64_t> expected;
  auto add = [&](size_t n, uint64_t style) { expected.insert(expected.end(), n, style); };
  add(6, 4), add(3, 8), add(9, 7), add(2, 0), add(5, 7), add(1, 0), add(2, 0), add(1, 0), add(6, 7);
  EXPECT_EQ(stylesOf(info), expected);
  EXPECT_EQ(info.attributes[0] & 0xFFFF, 0x100u); // a Chinese word
  EXPECT_EQ(info.attributes[18] & 0xFFFF, 0u);    // punctuation
  // Only the first position of each token starts one: the view's words and caret stops.
  std::string starts;
  for (uint64_t i = 0; i < expected.size(); ++i)
    starts += info.attributes[i] & Lexoscope::TOKEN_START ? '|' : '.';
  EXPECT_EQ(starts, "|.....|..|........|||....||.||.....");

  // The search's current match is styled 5, the term's other matches 6.
  lexoscope.setSearchTerm(Span("中国"));
  lexoscope.setCurrentMatch(std::string("我们是中国人, hello 12 ").size());
  map.reanalyse();
  info = map.startOfLineAtOffset(doc, 0);
  EXPECT_EQ(styleOf(info.attributes[9]), 6u);
  EXPECT_EQ(styleOf(info.attributes[14]), 6u);
  EXPECT_EQ(styleOf(info.attributes[15]), 7u);
  EXPECT_EQ(styleOf(info.attributes[31]), 5u);
  EXPECT_EQ(map.changeCount(), 1u);
  EXPECT_EQ(lexoscope.changeCount(), 2u);
}

TEST_F(DocumentMapTest, HighlighterAgreesWithTheSearch) {
  Lexoscope lexoscope(lists, engine, Lexoscope::Utf16);
  DocumentMap map;
  map.setLexoscope(&lexoscope);
  TextDocument& doc = open("aaab x\nabxbc");
  const struct {
    const char* term;
    uint64_t current;
    std::string styles; // per UTF-16 unit: '.' none, 'c' current, 'o' other
  } cases[] = {
      {"aab", 1, ".ccc........"},  {"ab*c", 99, ".......ooooo"}, // the first "ab" fails at the line feed
      {"a*bc", 7, ".......ccccc"}, {"*x", 0, "cccccc.ooo.."},    {"q", 0, "............"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.term);
    lexoscope.setSearchTerm(Span(c.term));
    lexoscope.setCurrentMatch(c.current);
    map.reanalyse();
    const auto info = map.startOfLineAtOffset(doc, 0);
    std::string styles;
    for (uint64_t i = 0; i < 12; ++i) {
      const uint64_t s = styleOf(info.attributes[i]);
      styles += s == 5 ? 'c' : s == 6 ? 'o' : '.';
    }
    EXPECT_EQ(styles, c.styles);
  }
}

TEST_F(DocumentMapTest, CopyToBuffer) {
  DocumentMap map;
  TextDocument& doc = open("ab中cd");
  map.startOfLineAtOffset(doc, 0);
  char buffer[16] = {};
  EXPECT_EQ(map.copyToBuffer(1, buffer, 3), 1u); // the character cut by the count is left out
  EXPECT_EQ(map.copyToBuffer(1, buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "b中");
  EXPECT_EQ(map.copyToBuffer(7, buffer, 16), 0u); // outside the window
  EXPECT_EQ(map.copyToBuffer(0, nullptr, 16), 0u);
  EXPECT_EQ(map.copyToBuffer(0, buffer, 0), 0u);
}

// A document of random lines, valid and broken UTF-8, longer than two windows: every window, built going
// forwards or backwards, styles every line it holds whole exactly as one pass over the whole text does.
TEST_F(DocumentMapTest, WindowsAgreeWithTheWholeText) {
  const std::string pieces[] = {"我们", "是",    "中国", "中国人",           "人",
                                "a",    "hello", " ",    "\xF0\x9F\x98\x80", "\xE4\xB8",
                                "\xFF", "\x80",  "，"};
  std::mt19937 random(42);
  std::string text;
  while (text.size() < 200000) {
    const size_t n = random() % 60;
    for (size_t i = 0; i < n; ++i)
      text += pieces[random() % 13];
    text += "\n";
  }
  text += "我们是中国"; // ends in the start of a longer word
  TextDocument& doc = open(text);
  for (Lexoscope::Mode mode : {Lexoscope::Utf8, Lexoscope::Utf16}) {
    SCOPED_TRACE(mode);
    Lexoscope lexoscope(lists, engine, mode);
    lexoscope.setSearchTerm(Span("中*人"));
    std::vector<uint64_t> whole;
    lexoscope.analyse(text.data(), text.size(), 0, true, whole);
    // The first position of each character of the whole text, by its first byte.
    std::map<uint64_t, size_t> truth;
    size_t positions = 0;
    for (size_t p = 0; p < text.size();) {
      size_t n = 0;
      const uint32_t c = Lexoscope::character(text.data() + p, text.data() + text.size(), n);
      truth[p] = positions;
      positions += Lexoscope::positions(mode, c, n);
      p += n;
    }
    ASSERT_EQ(whole.size(), positions);
    DocumentMap map;
    map.setLexoscope(&lexoscope);
    std::vector<uint64_t> requests;
    for (uint64_t o = 0; o < text.size(); o += 7919)
      requests.push_back(o);
    for (uint64_t o = text.size(); o > 7919; o -= 7919)
      requests.push_back(o);
    requests.push_back(text.size() - 1);
    size_t earlierText = 0; // windows that hold text before the requested line
    for (uint64_t offset : requests) {
      SCOPED_TRACE(offset);
      const auto info = map.startOfLineAtOffset(doc, offset);
      if (info.firstIndex > 1000) ++earlierText;
      // The arrays from the window's first position; compared from this line to the last whole line.
      const uint64_t* offsets = info.offsets - info.firstIndex;
      const uint64_t* attributes = info.attributes - info.firstIndex;
      const uint64_t windowPositions = info.lines[info.lineCount - 1];
      ASSERT_LE(info.offsets[0], offset);
      ASSERT_TRUE(truth.count(offsets[0])) << "the window starts inside a character";
      const bool atEnd = offsets[windowPositions] == text.size();
      const uint64_t lastWhole = atEnd ? windowPositions : info.lines[info.lineCount - 2];
      for (uint64_t i = info.firstIndex; i < lastWhole; ++i) {
        size_t t = size_t(offsets[i]);
        if (mode == Lexoscope::Utf16) {
          ASSERT_TRUE(truth.count(offsets[i])) << "position " << i << " is not at a character";
          t = truth[offsets[i]] + (i > 0 && offsets[i - 1] == offsets[i] ? 1 : 0);
        }
        ASSERT_EQ(attributes[i], whole[t]) << "position " << i;
      }
    }
    EXPECT_GT(earlierText, 10u); // scrolling back brings earlier text along
  }
}

} // namespace
