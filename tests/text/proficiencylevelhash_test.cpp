#include "text/proficiencylevelhash.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProficiencyLevelTest, AsText) {
  const struct {
    uint16_t bits;
    size_t size;
    std::string text;
    size_t length;
  } cases[] = {
      {0, 10, "*", 1},          {6, 10, "2, 3", 4}, {63, 20, "1, 2, 3, 4, 5, 6", 16},
      {63, 10, "1, 2, 3, ", 9}, {3, 3, "1,", 2},    {3, 1, "", 0},
      {64, 10, "*", 1}, // beyond level 6: no level
      {32, 10, "6", 1},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " into " + std::to_string(c.size));
    char buffer[32];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ((ProficiencyLevel{c.bits, 0}.asText(buffer, c.size)), c.length);
    EXPECT_EQ(std::string(buffer), c.text);
    EXPECT_EQ(buffer[c.size], 'X'); // nothing past the buffer
  }
  char untouched = 'X';
  EXPECT_EQ((ProficiencyLevel{1, 0}.asText(&untouched, 0)), 0u);
  EXPECT_EQ(untouched, 'X');
  EXPECT_EQ((ProficiencyLevel{1, 0}.asText(nullptr, 10)), 0u);
}

TEST(ProficiencyLevelHashTest, BitsFromSeveralLists) {
  ProficiencyLevelHash levels;
  const std::string hsk2 = "\xEF\xBB\xBF爱\r\n学习\r\n", hsk3 = "学习\n", tocfl1 = "學習\r學習";
  levels.addTextWithLevel(ProficiencyLevelHash::HSK, Utf8Range(hsk2.data(), hsk2.size()), 2);
  levels.addTextWithLevel(ProficiencyLevelHash::HSK, Utf8Range(hsk3.data(), hsk3.size()), 4);
  levels.addTextWithLevel(ProficiencyLevelHash::TOCFL, Utf8Range(tocfl1.data(), tocfl1.size()), 1);
  const struct {
    const char* word;
    ProficiencyLevel level;
  } cases[] = {{"学习", {6, 0}}, {"爱", {2, 0}}, {"學習", {0, 1}}, {"不在", {0, 0}}, {"学", {0, 0}}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(levels.level(Span(c.word)), c.level);
  }
  char text[16];
  levels.level(Span("学习")).asText(text, sizeof text);
  EXPECT_STREQ(text, "2, 3");
  EXPECT_EQ(levels.size(), 3u);
  levels.clear();
  EXPECT_EQ(levels.level(Span("学习")), (ProficiencyLevel{0, 0}));
}

TEST(ProficiencyLevelHashTest, MissingFilesLeaveNoLevels) {
  qmtest::TempDir dir;
  ProficiencyLevelHash levels;
  levels.addFileWithLevel(ProficiencyLevelHash::HSK, nullptr, 1);
  levels.addFileWithLevel(ProficiencyLevelHash::HSK, (dir / "none.txt").c_str(), 1);
  EXPECT_EQ(levels.size(), 0u);
  qmtest::writeFile(dir / "hsk.txt", "好\n");
  levels.addFileWithLevel(ProficiencyLevelHash::TOCFL, (dir / "hsk.txt").c_str(), 16);
  EXPECT_EQ(levels.level(Span("好")), (ProficiencyLevel{0, 16}));
}

} // namespace
