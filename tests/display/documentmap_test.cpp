// The display map and the lexoscope that styles its window.
#include "display/documentmap.h"

#include "documents/textdocument.h"
#include "support/tempdir.h"
#include "text/chinesetokenizer.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using Positions = std::vector<uint64_t>;

class DocumentMapTest : public testing::Test {
protected:
  DocumentMapTest() {
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
  // Where the window's lines start, from the requested one, and the number of positions.
  static Positions linesOf(DocumentMap::LineInfo const& info) {
    return Positions(info.lines, info.lines + info.lineCount);
  }
  // Per position: where a token starts, its style digit ('.' for a token that is no word, letter or digit
  // run); '+' where it goes on. Or, with matches: 'c' in the current match, 'o' in another, '.' elsewhere.
  static std::string render(Lexoscope const& lexoscope, std::string const& text, bool endOfText,
                            bool matches = false) {
    std::vector<uint64_t> attributes{1, 2, 3}; // replaced
    lexoscope.analyse(text.data(), text.size(), 0, endOfText, attributes);
    std::string out;
    for (uint64_t a : attributes) {
      const uint64_t style = a >> 32;
      if (matches)
        out += style == Lexoscope::CURRENT_MATCH ? 'c' : style == Lexoscope::OTHER_MATCH ? 'o' : '.';
      else
        out += !(a & Lexoscope::TOKEN_START) ? '+' : a & 0x100 ? char('0' + style) : '.';
    }
    return out;
  }

  qmtest::TempDir dir;
  WordHash master{10, nullptr, true}, lookedUp{4};
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, master};
  WordListManager lists{dir.str().c_str()};
  std::unique_ptr<TextDocument> document;
};
using LexoscopeTest = DocumentMapTest;

TEST_F(DocumentMapTest, NumbersBytesOrUtf16Units) {
  TextDocument& doc = open("a\n中\n\xF0\x9F\x98\x80x"); // a character above U+FFFF is two UTF-16 units
  DocumentMap map;
  auto info = map.startOfLineAtOffset(doc, 0);
  EXPECT_EQ(linesOf(info), (Positions{0, 2, 6, 11}));
  map.setMode(Lexoscope::Utf16);
  map.reset();
  info = map.startOfLineAtOffset(doc, 0);
  EXPECT_EQ(linesOf(info), (Positions{0, 2, 4, 7}));
  EXPECT_EQ(Positions(info.offsets, info.offsets + 8), (Positions{0, 1, 2, 5, 6, 6, 10, 11}));
  const auto* units = static_cast<const uint16_t*>(info.text);
  EXPECT_EQ(std::vector<uint16_t>(units, units + 7),
            (std::vector<uint16_t>{'a', '\n', 0x4E2D, '\n', 0xD83D, 0xDE00, 'x'}));
  // No lexoscope: every character plain and its own token, the second half of a pair no token start.
  EXPECT_EQ(Positions(info.attributes, info.attributes + 7),
            (Positions{0x10000, 0x10000, 0x10000, 0x10000, 0x10000, 0, 0x10000}));
  info = map.startOfLineAtOffset(doc, 7); // inside the last line, served from the same window
  EXPECT_EQ(info.firstIndex, 4u);
  EXPECT_EQ(static_cast<const uint16_t*>(info.text)[0], 0xD83D);
  EXPECT_EQ(map.changeCount(), 2u);

  EXPECT_EQ(linesOf(map.startOfLineAtOffset(open(""), 0)), (Positions{0, 0}));
  // A window that ends in a line feed has no empty line after it.
  EXPECT_EQ(linesOf(map.startOfLineAtOffset(open("ab\ncd\n"), 0)), (Positions{0, 3, 6}));
}

