#include "text/proficiencylevelhash.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProficiencyLevelTest, AsTextNeverWritesPastTheBuffer) {
  const struct {
    uint16_t bits;
    size_t size;
    std::string text;
  } cases[] = {
      {0, 10, "*"}, {6, 10, "2, 3"}, {63, 20, "1, 2, 3, 4, 5, 6"}, {63, 10, "1, 2, 3, "}, {3, 3, "1,"},
      {3, 1, ""},   {64, 10, "*"}, // beyond level 6: no level
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " into " + std::to_string(c.size));
    char buffer[32];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ((ProficiencyLevel{c.bits, 0}.asText(buffer, c.size)), c.text.size());
    EXPECT_EQ(std::string(buffer), c.text);
    EXPECT_EQ(buffer[c.size], 'X');
  }
  char untouched = 'X';
  EXPECT_EQ((ProficiencyLevel{1, 0}.asText(&untouched, 0)), 0u);
  EXPECT_EQ(untouched, 'X');
  EXPECT_EQ((ProficiencyLevel{1, 0}.asText(nullptr, 10)), 0u);
}

TEST(ProficiencyLevelHashTest, BitsFromSeveralLists) {
  qmtest::TempDir dir;
  ProficiencyLevelHash levels;
  const std::string hsk2 = "\xEF\xBB\xBF爱\r\n学习\r\n", hsk3 = "学习\n", tocfl1 = "學習\r學習";
  levels.addTextWithLevel(ProficiencyLevelHash::HSK, Utf8Range(hsk2.data(), hsk2.size()), 2);
  levels.addTextWithLevel(ProficiencyLevelHash::HSK, Utf8Range(hsk3.data(), hsk3.size()), 4);
  levels.addTextWithLevel(ProficiencyLevelHash::TOCFL, Utf8Range(tocfl1.data(), tocfl1.size()), 1);
  levels.addFileWithLevel(ProficiencyLevelHash::HSK, nullptr, 1);
  levels.addFileWithLevel(ProficiencyLevelHash::HSK, (dir / "none.txt").c_str(), 1);
  qmtest::writeFile(dir / "tocfl.txt", "好\n");
  levels.addFileWithLevel(ProficiencyLevelHash::TOCFL, (dir / "tocfl.txt").c_str(), 16);
  const struct {
    const char* word;
    ProficiencyLevel level;
  } cases[] = {{"学习", {6, 0}}, {"爱", {2, 0}}, {"學習", {0, 1}}, {"好", {0, 16}}, {"学", {0, 0}}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(levels.level(Span(c.word)), c.level);
  }
  levels.clear();
  EXPECT_EQ(levels.level(Span("学习")), (ProficiencyLevel{0, 0}));
}

} // namespace
