#include "display/lexoscope.h"

#include "support/tempdir.h"
#include "text/chinesetokenizer.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LexoscopeTest : public testing::Test {
protected:
  void SetUp() override {
    for (const char* w : {"我们", "中国", "中国人", "是"})
      master.add(Span(w));
    lists.current().add(Span("我们"));
  }

  // Per position: the style digit, or '+' for a position that continues a token.
  std::string styles(std::string const& text, bool endOfText, Lexoscope::Mode mode = Lexoscope::Utf8) {
    Lexoscope lexoscope(lists, engine, mode);
    std::vector<uint64_t> attributes{1, 2, 3}; // replaced
    lexoscope.analyse(text.data(), text.size(), 0, endOfText, attributes);
    std::string out;
    for (uint64_t a : attributes)
      out += a & Lexoscope::TOKEN_START ? char('0' + (a >> 32)) : '+';
    return out;
  }

  qmtest::TempDir dir;
  WordHash master{10, nullptr, true};
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, master};
  WordListManager lists{dir.str().c_str()};
};

TEST_F(LexoscopeTest, EveryPositionGetsAnAttribute) {
  const struct {
    std::string text;
    bool endOfText;
    Lexoscope::Mode mode;
    std::string expected;
  } cases[] = {
      // A window that ends in the start of a longer word: plain, a token per character, never short.
      {"我们是中国", false, Lexoscope::Utf8, "4+++++7++0++0++"},
      {"我们是中国", true, Lexoscope::Utf8, "4+++++7++7+++++"},
      {"我们是中国", false, Lexoscope::Utf16, "4+700"},
      {"我们是中国", true, Lexoscope::Utf16, "4+77+"},
      // Broken and cut sequences, and a character beyond U+FFFF (two units).
      {"\xFF\x80中\xE4\xB8", true, Lexoscope::Utf8, "0+7++0+"},
      {"\xF0\x9F\x98\x80x\xE4", true, Lexoscope::Utf16, "0+70"},
      {"", true, Lexoscope::Utf8, ""},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text + (c.endOfText ? " at the end" : "") + (c.mode ? " utf16" : ""));
    EXPECT_EQ(styles(c.text, c.endOfText, c.mode), c.expected);
  }
}

TEST_F(LexoscopeTest, StylingLeavesTheSharedTokenizerAlone) {
  // Scripts drive the engine's shared tokenizer on their own thread; styling must not reset it.
  const std::string text = "我们是中国人";
  ChineseTokenizer& shared = engine.tokenizer(Utf8Range(text.data(), text.size()), true);
  EXPECT_EQ(std::string(shared.nextToken().span().view()), "我们");
  EXPECT_EQ(styles("中国", true), "7+++++");
  EXPECT_EQ(std::string(shared.nextToken().span().view()), "是");
}

} // namespace
