#include "text/wordhashtokenizer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Counter : TokenVisitor {
  int visits = 0;
  void visit(Token const&) override { ++visits; }
};

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
    const Token token = t.nextToken(buffer, c.size);
    EXPECT_EQ(token.bytes, 4u); // the token itself is always whole
    EXPECT_EQ(std::string(buffer), c.expected);
  }
  WordHashTokenizer t(Utf8Range(text.data(), text.size()));
  const Token token = t.nextToken(nullptr, 10); // a null buffer is never written
  EXPECT_EQ(token.bytes, 4u);
  Tokenizer::renderToken(token, nullptr, 10);
  char one[1] = {'x'};
  Tokenizer::renderToken(token, one, 0);
  EXPECT_EQ(one[0], 'x');
  Tokenizer::renderToken(Token{}, one, 1);
  EXPECT_EQ(one[0], 0);
}

TEST(TokenizerTest, ProcessTokensVisitsRemainingTokensOnly) {
  const std::string text = "a\nb\nc";
  WordHashTokenizer t(Utf8Range(text.data(), text.size()));
  Counter all;
  t.processTokens(all);
  EXPECT_EQ(all.visits, 3);
  Counter none; // exhausted: the test comes before the first token
  t.processTokens(none);
  EXPECT_EQ(none.visits, 0);
  t.reset();
  t.nextToken();
  Counter rest;
  t.processTokens(rest);
  EXPECT_EQ(rest.visits, 2);
}

TEST(TokenizerTest, TypeNames) {
  EXPECT_STREQ(Token::typeName(Token::None), "None");
  EXPECT_STREQ(Token::typeName(Token::ChinesePunctuation), "ChinesePunctuation");
  EXPECT_STREQ(Token::typeName(Token::Other), "Other");
  EXPECT_STREQ(Token::typeName(10), "");
}

} // namespace
