#include "desktop-ui/statisticswidget.h"

#include "desktop-ui/propertyitemmodel.h"
#include "support/shownwhole.h"
#include "support/wordfixture.h"
#include "utils/number.h"
#include "views/colourscheme.h"
#include "views/statisticsmodel.h"
#include "views/styleid.h"
#include "wordlists/wordlistmanager.h"

#include <QApplication>
#include <QScrollBar>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

using Items = std::vector<PropertyIndex>;

class StatisticsWidgetTest : public ::testing::Test {
protected:
  void SetUp() override {
    Number::setLocale(Number::Locale{",", "."});
    lists.current().add(Span("人民"));
  }
  void TearDown() override { Number::setLocale(Number::Locale{}); }

  QString shown(int group, int row, int column) const {
    PropertyItemModel* items = widget.items();
    const QModelIndex parent = group < 0 ? QModelIndex() : items->index(group, 0);
    return items->data(items->index(row, column, parent)).toString();
  }
  QModelIndex rowIndex(int group, int row) const {
    const QModelIndex title = widget.items()->index(group, 0);
    return row < 0 ? title : widget.items()->index(row, 0, title);
  }
  void select(std::vector<std::pair<int, int>> const& rows) {
    widget.tree()->clearSelection();
    for (auto [group, row] : rows) {
      widget.tree()->selectionModel()->select(rowIndex(group, row),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  void focus() {
    widget.show();
    QApplication::setActiveWindow(&widget);
    widget.tree()->setFocus();
  }

  qmtest::WordFixture words;
  std::unique_ptr<DocumentStatistics> statistics = words.statistics();
  qmtest::TempDir root;
  WordListManager lists{root.str().c_str()};
  StatisticsModel model;
  StatisticsWidget widget;
};

} // namespace

TEST_F(StatisticsWidgetTest, PlaceholdersCannotBeSelectedOrCopied) {
  focus();
  const struct {
    StatisticsModel* model;
    const char* text;
  } cases[] = {{nullptr, "No file loaded"}, {&model, "Processing..."}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    widget.setModel(c.model);
    ASSERT_EQ(widget.items()->rowCount(), 1);
    EXPECT_EQ(shown(-1, 0, 0), c.text);
    EXPECT_EQ(shown(-1, 0, 1), c.text);
    widget.selectAll();
    EXPECT_TRUE(widget.selectedItems().empty());
    EXPECT_FALSE(widget.canCopy());
  }
}

TEST_F(StatisticsWidgetTest, CollapsedGroupsStayCollapsedAndTheirRowsAreNotCopied) {
  model.setStatistics(statistics.get(), &lists);
  widget.setModel(&model);
  ASSERT_EQ(widget.items()->rowCount(), 5);
  EXPECT_EQ(shown(1, 3, 0), "Level 3");
  EXPECT_EQ(shown(1, 3, 1), "0.00% (66.67%)");
  for (int group = 0; group < 5; ++group)
    EXPECT_TRUE(widget.tree()->isExpanded(rowIndex(group, -1))) << group;

  focus();
  select({{1, 3}, {0, 1}, {1, -1}});
  EXPECT_TRUE(widget.canCopy());
  EXPECT_EQ(widget.selectedItems(), (Items{{0, 1}, {1, -1}, {1, 3}})); // in outline order
  widget.tree()->collapse(rowIndex(1, -1));
  EXPECT_EQ(widget.selectedItems(), (Items{{0, 1}, {1, -1}})); // Level 3 is hidden now

  model.setStatistics(nullptr, nullptr); // the next document is processing
  widget.setModel(&model);
  model.setStatistics(statistics.get(), &lists);
  widget.setModel(&model);
  widget.reloadData();
  for (int group = 0; group < 5; ++group)
    EXPECT_EQ(widget.tree()->isExpanded(rowIndex(group, -1)), group != 1) << group;
}

// The summary must follow the list: the figures shown after switching lists are the new list's.
TEST_F(StatisticsWidgetTest, ShowsTheFiguresOfTheCurrentList) {
  ASSERT_TRUE(lists.createList("Other", false));
  lists.wordHash("other").add(Span("中国"));
  model.setStatistics(statistics.get(), &lists);
  widget.setModel(&model);
  EXPECT_EQ(shown(0, 1, 1), "1");
  lists.setCurrent("other");
  widget.reloadData();
  EXPECT_EQ(shown(0, 1, 1), "2");
  EXPECT_EQ(shown(0, 2, 1), "33.33%");
}

// In the pane's first width every name and figure shows whole (the SHA-1 scrolled into view); a wide pane is
// filled by the figures.
TEST_F(StatisticsWidgetTest, NamesAndFiguresShowWhole) {
  model.setStatistics(statistics.get(), &lists);
  widget.setModel(&model);
  widget.resize(340, 310);
  widget.show();
  EXPECT_EQ(qmtest::cutCells(*widget.tree()), std::vector<std::string>{});
  EXPECT_GT(widget.tree()->horizontalScrollBar()->maximum(), 0);
  widget.resize(1200, 310);
  EXPECT_EQ(widget.tree()->columnWidth(0) + widget.tree()->columnWidth(1),
            widget.tree()->viewport()->width());
}

// The group rows' expand arrows in the scheme's foreground: seen on a dark background as on a light one.
TEST_F(StatisticsWidgetTest, ExpandArrowsFollowTheSchemesForeground) {
  model.setStatistics(statistics.get(), &lists);
  widget.setModel(&model);
  widget.resize(350, 400);
  widget.show();
  for (ColourScheme::Mode mode : {ColourScheme::Dark, ColourScheme::Light}) {
    SCOPED_TRACE(mode);
    ColourScheme::Colours const& scheme = ColourScheme::builtIn(mode);
    widget.setColours(scheme.foreground(StyleId::Normal), scheme.background(StyleId::Normal));
    const QImage shot = widget.tree()->viewport()->grab().toImage();
    const QRect title = widget.tree()->visualRect(rowIndex(1, -1));
    const QRect branch(0, title.top(), title.left(), title.height());
    const QColor background = shot.pixelColor(branch.left() + 1, branch.top() + 1);
    int seen = 0;
    for (int y = branch.top(); y <= branch.bottom(); ++y)
      for (int x = branch.left(); x <= branch.right(); ++x)
        seen += std::abs(shot.pixelColor(x, y).lightness() - background.lightness()) > 100;
    EXPECT_GT(seen, 5) << "pixels of the arrow that stand out from the row";
  }
}
