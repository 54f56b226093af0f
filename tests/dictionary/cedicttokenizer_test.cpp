#include "dictionary/cedicttokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// Each field as "type:text".
std::vector<std::string> fields(std::string const& text) {
  CEDictTokenizer t(Utf8Range(text.data(), text.size()));
  std::vector<std::string> out;
  while (t.hasTokens()) {
    const auto f = t.nextToken();
    EXPECT_EQ(f.characters, 0u);
    out.push_back(std::to_string(f.type) + ":" + std::string(f.text, f.bytes));
  }
  return out;
}
using V = std::vector<std::string>;
} // namespace

TEST(CEDictTokenizerTest, FieldsOfLines) {
  const struct {
    const char* name;
    std::string text;
    V fields;
  } cases[] = {
      {"entry", "中國 中国 [Zhong1 guo2] /China/\n", {"0:中國", "1:中国", "2:Zhong1 guo2", "3:/China/"}},
      {"no final line end", "你 你 [ni3] /you/", {"0:你", "1:你", "2:ni3", "3:/you/"}},
      {"CR LF",
       "a b [c] /d/\r\ne f [g] /h/\r\n",
       {"0:a", "1:b", "2:c", "3:/d/", "0:e", "1:f", "2:g", "3:/h/"}},
      {"CR alone", "a b [c] /d/\re f [g] /h/", {"0:a", "1:b", "2:c", "3:/d/", "0:e", "1:f", "2:g", "3:/h/"}},
      {"comments and blank lines",
       "# one\n#two\r\n\n#\na b [c] /d/\n# tail\n",
       {"0:a", "1:b", "2:c", "3:/d/"}},
      // A malformed line is one error and the next line is read on its own.
      {"no pinyin", "a b /d/\ne f [g] /h/\n", {"0:a", "1:b", "4:/d/\n", "0:e", "1:f", "2:g", "3:/h/"}},
      {"unclosed pinyin",
       "a b [c /d/\ne f [g] /h/\n",
       {"0:a", "1:b", "4:[c /d/\n", "0:e", "1:f", "2:g", "3:/h/"}},
      {"no definition",
       "a b [c]\ne f [g] /h/\n",
       {"0:a", "1:b", "2:c", "4:\n", "0:e", "1:f", "2:g", "3:/h/"}},
      {"no simplified", "abc [g] /h/\n", {"0:abc", "1:[g]", "4:/h/\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fields(c.text), c.fields);
  }
}

TEST(CEDictTokenizerTest, ResetAndLineLength) {
  const std::string text = "# c\na b [c] /d/\n";
  CEDictTokenizer t(Utf8Range(text.data(), text.size()));
  EXPECT_EQ(t.lineLength(), 4u); // the comment is skipped at once
  while (t.hasTokens())
    t.nextToken();
  EXPECT_EQ(t.lineLength(), text.size());
  const auto past = t.nextToken();
  EXPECT_EQ(past.type, CEDictTokenizer::Error);
  EXPECT_EQ(past.bytes, 0u);
  t.reset();
  EXPECT_EQ(std::string(t.nextToken().text, 1), "a");
}
