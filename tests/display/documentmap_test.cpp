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

// A window as a full rebuild at start makes it, numbered and styled here from the reader and the lexoscope
// (plain without one): per position its byte offset (and one past the end), its UTF-16 unit, its
// attribute, and where each line starts.
struct Numbered {
  Positions offsets, attributes, lines{0};
  std::vector<uint16_t> units;
};
Numbered fullWindow(std::string const& bytes, uint64_t start, bool endOfText, Lexoscope::Mode mode,
                    Lexoscope const* lexoscope) {
  Numbered w;
  const char* end = bytes.data() + bytes.size();
  for (const char* p = bytes.data(); p < end;) {
    size_t n = 0;
    const uint32_t c = Lexoscope::character(p, end, n);
    for (size_t k = 0; k < Lexoscope::positions(mode, c, n); ++k) {
      w.offsets.push_back(start + uint64_t(p - bytes.data()) + (mode == Lexoscope::Utf8 ? k : 0));
      w.units.push_back(c < 0x10000 ? uint16_t(c)
                                    : uint16_t(k ? 0xDC00 + (c & 0x3FF) : 0xD800 + ((c - 0x10000) >> 10)));
    }
    p += n;
    if (c == '\n') w.lines.push_back(w.offsets.size());
  }
  w.offsets.push_back(start + bytes.size());
  if (bytes.empty() || bytes.back() != '\n') w.lines.push_back(w.offsets.size() - 1);
  if (lexoscope)
    lexoscope->analyse(bytes.data(), bytes.size(), start, endOfText, w.attributes);
  else
    Lexoscope::plainWords(bytes.data(), bytes.size(), 0, mode, w.attributes);
  return w;
}

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

  // The window from info's line on equals a full rebuild at its start.
  static void expectFullRebuild(DocumentMap::LineInfo const& info, TextDocument const& doc,
                                Lexoscope::Mode mode, Lexoscope const* lexoscope) {
    const uint64_t start = info.offsets[-int64_t(info.firstIndex)];
    std::string bytes(65536, 0);
    bytes.resize(doc.copyToBuffer(start, bytes.data(), bytes.size()));
    const Numbered full = fullWindow(bytes, start, start + bytes.size() >= doc.totalBytes(), mode, lexoscope);
    const uint64_t positions = info.lines[info.lineCount - 1];
    ASSERT_EQ(positions + 1, full.offsets.size());
    const auto window = [&](uint64_t const* p, uint64_t n) {
      return Positions(p - info.firstIndex, p - info.firstIndex + n);
    };
    ASSERT_EQ(window(info.offsets, positions + 1), full.offsets);
    ASSERT_EQ(window(info.attributes, positions), full.attributes);
    ASSERT_EQ(Positions(info.lines, info.lines + info.lineCount),
              Positions(full.lines.end() - info.lineCount, full.lines.end()));
    if (mode == Lexoscope::Utf16) {
      const auto* units = static_cast<const uint16_t*>(info.text) - info.firstIndex;
      ASSERT_EQ(std::vector<uint16_t>(units, units + positions), full.units);
    }
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
    const Numbered all = fullWindow(text, 0, true, mode, &lexoscope);
    const Positions& at = all.offsets; // the byte offset of each position of the whole text
    const Positions& whole = all.attributes;
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

// A window built from the one before and from the text prepared between steps (only the text neither held
// read, numbered and segmented) equals a full rebuild at its start: on real texts (lines with CR LF, "——" and
// Latin; traditional text; one line cut by the reader; text with broken and four-byte sequences) paged down
// and up, strided and jumped through, in both modes and without a lexoscope, with the window moved after no
// preparation, a part of it or all of it, and with the known and looked-up words and the find term changing
// between steps (no reanalyse), after the preparation as well.
TEST_F(DocumentMapTest, ReusedWindowsEqualFullRebuilds) {
  static const WordHash words(20, (qmtest::resourcesDir() / "data" / "words.u8").c_str(), true);
  SegmentEngine real(SegmentEngine::ChineseAndAlpha, words);
  real.setLookedUpWords(&lookedUp);
  const std::string pku = qmtest::readFile(qmtest::sharedDataDir() / "corpus" / "pku_test.utf8");
  const std::string cityu = qmtest::readFile(qmtest::sharedDataDir() / "corpus" / "cityu_test.utf8");
  std::string oneLine, broken;
  for (char c : pku.substr(0, 200000))
    if (c != '\r' && c != '\n') oneLine += c;
  const std::string odd[] = {"\xFF", "\xE4\xB8", "\xF0\x9F\x98\x80", "a b", "\n"};
  for (size_t i = 0; i < 200000; ++i) {
    if (i % 997 == 0 && (static_cast<unsigned char>(pku[i]) & 0xC0) != 0x80) broken += odd[i / 997 % 5];
    broken += pku[i];
  }
  const struct {
    const char* name;
    std::string text;
  } texts[] = {{"pku", pku.substr(0, 300000)},
               {"cityu", cityu.substr(0, 300000)},
               {"one line", oneLine},
               {"broken", broken}};
  const auto pattern = [](int kind, uint64_t size) {
    Positions at;
    std::mt19937 random(7);
    for (uint64_t o = 0, i = 0; o < size && i < (kind == 2 ? 40 : 200); ++i) {
      at.push_back(kind == 1 ? size - 1 - o : kind == 2 ? random() % size : o);
      o += kind == 3 ? 37000 : 1500;
    }
    if (kind == 3) at.insert(at.end(), at.rbegin(), at.rend()); // strides there and back
    return at;
  };
  const char* patterns[] = {"page down", "page up", "jumps", "strides"};
  const char* list[] = {"中国", "发展", "人民", "经济", "我们", "問題", "世界", "工作"};
  for (auto const& t : texts)
    for (int kind = 0; kind < 4; ++kind)
      for (int variant = 0; variant < 3; ++variant) {
        const Lexoscope::Mode mode = variant == 1 ? Lexoscope::Utf8 : Lexoscope::Utf16;
        SCOPED_TRACE(std::string(t.name) + ", " + patterns[kind] + ", mode " + std::to_string(mode) +
                     (variant == 2 ? ", plain" : ""));
        TextDocument& doc = open(t.text);
        Lexoscope lexoscope(lists, real, mode);
        lexoscope.setSearchTerm(Span("中*国"));
        DocumentMap map;
        if (variant < 2)
          map.setLexoscope(&lexoscope);
        else
          map.setMode(mode);
        uint64_t windows = map.changeCount(), step = 0;
        for (uint64_t offset : pattern(kind, t.text.size())) {
          if (++step % 7 == 0) { // the lists change; nothing restyles the window
            lists.current().add(Span(list[step / 7 % 8]));
            lookedUp.add(Span(list[step / 7 % 5 + 3]));
            lexoscope.setCurrentMatch(offset);
          }
          if (step % 11 == 0) lexoscope.setSearchTerm(Span(step % 22 ? "人民" : "中*国"));
          SCOPED_TRACE(offset);
          const auto info = map.startOfLineAtOffset(doc, offset);
          if (map.changeCount() != windows) {
            windows = map.changeCount();
            ASSERT_NO_FATAL_FAILURE(expectFullRebuild(info, doc, mode, variant < 2 ? &lexoscope : nullptr));
          }
          // Idle time before the next step: none, two slices, or until there is nothing left to prepare
          // (which comes: idle work that never ends would keep the program busy).
          const int slices[] = {0, 2, 100};
          int done = 0;
          while (done < slices[windows % 3] && map.prepare(doc))
            ++done;
          ASSERT_LT(done, 100);
        }
      }
  // In the same map, another mode, then another document: nothing prepared before is taken.
  DocumentMap map;
  map.setMode(Lexoscope::Utf16);
  const auto prepareNear = [&](TextDocument& doc, uint64_t offset) { // a request near the window's end
    map.startOfLineAtOffset(doc, offset);
    for (int i = 0; i < 100 && map.prepare(doc); ++i) {
    }
  };
  TextDocument& first = open(pku.substr(0, 200000));
  map.startOfLineAtOffset(first, 40000);
  prepareNear(first, 70000);
  map.setMode(Lexoscope::Utf8);
  ASSERT_NO_FATAL_FAILURE(
      expectFullRebuild(map.startOfLineAtOffset(first, 110000), first, Lexoscope::Utf8, nullptr));
  prepareNear(first, 140000);
  map.reset();
  TextDocument& other = open(cityu.substr(0, 200000));
  expectFullRebuild(map.startOfLineAtOffset(other, 180000), other, Lexoscope::Utf8, nullptr);
}

// Idle work is done once: the text prepared past the window's end that a move on leaves unused stays for
// the next move, which then only needs the text past it prepared; a reader who turns back and forth within
// one window has the text on either side prepared once. Each window built from what was kept equals a full
// rebuild.
TEST_F(DocumentMapTest, PreparedTextIsKeptUntilAMoveUsesIt) {
  static const WordHash words(20, (qmtest::resourcesDir() / "data" / "words.u8").c_str(), true);
  SegmentEngine real(SegmentEngine::ChineseAndAlpha, words);
  const std::string pku = qmtest::readFile(qmtest::sharedDataDir() / "corpus" / "pku_test.utf8");
  TextDocument& doc = open(pku.substr(0, 400000));
  for (Lexoscope::Mode mode : {Lexoscope::Utf8, Lexoscope::Utf16}) {
    SCOPED_TRACE(mode);
    Lexoscope lexoscope(lists, real, mode);
    DocumentMap map;
    map.setLexoscope(&lexoscope);
    const auto slices = [&] {
      int n = 0;
      while (n < 1000 && map.prepare(doc))
        ++n;
      return n;
    };
    const auto at = [&](uint64_t offset) { return map.startOfLineAtOffset(doc, offset); };
    at(100000);
    const int fresh = slices(); // all 64 KB past the window
    ASSERT_GT(fresh, 4);
    for (uint64_t offset = 140000; offset < 300000; offset += 40000) { // each move about 40 KB on
      const uint64_t windows = map.changeCount();
      const auto info = at(offset);
      ASSERT_EQ(map.changeCount(), windows + 1);
      ASSERT_NO_FATAL_FAILURE(expectFullRebuild(info, doc, mode, &lexoscope));
      const int kept = slices();
      EXPECT_GT(kept, 0);
      EXPECT_LT(kept * 4, fresh * 3) << "prepared " << kept << " slices again of " << fresh;
    }
    // Back and forth in one window: near its start, then near its end, and again.
    const auto last = at(300000);
    const uint64_t first = last.offsets[-int64_t(last.firstIndex)];
    const uint64_t windows = map.changeCount();
    at(first + 25000);
    slices();
    at(first + 1000);
    EXPECT_GT(slices(), 0);
    at(first + 25000);
    EXPECT_EQ(slices(), 0);
    at(first + 500);
    EXPECT_EQ(slices(), 0);
    EXPECT_EQ(map.changeCount(), windows);
    ASSERT_NO_FATAL_FAILURE(expectFullRebuild(at(first - 100), doc, mode, &lexoscope)); // back from both
    EXPECT_LT(at(first - 100).offsets[0], first);
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
