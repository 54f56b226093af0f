#include "views/statisticsviewfactory.h"

#include <gtest/gtest.h>

using F = StatisticsViewFactory;

TEST(StatisticsViewFactoryTest, RowsUnderSubHeadingsAreIndentedInTheNameColumnOnly) {
  EXPECT_EQ(F::leftIndent(false, 0, 1, 0), F::SUB_INDENT);  // "Known" under "Total"
  EXPECT_EQ(F::leftIndent(false, 0, 5, 0), F::INDENT);      // "Unique", a sub-heading
  EXPECT_EQ(F::leftIndent(false, 1, 15, 0), F::SUB_INDENT); // the last row of the HSK group
  EXPECT_EQ(F::leftIndent(false, 0, 1, 1), F::INDENT);
  EXPECT_EQ(F::leftIndent(true, 0, 1, 0), F::INDENT);
  EXPECT_EQ(F::leftIndent(false, 4, 0, 0), F::INDENT);
}

TEST(StatisticsViewFactoryTest, TheAlternateRowIsLighterOnDarkAndDarkerOnLight) {
  EXPECT_EQ(F::alternateColour(Colour(255, 255, 255)), Colour(242, 242, 242));
  EXPECT_EQ(F::alternateColour(Colour(0, 0, 0)), Colour(13, 13, 13));
  EXPECT_EQ(F::alternateColour(Colour(255, 0, 0, 128)), Colour(255, 26, 26, 128)); // hue and alpha kept

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
