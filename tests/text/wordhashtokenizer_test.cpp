#include "text/wordhashdifftokenizer.h"
#include "text/wordhashtokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Line {
  std::string text;
  uint64_t characters;
  bool operator==(Line const&) const = default;
};
std::ostream& operator<<(std::ostream& os, Line const& l) {
  return os << "'" << l.text << "'/" << l.characters;
}

std::vector<Line> lines(std::string const& text) {
  WordHashTokenizer t(Utf8Range(text.data(), text.size()));
  std::vector<Line> out;
  while (t.hasTokens()) {
    const Token k = t.nextToken();
    EXPECT_EQ(k.type, Token::None);
    out.push_back({std::string(k.text, k.bytes), k.characters});
  }
  return out;
}

TEST(WordHashTokenizerTest, LineEndsAndByteOrderMark) {
  const struct {
    std::string text;
    std::vector<Line> expected;
  } cases[] = {
      {"", {}},
      {"\xEF\xBB\xBFx\r\ny\rz", {{"x", 1}, {"y", 1}, {"z", 1}}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB", {{"\xEF\xBB", 1}}}, // too short to be a byte-order mark
      {"a\n\nb", {{"a", 1}, {"", 0}, {"b", 1}}},
      {"a\nb\n", {{"a", 1}, {"b", 1}}},
      {"a\r\rb\r", {{"a", 1}, {"", 0}, {"b", 1}}},
      {"中国\n\xE4", {{"中国", 2}, {"\xE4", 1}}}, // a cut lead byte ends at the text's end
      {"\xE4\n", {{"\xE4", 1}}},                  // and never swallows the line end
      {"\n", {{"", 0}}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(lines(c.text), c.expected);
  }
}

TEST(WordHashDiffTokenizerTest, MarksAndLineEnds) {
  const std::string text = "-a\r\n+bc\rx\n+\n";
  WordHashDiffTokenizer t(Utf8Range(text.data(), text.size()));
  const struct {
    uint32_t type;
    std::string text;
  } expected[] = {{1, "a"}, {2, "bc"}, {0, "x"}, {2, ""}};
  for (auto const& e : expected) {
    SCOPED_TRACE(e.text);
    ASSERT_TRUE(t.hasTokens());
    const Token k = t.nextToken();
    EXPECT_EQ(k.type, e.type);
    EXPECT_EQ(std::string(k.text, k.bytes), e.text);
    EXPECT_EQ(k.characters, 0u);
  }
  EXPECT_FALSE(t.hasTokens());
  const Token end = t.nextToken();
  EXPECT_EQ(end.type, 0u);
  EXPECT_EQ(end.bytes, 0u);
}

} // namespace
