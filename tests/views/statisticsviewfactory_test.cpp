#include "views/statisticsviewfactory.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(StatisticsViewFactoryTest, RowsUnderSubHeadingsAreIndentedInTheNameColumnOnly) {
  const std::set<int64_t> indented[] = {{1, 2, 3, 4, 6, 7, 8, 9},
                                        {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15},
                                        {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13},
                                        {},
                                        {}};
  const int64_t rows[] = {10, 16, 14, 2, 5};
  for (int64_t group = 0; group < 5; ++group)
    for (int64_t row = 0; row < rows[group]; ++row) {
      SCOPED_TRACE(std::to_string(group) + "/" + std::to_string(row));
      EXPECT_EQ(StatisticsViewFactory::leftIndent(false, group, row, 0),
                indented[group].count(row) ? 30.0 : 2.0);
      EXPECT_EQ(StatisticsViewFactory::leftIndent(false, group, row, 1), 2.0);
      EXPECT_EQ(StatisticsViewFactory::leftIndent(true, group, row, 0), 2.0);
    }
}

TEST(StatisticsViewFactoryTest, TheAlternateRowIsLighterOnDarkAndDarkerOnLight) {
  const struct {
    Colour background, alternate;
  } cases[] = {
      {Colour(255, 255, 255), Colour(242, 242, 242)},
      {Colour(0x1c, 0x1c, 0x1c), Colour(41, 41, 41)},
      {Colour(255, 0, 0, 128), Colour(255, 26, 26, 128)}, // dark by brightness: lighter, hue and alpha kept
      {Colour(0, 0, 0), Colour(13, 13, 13)},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(int(c.background.r));
    EXPECT_EQ(StatisticsViewFactory::alternateColour(c.background), c.alternate);
  }

  StatisticsViewFactory factory;
  factory.setTextColour(Colour(1, 2, 3));
  EXPECT_FALSE(factory.rowColour(0));
  factory.setBackgroundColour(Colour(255, 255, 255));
  EXPECT_EQ(factory.rowColour(0), Colour(242, 242, 242)); // in this pane the alternate colour comes first
  EXPECT_EQ(factory.rowColour(1), Colour(255, 255, 255));
  factory.setBackgroundColour(std::nullopt); // clears the background, keeps the alternate colour
  EXPECT_FALSE(factory.rowColour(0));
  EXPECT_EQ(factory.alternateBackgroundColour(), Colour(242, 242, 242));
}
