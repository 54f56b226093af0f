#include "text/wordhashtokenizer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(TokenizerTest, NextTokenIntoBufferCopiesOnlyWhatFits) {
  const std::string text = "abcd\n";
  const struct {
    int size;
    std::string expected; // "?" marks an untouched buffer
  } cases[] = {{5, "abcd"}, {4, ""}, {1, ""}, {0, "?"}, {-3, "?"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.size);
    WordHashTokenizer t(Utf8Range(text.data(), text.size()));
    char buffer[8];
    std::memcpy(buffer, "?", 2);
    EXPECT_EQ(t.nextToken(buffer, c.size).bytes, 4u); // the token itself is always whole
    EXPECT_EQ(std::string(buffer), c.expected);
  }
  WordHashTokenizer t(Utf8Range(text.data(), text.size()));
  EXPECT_EQ(t.nextToken(nullptr, 10).bytes, 4u); // a null buffer is never written
  char one[1] = {'x'};
  Tokenizer::renderToken(Token{}, one, 1);
  EXPECT_EQ(one[0], 0);
}

TEST(TokenizerTest, ProcessTokensVisitsRemainingTokensOnly) {
  struct Counter : TokenVisitor {
    int visits = 0;
    void visit(Token const&) override { ++visits; }
  };
  const std::string text = "a\nb\nc";
  WordHashTokenizer t(Utf8Range(text.data(), text.size()));
  t.nextToken();
  Counter rest, none;
  t.processTokens(rest);
  EXPECT_EQ(rest.visits, 2);
  t.processTokens(none); // exhausted: the test comes before the first token
  EXPECT_EQ(none.visits, 0);
}

} // namespace
