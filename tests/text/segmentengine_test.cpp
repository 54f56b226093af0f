#include "text/segmentengine.h"
#include "text/wordhash.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class SegmentEngineTest : public ::testing::Test {
protected:
  SegmentEngineTest() : dictionary(8, nullptr, true), known(8), lookedUp(8) {
    for (const char* w : {"中国", "人", "中国人民"})
      dictionary.add(Span(w));
    known.add(Span("中国"));
    known.add(Span("abc"));
    lookedUp.add(Span("中国"));
  }
  WordHash dictionary, known, lookedUp;
};

Token token(const char* text, uint32_t type) {
  return Token{text, std::strlen(text), 1, type};
}

TEST_F(SegmentEngineTest, Attributes) {
  SegmentEngine engine(SegmentEngine::ChineseAndAlpha, dictionary);
  const uint64_t known4 = (uint64_t(4) << 32) + 0x10100;
  const struct {
    const char* name;
    Token token;
    bool highlight;
    bool withLookedUp;
    uint64_t attribute;
  } cases[] = {
      {"punctuation", token("，", Token::ChinesePunctuation), true, true, 0x10000},
      {"known word", token("中国", Token::Chinese), true, false, known4},
      {"known and looked up", token("中国", Token::Chinese), true, true, (uint64_t(8) << 32) + 0x10100},
      {"looked up, not highlighted", token("中国", Token::Chinese), false, true, known4},
      {"unknown", token("人", Token::Chinese), true, true, (uint64_t(7) << 32) + 0x10100},
      {"known letters", token("abc", Token::Alpha), true, true, known4},
      {"a number is no word", token("12", Token::Number), true, true, 0x10100},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    engine.highlightLookedUpWords(c.highlight);
    engine.setLookedUpWords(c.withLookedUp ? &lookedUp : nullptr);
    EXPECT_EQ(engine.getAttribute(c.token, known), c.attribute);
  }
  engine.type(SegmentEngine::ChineseOnly);
  EXPECT_EQ(engine.getAttribute(token("abc", Token::Alpha), known), 0x10100u);
}

TEST_F(SegmentEngineTest, WordPolicy) {
  SegmentEngine engine(SegmentEngine::ChineseAndAlpha, dictionary);
  EXPECT_TRUE(engine.highlightLookedUpWords());
  EXPECT_EQ(engine.endToken(), 2);
  for (int type = 0; type <= 9; ++type) {
    SCOPED_TRACE(type);
    EXPECT_EQ(engine.isWord(type), type == Token::Chinese || type == Token::Alpha);
  }
  engine.type(SegmentEngine::ChineseOnly);
  EXPECT_TRUE(engine.isWord(Token::Chinese));
  EXPECT_FALSE(engine.isWord(Token::Alpha));
}

TEST_F(SegmentEngineTest, SharedTokenizerIsResetForEachRange) {
  SegmentEngine engine(SegmentEngine::ChineseAndAlpha, dictionary);
  const std::string text = "中国人";
  ChineseTokenizer& whole = engine.tokenizer(Utf8Range(text.data(), text.size()), true);
  EXPECT_EQ(whole.nextToken().bytes, 6u);
  EXPECT_EQ(whole.nextToken().bytes, 3u);
  EXPECT_EQ(whole.nextToken().type, Token::EndOfText);
  ChineseTokenizer& window = engine.tokenizer(Utf8Range(text.data(), 6));
  EXPECT_EQ(&window, &whole);
  EXPECT_EQ(window.nextToken().type, Token::EndOfText); // 中国 may go on past the window
  EXPECT_TRUE(window.endFlag());
}

} // namespace
