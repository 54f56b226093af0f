#include "views/wordlistmodel.h"

#include "support/wordfixture.h"
#include "views/wordlistcolumns.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

class WordListModelTest : public ::testing::Test {
protected:
  Words rows() const {
    Words out;
    for (WordStatistics const* r : model.rows())
      out.emplace_back(r->word.view());
    return out;
  }
  std::string cell(size_t row, int column, size_t size = WordListModel::CELL_SIZE) const {
    std::vector<char> buffer(size + 1, 'x');
    const size_t n = model.cellText(row, column, buffer.data(), size);
    EXPECT_EQ(n, std::strlen(buffer.data()));
    return buffer.data();
  }

  qmtest::WordFixture words;
  std::unique_ptr<DocumentStatistics> statistics = words.statistics();
  qmtest::TempDir root;
  WordListManager lists{root.str().c_str()};
  WordListModel model{lists};
};

} // namespace

// 中国 ×2 at 0 (HSK 1), 人民 at 6 (HSK 2, 4), 我们 at 13 (TOCFL 3), 的 at 19 (HSK 1, TOCFL 1), abc at 31.
TEST_F(WordListModelTest, EveryHeaderSortsAndItsSecondClickReverses) {
  const struct {
    WordListColumns::Direction first;
    Words ascending;
  } columns[WordListColumns::COUNT] = {
      {WordListColumns::Unsorted, {}},
      {WordListColumns::Ascending, {"abc", "中国", "人民", "我们", "的"}},
      {WordListColumns::Descending, {"abc", "的", "我们", "人民", "中国"}},
      {WordListColumns::Descending, {"abc", "的", "我们", "人民", "中国"}},
      {WordListColumns::Ascending, {"abc", "的", "我们", "人民", "中国"}}, // cumulative: frequency ascending
      {WordListColumns::Ascending, {"中国", "人民", "我们", "的", "abc"}},
      {WordListColumns::Ascending, {"的", "中国", "人民", "abc", "我们"}}, // no level last
      {WordListColumns::Ascending, {"的", "我们", "abc", "人民", "中国"}},
      {WordListColumns::Ascending, {"的", "中国", "人民", "我们", "abc"}}, // ties: more frequent first
  };
  model.setStatistics(statistics.get());
  for (int c = 0; c < WordListColumns::COUNT; ++c) {
    SCOPED_TRACE(WordListColumns::column(c).identifier);
    EXPECT_EQ(WordListColumns::indexOf(WordListColumns::column(c).identifier), c);
    EXPECT_EQ(WordListColumns::column(c).firstDirection, columns[c].first);
    const auto current = WordStatisticsSort::WordDescending;
    for (auto direction : {WordListColumns::Ascending, WordListColumns::Descending}) {
      model.setSortType(WordListColumns::sortType(c, direction, current));
      model.update();
      Words expected = c == 0 ? Words{"的", "我们", "人民", "中国", "abc"} : columns[c].ascending;
      if (direction == WordListColumns::Descending && c != 0) std::reverse(expected.begin(), expected.end());
      EXPECT_EQ(rows(), expected);
    }
  }
  EXPECT_EQ(WordListColumns::indexOf("Nothing"), -1);
}

TEST_F(WordListModelTest, TheFilterTextNarrowsTheTabWithoutFetchingAgain) {
  lists.current().add(Span("人民"));
  model.setStatistics(statistics.get());
  model.setFilterType(DocumentStatistics::UnknownWords);
  model.update();
  EXPECT_EQ(rows(), (Words{"中国", "我们", "的", "abc"}));
  model.setSearchText(Span("*们"));
  model.update();
  EXPECT_EQ(rows(), (Words{"我们"}));
  model.setSearchText(Span("人*")); // only the tab's words are filtered
  model.update();
  EXPECT_EQ(rows(), Words{});

  lists.current().add(Span("我们")); // not seen until a fetch: clearing the filter does not fetch
  model.setSearchText(Span(""));
  model.update();
  EXPECT_EQ(rows(), (Words{"中国", "我们", "的", "abc"}));
  model.setDirty();
  model.update();
  EXPECT_EQ(rows(), (Words{"中国", "的", "abc"}));
  model.setFilterType(DocumentStatistics::KnownWords);
  model.update();
  EXPECT_EQ(rows(), (Words{"人民", "我们"}));

  model.setStatistics(nullptr); // the rows go at once, before any update
  EXPECT_EQ(model.rowCount(), 0u);
  EXPECT_EQ(model.row(0), nullptr);
}

TEST_F(WordListModelTest, CellTextsAreCutAtACharacterBoundary) {
  model.setStatistics(statistics.get());
  model.update();
  const Words expected = {"1", "中国", "2", "33.333333", "33.333333", "1", "1", "*", "2", "中国"};
  for (int c = 0; c < int(expected.size()); ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(cell(0, c), expected[c]);
  }
  EXPECT_EQ(cell(1, 6), "2, 4");
  EXPECT_EQ(cell(4, 0), "5");
  EXPECT_EQ(cell(4, 5), "32");
  EXPECT_EQ(cell(0, 1, 6), "中"); // 5 bytes of room: one whole character
  EXPECT_EQ(cell(0, 1, 3), "");   // 2 bytes of room: none
  EXPECT_EQ(cell(5, 1), "");      // past the end
  EXPECT_EQ(model.cellText(0, 1, nullptr, 10), 0u);
  char untouched = 'x';
  EXPECT_EQ(model.cellText(0, 1, &untouched, 0), 0u);
  EXPECT_EQ(untouched, 'x');

  const std::string longWord(1500, 'a');
  auto longText = words.statistics(longWord + "\n");
  model.setStatistics(longText.get());
  model.update();
  ASSERT_EQ(model.rowCount(), 1u);
  EXPECT_EQ(cell(0, 1, 4096), longWord.substr(0, 1024)); // a cell holds at most 1,024 bytes
  EXPECT_EQ(cell(0, 8), "1500");
}

// The few rows a view measures to fit the word column: the most display columns first (a Chinese
// character counts two letters), earlier rows first among equals, within the rows shown.
TEST_F(WordListModelTest, WidestRowsAreTheWordsOfMostDisplayColumns) {
  words.master.add(Span("中华人民共和国"));
  auto text = words.statistics(qmtest::WordFixture::TEXT + "中华人民共和国 abcdefghijklm abcdefghijklmn\n");
  model.setStatistics(text.get());
  model.setSortType(WordStatisticsSort::FirstOccurrenceAscending);
  const auto widest = [&](size_t count) {
    Words out;
    for (size_t row : model.widestRows(count))
      out.emplace_back(model.row(row)->word.view());
    return out;
  };
  const struct {
    const char* filter;
    size_t count;
    Words rows;
  } cases[] = {
      {"", 0, {}},
      {"", 1, {"中华人民共和国"}},
      {"", 3, {"中华人民共和国", "abcdefghijklmn", "abcdefghijklm"}},
      {"", 100, {"中华人民共和国", "abcdefghijklmn", "abcdefghijklm", "中国", "人民", "我们", "abc", "的"}},
      {"中", 2, {"中华人民共和国", "中国"}},
      {"x", 2, {}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.filter) + " " + std::to_string(c.count));
    model.setSearchText(Span(c.filter));
    model.update();
    EXPECT_EQ(widest(c.count), c.rows);
  }
}
