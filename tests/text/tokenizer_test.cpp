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
  } cases[] = {{5, "abcd"}, {4, ""}, {0, "?"}, {-3, "?"}};
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

} // namespace
