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

// The levels of the shipped lists are read through the word list manager; here only what no list gives.
TEST(ProficiencyLevelHashTest, NoFileAddsNothing) {
  qmtest::TempDir dir;
  ProficiencyLevelHash levels;
  levels.addFileWithLevel(ProficiencyLevelHash::HSK, nullptr, 1);
  levels.addFileWithLevel(ProficiencyLevelHash::HSK, (dir / "none.txt").c_str(), 1);
  levels.addFileWithLevel(ProficiencyLevelHash::TOCFL, dir.str().c_str(), 1);
  EXPECT_EQ(levels.size(), 0u);
}

} // namespace
