// qel.Document's words and statistics tables: values checked by hand on a small text, every sort key
// checked for order over the whole PKU corpus text, the options and their errors.
#include "documentscripts.h"

namespace {

using qmtest::DocumentScriptTest;

class QelDocumentStatisticsTest : public DocumentScriptTest {
protected:
  // 我 2, 喜欢 3, 你 2, 我们 1, 北京大学 1: nine words, all but 北京大学 in HSK 1 and TOCFL 1. The
  // state's known words are 我 and 好.
  std::string open() {
    qmtest::writeFile(files / "small.txt", "我喜欢你。\r\n你喜欢我。我们喜欢北京大学。\r\n");
    return "local d = qel.Document(" + quoted((files / "small.txt").string()) + ")\n";
  }
};

TEST_F(QelDocumentStatisticsTest, TablesOfASmallText) {
  EXPECT_EQ(
      output(open() + R"(
for _, s in ipairs(d:allStatistics()) do
  write(s.word, " ", s.frequency, " ", string.format("%.2f %.2f", s.percentageFrequency, s.cumulativePercentageFrequency),
        " ", s.firstOccurrence, " ", s.hskLevel, " ", s.tocflLevel, ";")
end)"),
      "喜欢 3 33.33 33.33 3 1 1;我 2 22.22 55.56 0 1 1;你 2 22.22 77.78 9 1 1;我们 1 11.11 88.89 32 1 1;"
      "北京大学 1 11.11 100.00 44 999 999;");
}

TEST_F(QelDocumentStatisticsTest, KnownAndUnknown) {
  EXPECT_EQ(output(open() + R"(
local function words(t) local w = {} for _, s in ipairs(t) do w[#w + 1] = s.word end return table.concat(w, ",") end
local list = qel.WordList()
list:addWord("喜欢")
list:addWord("你")
write(words(d:knownStatistics()), "/", words(d:unknownStatistics({sortBy = "word"})), "/",
      words(d:knownStatistics({wordList = list})), "/", words(d:unknownStatistics({wordList = list, sortBy = "word"})),
      "/", #d:knownWords(), #d:unknownWords(), #d:knownWords(list), #d:unknownWords(list), #d:allWords(), "/",
      tostring(d:unknownWords(list):contains("北京大学")), tostring(d:allWords():contains("北京")))
)"),
            "我/你,北京大学,喜欢,我们/喜欢,你/北京大学,我,我们/14235/truefalse");
}

TEST_F(QelDocumentStatisticsTest, KeyedByWord) {
  EXPECT_EQ(output(open() + R"(
local byWord, order = d:allStatistics({keyByWord = true, sortBy = "firstOccurrence"})
write(byWord["我们"].frequency, " ", tostring(byWord["我们"].word), " ", table.concat(order, ","), " ")
local only, second = d:allStatistics({keyByWord = true, sorted = false})
write(byWord["喜欢"].hskLevel, " ", tostring(second), " ", only["你"].firstOccurrence)
local _, ignored = d:allStatistics({keyByWord = true, sorted = "no"})
write(" ", #ignored))"),
            "1 nil 我,喜欢,你,我们,北京大学 1 nil 9 5");
}

// Words that key a table are cut to 255 bytes.
TEST_F(QelDocumentStatisticsTest, LongWordsAreCutAsKeys) {
  const std::string word(301, 'x');
  qmtest::writeFile(files / "long.txt", "我" + word);
  EXPECT_EQ(output("local d = qel.Document(" + quoted((files / "long.txt").string()) + R"()
local keyed, order = d:allStatistics({keyByWord = true})
local lengths = {}
for _, w in ipairs(order) do lengths[#lengths + 1] = #w end
table.sort(lengths)
local full = 0
for _, s in ipairs(d:allStatistics()) do full = math.max(full, #s.word) end
write(table.concat(lengths, ","), " ", full))"),
            "3,255 301");
}

TEST_F(QelDocumentStatisticsTest, OptionErrors) {
  const std::string message = failure(open() + "d:allStatistics({}, {})");
  EXPECT_NE(message.find("Document:statisticsSortOrder - expects a total of 2 arguments"), std::string::npos)
      << message;
  EXPECT_NE(failure(open() + "d:knownStatistics({wordList = 5})").find("qel.WordList expected"),
            std::string::npos);
  EXPECT_EQ(output(open() + "write(d:allStatistics('word')[1].word)"), "喜欢"); // not a table: by frequency
}

// Every sort key and direction, over the whole corpus text: the order holds for every neighbouring pair.
TEST_F(QelDocumentStatisticsTest, EverySortKeyOrdersTheCorpus) {
  const struct {
    const char* options;
    const char* key;
    bool ascending;
  } cases[] = {
      {"{}", "frequency", false},
      {"{sortBy = 'unknown'}", "frequency", false},
      {"{sortBy = 'frequency', ascending = true}", "frequency", true},
      {"{sortBy = 'firstOccurrence'}", "firstOccurrence", true},
      {"{sortBy = 'firstOccurrence', ascending = false}", "firstOccurrence", false},
      {"{sortBy = 'word'}", "word", true},
      {"{sortBy = 'word', ascending = false}", "word", false},
      {"{sortBy = 'hskLevel'}", "hskLevel", true},
      {"{sortBy = 'hskLevel', ascending = false}", "hskLevel", false},
      {"{sortBy = 'tocflLevel', ascending = true}", "tocflLevel", true},
      {"{sortBy = 'tocflLevel', ascending = false}", "tocflLevel", false},
  };
  std::string script = "local d = qel.Document(" +
                       quoted((qmtest::sharedDataDir() / "corpus/pku_test.utf8").string()) +
                       ")\nlocal all = #d:allWords()\n";
  script += R"(local function check(options, key, ascending)
  local t = d:allStatistics(options)
  local bad = 0
  for i = 2, #t do
    local a, b = t[i - 1][key], t[i][key]
    if (ascending and a > b) or (not ascending and a < b) then bad = bad + 1 end
  end
  write(#t == all and #t > 5000 and "" or "count ", bad, ";")
end
)";
  std::string expected;
  for (auto const& c : cases) {
    script +=
        std::string("check(") + c.options + ", '" + c.key + "', " + (c.ascending ? "true" : "false") + ")\n";
    expected += "0;";
  }
  EXPECT_EQ(output(script), expected);
}

} // namespace
