#include "text/segmentengine.h"
#include "text/wordhash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

Token token(const char* text, uint32_t type) {
  return Token{text, std::strlen(text), 1, type};
}

TEST(SegmentEngineTest, AttributesFollowTheWordPolicy) {
  WordHash dictionary(8, nullptr, true), known(8), lookedUp(8);
  for (const char* w : {"中国", "人", "中国人民"})
    dictionary.add(Span(w));
  known.add(Span("中国"));
  known.add(Span("abc"));
  lookedUp.add(Span("中国"));
  SegmentEngine engine(SegmentEngine::ChineseAndAlpha, dictionary);
  auto style = [](uint64_t s) { return (s << 32) + 0x10100; };
  const struct {
    const char* name;
    Token token;
    bool highlight;
    bool withLookedUp;
    uint64_t attribute;
  } cases[] = {
      {"punctuation", token("，", Token::ChinesePunctuation), true, true, 0x10000},
      {"known word", token("中国", Token::Chinese), true, false, style(4)},
      {"known and looked up", token("中国", Token::Chinese), true, true, style(8)},
      {"unknown", token("人", Token::Chinese), true, true, style(7)},
      {"a number is no word", token("12", Token::Number), true, true, 0x10100},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    engine.highlightLookedUpWords(c.highlight);
    engine.setLookedUpWords(c.withLookedUp ? &lookedUp : nullptr);
    EXPECT_EQ(engine.getAttribute(c.token, known), c.attribute);
  }
  engine.type(SegmentEngine::ChineseOnly);
  EXPECT_FALSE(engine.isWord(Token::Alpha));
  EXPECT_EQ(engine.getAttribute(token("abc", Token::Alpha), known), 0x10100u);

  // The shared tokenizer is reset for each range, with its end-of-text mode.
  const std::string text = "中国人";
  ChineseTokenizer& whole = engine.tokenizer(Utf8Range(text.data(), text.size()), true);
  EXPECT_EQ(whole.nextToken().bytes, 6u);
  EXPECT_EQ(whole.nextToken().bytes, 3u);
  ChineseTokenizer& window = engine.tokenizer(Utf8Range(text.data(), 6));
  EXPECT_EQ(&window, &whole);
  EXPECT_EQ(window.nextToken().type, Token::EndOfText); // 中国 may go on past the window
}

} // namespace
