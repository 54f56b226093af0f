#include "text/wordhashdifftokenizer.h"
#include "text/wordhashtokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::pair<std::string, uint64_t>>; // text and characters

TEST(WordHashTokenizerTest, LineEndsAndByteOrderMark) {
  const struct {
    std::string text;
    Lines expected;
  } cases[] = {
      {"", {}},
      {"\xEF\xBB\xBFx\r\ny\rz", {{"x", 1}, {"y", 1}, {"z", 1}}},
      {"\xEF\xBB", {{"\xEF\xBB", 1}}}, // too short to be a byte-order mark
      {"a\n\nb", {{"a", 1}, {"", 0}, {"b", 1}}},
      {"a\r\rb\r", {{"a", 1}, {"", 0}, {"b", 1}}},
      {"中国\n\xE4", {{"中国", 2}, {"\xE4", 1}}}, // a cut lead byte ends at the text's end
      {"\xE4\n", {{"\xE4", 1}}},                  // and never swallows the line end
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    WordHashTokenizer t(Utf8Range(c.text.data(), c.text.size()));
    Lines lines;
    while (t.hasTokens()) {
      const Token k = t.nextToken();
      EXPECT_EQ(k.type, Token::None);
      lines.emplace_back(std::string(k.text, k.bytes), k.characters);
    }
    EXPECT_EQ(lines, c.expected);
  }
}

TEST(WordHashDiffTokenizerTest, MarksAndLineEnds) {
  const std::string text = "-a\r\n+bc\rx\n+\n";
  WordHashDiffTokenizer t(Utf8Range(text.data(), text.size()));
  Lines lines; // text and type: 1 removed, 2 added, 0 neither
  while (t.hasTokens()) {
    const Token k = t.nextToken();
    lines.emplace_back(std::string(k.text, k.bytes), k.type);
  }
  EXPECT_EQ(lines, (Lines{{"a", 1}, {"bc", 2}, {"x", 0}, {"", 2}}));
  const Token end = t.nextToken();
  EXPECT_EQ(end.type + end.bytes, 0u);
}

} // namespace