TEST_F(DocumentMapTest, CopyToBuffer) {
  DocumentMap map;
  map.startOfLineAtOffset(open("ab中cd"), 0);
  char buffer[16] = {};
  EXPECT_EQ(map.copyToBuffer(1, buffer, 3), 1u); // the character cut by the count is left out
  EXPECT_EQ(map.copyToBuffer(1, buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "b中");
  EXPECT_EQ(map.copyToBuffer(7, buffer, 16), 0u); // outside the window
  EXPECT_EQ(map.copyToBuffer(0, nullptr, 16) + map.copyToBuffer(0, buffer, 0), 0u);
}

// A document of random lines, valid and broken UTF-8, longer than two windows: every window, built going
// forwards or backwards, styles every line it holds whole exactly as one pass over the whole text does.
TEST_F(DocumentMapTest, WindowsAgreeWithTheWholeText) {
  const std::string pieces[] = {"我们",     "是",   "中国", "中国人", "人", "a", " ", "\xF0\x9F\x98\x80",
                                "\xE4\xB8", "\xFF", "，"};
  std::mt19937 random(42);
  std::string text;
  while (text.size() < 200000) {
    for (size_t i = random() % 60; i > 0; --i)
      text += pieces[random() % std::size(pieces)];
    text += "\n";
  }
  text += "我们是中国"; // ends in the start of a longer word
  TextDocument& doc = open(text);
  Positions requests; // forwards, then backwards
  for (uint64_t o = 0; o < 2 * text.size(); o += 7919)
    requests.push_back(o < text.size() ? o : 2 * text.size() - 1 - o);
  for (Lexoscope::Mode mode : {Lexoscope::Utf8, Lexoscope::Utf16}) {
    SCOPED_TRACE(mode);
    Lexoscope lexoscope(lists, engine, mode);
    lexoscope.setSearchTerm(Span("中*人"));
    std::vector<uint64_t> whole;
    lexoscope.analyse(text.data(), text.size(), 0, true, whole);
    Positions at; // the byte offset of each position of the whole text
    for (size_t p = 0, n = 0; p < text.size(); p += n) {
      const uint32_t c = Lexoscope::character(text.data() + p, text.data() + text.size(), n);
      for (size_t k = 0; k < Lexoscope::positions(mode, c, n); ++k)
        at.push_back(mode == Lexoscope::Utf8 ? p + k : p);
    }
    ASSERT_EQ(whole.size(), at.size());
    DocumentMap map;
    map.setLexoscope(&lexoscope);
    size_t earlierText = 0; // windows that hold text before the requested line
    for (uint64_t offset : requests) {
      SCOPED_TRACE(offset);
      const auto info = map.startOfLineAtOffset(doc, offset);
      earlierText += info.firstIndex > 1000;
      // The arrays from the window's first position; compared from this line to the last whole line.
      const uint64_t* offsets = info.offsets - info.firstIndex;
      const uint64_t* attributes = info.attributes - info.firstIndex;
      const uint64_t end = info.lines[info.lineCount - 1];
      ASSERT_LE(info.offsets[0], offset);
      ASSERT_TRUE(std::binary_search(at.begin(), at.end(), offsets[0]))
          << "the window starts inside a character";
      for (uint64_t i = info.firstIndex;
           i < (offsets[end] == text.size() ? end : info.lines[info.lineCount - 2]); ++i) {
        const size_t t = size_t(std::lower_bound(at.begin(), at.end(), offsets[i]) - at.begin()) +
                         (i > 0 && offsets[i - 1] == offsets[i]); // the second unit of a character
        ASSERT_EQ(at[t], offsets[i]) << "position " << i << " is not at a character";
        ASSERT_EQ(attributes[i], whole[t]) << "position " << i;
      }
    }
    EXPECT_GT(earlierText, 10u); // scrolling back brings earlier text along
    const uint64_t windows = map.changeCount(), stylings = lexoscope.changeCount();
    map.reanalyse(); // the same window styled again
    EXPECT_EQ(map.changeCount() * 1000 + lexoscope.changeCount(), windows * 1000 + stylings + 1);
  }
}

// Without a find term: per position, the attribute of its token. With one, the highlighter marks what the
// search finds: the current match from its (byte) offset, the others as they come.
TEST_F(LexoscopeTest, EveryPositionGetsAnAttribute) {
  const Lexoscope::Mode U8 = Lexoscope::Utf8, U16 = Lexoscope::Utf16;
  const struct {
    std::string text;
    bool endOfText;
    Lexoscope::Mode mode;
    std::string expected;
    const char* term = nullptr;
    uint64_t current = 0;
  } cases[] = {
      // known, looked up, unknown; punctuation and spaces; a number is no word
      {"我们是中国人, hello 12 中国", true, U8, "4+++++8++7++++++++..7++++.0+.7+++++"},
      // A window that ends in the start of a longer word: plain, a token per character, never short.
      {"我们是中国", false, U8, "4+++++8++.++.++"},
      {"我们是中国", true, U16, "4+87+"},
      // Broken and cut sequences, and a character beyond U+FFFF (two units).
      {"\xFF\x80中\xE4\xB8", true, U8, ".+7++.+"},
      {"\xF0\x9F\x98\x80x\xE4", true, U16, ".+7."},
      {"", true, U8, ""},
      {"我们是中国人, hello 12 中国", true, U8, ".........oooooo..............cccccc", "中国", 29},
      {"aaab x\nabxbc", true, U16, ".ccc........", "aab", 1},
      {"aaab x\nabxbc", true, U16, ".......ooooo", "ab*c", 99}, // the first "ab" fails at the line feed
      {"aaab x\nabxbc", true, U16, ".......ccccc", "a*bc", 7},
      {"aaab x\nabxbc", true, U16, "cccccc.ooo..", "*x", 0},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text + (c.endOfText ? " at the end" : "") + (c.mode ? " utf16 " : " ") +
                 (c.term ? c.term : ""));
    Lexoscope lexoscope(lists, engine, c.mode);
    if (c.term) lexoscope.setSearchTerm(Span(c.term));
    lexoscope.setCurrentMatch(c.current);
    EXPECT_EQ(render(lexoscope, c.text, c.endOfText, c.term), c.expected);
  }
}

TEST_F(LexoscopeTest, StylingLeavesTheSharedTokenizerAlone) {
  // Scripts drive the engine's shared tokenizer on their own thread; styling must not reset it.
  const std::string text = "我们是中国人";
  ChineseTokenizer& shared = engine.tokenizer(Utf8Range(text.data(), text.size()), true);
  EXPECT_EQ(std::string(shared.nextToken().span().view()), "我们");
  EXPECT_EQ(render(Lexoscope(lists, engine, Lexoscope::Utf8), "中国", true), "7+++++");
  EXPECT_EQ(std::string(shared.nextToken().span().view()), "是");
}

} // namespace
