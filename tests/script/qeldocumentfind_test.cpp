// qel.Document's search iterators: by word, by array and by qel.WordList, the search range of a string
// query, and progress on a long line without terminators.
#include "documentscripts.h"

namespace {

using qmtest::DocumentScriptTest;

class QelDocumentFindTest : public DocumentScriptTest {
protected:
  std::string open(std::string const& content) {
    qmtest::writeFile(files / "find.txt", content);
    return "local d = qel.Document(" + quoted((files / "find.txt").string()) + ")\n" + R"(
local function all(it)
  local t = {}
  for a, b, c in it do
    local row = {a}
    if b then row[#row + 1] = tostring(b) end
    if c then row[#row + 1] = tostring(c) end
    t[#t + 1] = table.concat(row, "~")
  end
  return table.concat(t, "|")
end
)";
  }
  static constexpr const char* TEXT =
      "我喜欢你。你喜欢我。\r\n北京大学很大。\r\n我们喜欢北京，我喜欢北京！\r\n";
};

TEST_F(QelDocumentFindTest, Queries) {
  const struct {
    const char* name;
    const char* call;
    const char* found;
  } cases[] = {
      {"a word: each sentence once, with its line", "d:findWord('北京')",
       "北京~我们喜欢北京，我喜欢北京！~我们喜欢北京，我喜欢北京！"},
      {"a word whose only occurrence begins a line", "d:findWord('北京大学')",
       "北京大学~北京大学很大。~北京大学很大。"},
      {"lines: a line with two matches once", "d:findLinesContaining('喜欢')",
       "喜欢~我喜欢你。你喜欢我。|喜欢~我们喜欢北京，我喜欢北京！"},
      {"sentences", "d:findSentencesContaining('你')", "你~我喜欢你。|你~你喜欢我。"},
      {"a word the document does not hold", "d:findWord('猫')", ""},
      {"a part of a word is no match", "d:findWord('北')", ""},
      {"an array, elements after the first nil unread", "d:findSentencesContaining({'猫', nil, '北京'})", ""},
      {"an array: the first matching word of each sentence", "d:findSentencesContaining({'北京', 5, '你'})",
       "你~我喜欢你。|你~你喜欢我。|北京~我们喜欢北京，我喜欢北京！"},
      {"a list: a token that only begins a stored word does not match", "d:findLinesContaining(list)",
       "北京大学~北京大学很大。"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(output(open(TEXT) + "local list = qel.WordList()\nlist:addWord('北京大学')\nwrite(all(" +
                     c.call + "))"),
              c.found);
  }
}

TEST_F(QelDocumentFindTest, QueryErrors) {
  expectErrors(
      qmtest::SCRIPT_PRELUDE + open(TEXT),
      {
          {"d:findWord(5)", "invalid parameter, expecting a string, a table or a qel.WordList"},
          {"d:findWord()", "invalid parameter, expecting a string, a table or a qel.WordList"},
          {"d:findLinesContaining()", "invalid parameter, expecting a string, a table or a qel.WordList"},
          {"d:findSentencesContaining(nil)",
           "invalid parameter, expecting a string, a table or a qel.WordList"},
          {"d:findSentencesContaining(qel.Text('x'))", "qel.WordList expected"},
      });
}

// A list may grow while a search over it runs: the search reads the list as it is at each step.
TEST_F(QelDocumentFindTest, ListChangedDuringTheSearch) {
  EXPECT_EQ(output(open(TEXT) + R"(local list = qel.WordList()
list:addWord("你")
local found = {}
for w in d:findSentencesContaining(list) do
  found[#found + 1] = w
  for i = 1, 5000 do list:addWord("词" .. i) end
  list:addWord("北京")
end
write(table.concat(found, ",")))"),
            "你,你,北京");
}

// A sentence that ends in the beginning of a longer word (中华人民共和国) keeps its last word.
TEST_F(QelDocumentFindTest, LastWordOfATextEndingInAPrefix) {
  EXPECT_EQ(output(open("我爱中华人民共") +
                   "write(all(d:findWord('共')), '/', all(d:findSentencesContaining({'共'})))"),
            "共~我爱中华人民共~我爱中华人民共/共~我爱中华人民共");
}

// One long line without a terminator is one sentence; every search over it ends.
TEST_F(QelDocumentFindTest, LongLineWithoutTerminators) {
  std::string line;
  for (int i = 0; i < 5000; ++i)
    line += "我喜欢你";
  EXPECT_EQ(output(open(line) + R"(
local n, length = 0, 0
for w, s, l in d:findWord("你") do n = n + 1; length = #tostring(l) end
local lines = 0
for l in d:lines() do lines = lines + 1 end
write(n, " ", length, " ", lines, " ", all(d:findLinesContaining({"猫"})), #all(d:findSentencesContaining(qel.WordList())))
)"),
            "1 60000 1 0");
}

} // namespace
