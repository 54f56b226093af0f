#include "views/statisticsmodel.h"

#include "support/wordfixture.h"
#include "utils/number.h"
#include "views/clipboard.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

class StatisticsModelTest : public ::testing::Test {
protected:
  void SetUp() override { Number::setLocale(Number::Locale{",", "."}); }
  void TearDown() override { Number::setLocale(Number::Locale{}); }

  std::string value(uint64_t group, uint64_t row) const { return model.value(group, row); }

  qmtest::WordFixture words;
  qmtest::TempDir root;
  WordListManager lists{root.str().c_str()};
  StatisticsModel model;
};

struct Row {
  uint64_t group, row;
  const char* name;
  const char* value;
};

} // namespace

TEST_F(StatisticsModelTest, EveryRowOfASmallDocument) {
  auto statistics = words.statistics();
  lists.current().add(Span("人民"));
  model.setStatistics(statistics.get(), &lists);
  // 6 words (中国 ×2, 人民 known, 我们, 的, abc), 5 unique. Level entries count from a word's lowest level,
  // so 人民 (HSK 2 and 4) is HSK 2's own share and 我们 (TOCFL 3) TOCFL 3's.
  const Row rows[] = {
      {0, 0, "Total", "6"},
      {0, 2, "Percent Known", "16.67%"},
      {0, 4, "Percent Unknown", "83.33%"},
      {0, 6, "Known", "1"},
      {0, 9, "Percent Unknown", "80.00%"},
      {1, 0, "Total Words", ""},
      {1, 1, "Level 1", "50.00%"},
      {1, 2, "Level 2", "16.67% (66.67%)"},
      {1, 3, "Level 3", "0.00% (66.67%)"},
      {1, 7, "Other", "33.33%"},
      {1, 8, "Unique Words", ""},
      {1, 10, "Level 2", "20.00% (60.00%)"},
      {1, 15, "Other", "40.00%"},
      {2, 3, "Level 3", "16.67% (33.33%)"},
      {2, 6, "Other", "66.67%"},
      {2, 12, "Level 5", "0.00% (40.00%)"},
      {3, 1, "Unique", "7"},
      {4, 1, "Total Unicode Codepoints", "15"},
      {4, 2, "Total Lines", "2"},
      {4, 3, "SHA1 Hash", "df1f6159223614b242466982391fab9842f67b92"},
  };
  for (Row const& r : rows) {
    SCOPED_TRACE(std::to_string(r.group) + "/" + std::to_string(r.row));
    EXPECT_STREQ(model.rowName(r.group, r.row), r.name);
    EXPECT_EQ(value(r.group, r.row), r.value);
  }
  EXPECT_TRUE(std::regex_match(value(4, 4), std::regex("[0-9]+\\.[0-9]{3} seconds")));

  Number::setLocale(Number::Locale{".", ","}); // the figures follow the reader's locale
  EXPECT_EQ(value(1, 2), "16,67% (66,67%)");
}

TEST_F(StatisticsModelTest, AnEmptyDocumentShowsZeroSharesAndMissingPartsShowNotAvailable) {
  EXPECT_FALSE(model.hasStatistics());
  EXPECT_EQ(model.groupCount(), 1u);
  EXPECT_STREQ(model.groupName(0), "Processing...");
  EXPECT_EQ(model.rowCount(0), 0u);
  EXPECT_EQ(model.rowName(0, 0), nullptr);
  EXPECT_EQ(value(0, 0), "N/A");

  auto statistics = words.statistics("。\n");
  model.setStatistics(statistics.get(), nullptr);
  EXPECT_EQ(value(0, 0), "N/A"); // no word lists
  model.setStatistics(statistics.get(), &lists);
  for (uint64_t group : {0, 1, 2})
    for (uint64_t row = 0; row < model.rowCount(group); ++row) {
      const std::string name = model.rowName(group, row), shown = value(group, row);
      SCOPED_TRACE(name + " = " + shown);
      if (name.find("Percent") == 0 || name == "Level 1" || name == "Other")
        EXPECT_EQ(shown, "0.00%");
      else if (name.find("Level") == 0)
        EXPECT_EQ(shown, "0.00% (0.00%)");
      else if (name.find("Words") != std::string::npos)
        EXPECT_EQ(shown, "");
      else
        EXPECT_EQ(shown, "0");
    }
  EXPECT_EQ(value(0, 10), "N/A");
  EXPECT_EQ(value(5, 0), "N/A");
  EXPECT_STREQ(model.groupName(5), "Processing...");
  EXPECT_EQ(model.rowName(0, 10), nullptr);
}

// Two lists whose words changed equally often: the summary must follow the set, not only its change count.
TEST_F(StatisticsModelTest, AnotherWordListGivesItsOwnFigures) {
  auto statistics = words.statistics();
  lists.current().add(Span("人民"));
  ASSERT_TRUE(lists.createList("Other", false));
  lists.wordHash("other").add(Span("中国"));
  model.setStatistics(statistics.get(), &lists);
  EXPECT_EQ(value(0, 1), "1");
  lists.setCurrent("other");
  ASSERT_STREQ(lists.currentList(), "other");
  EXPECT_EQ(value(0, 1), "2");
  EXPECT_EQ(value(0, 6), "1");
}

TEST_F(StatisticsModelTest, CopiesTitlesAndRowsAndNeverAnEmptySelection) {
  auto statistics = words.statistics();
  model.setStatistics(statistics.get(), &lists);
  const std::vector<PropertyIndex> rows{{1, -1}, {1, 3}, {0, 0}, {9, 0}};
  EXPECT_EQ(model.text(rows), "HSK Statistics\n\tLevel 3\t0.00% (66.67%)\n\tTotal\t6\n\t\tN/A\n");

  Clipboard clipboard;
  clipboard.setText(Span("kept"));
  EXPECT_FALSE(model.copy({}, false));
  EXPECT_EQ(clipboard.text(), "kept");
  EXPECT_TRUE(model.copy({{3, -1}}, true));
  EXPECT_EQ(clipboard.text(), "kept\nCharacter Statistics\n");
  EXPECT_TRUE(model.copy({{3, 1}}, false));
  EXPECT_EQ(clipboard.text(), "\tUnique\t7\n");
}
