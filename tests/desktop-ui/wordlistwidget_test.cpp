#include "desktop-ui/wordlistwidget.h"

#include "desktop-ui/menubuilder.h"
#include "desktop-ui/tabheaderwidget.h"
#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "support/fakeapplicationdelegate.h"
#include "support/qtspin.h"
#include "support/shownwhole.h"
#include "support/wordfixture.h"
#include "views/appearanceconfig.h"
#include "views/wordlistcolumns.h"
#include "views/wordlistviewcontroller.h"
#include "wordlists/wordlistmanager.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

class WordListWidgetTest : public ::testing::Test {
protected:
  void SetUp() override {
    lists.current().add(Span("人民"));
    controller.setDocumentStatistics(statistics.get());
    widget.resize(700, 400);
    widget.show();
  }

  Words words() const {
    Words out;
    QAbstractItemModel* model = widget.table()->model();
    for (int row = 0; row < model->rowCount(); ++row)
      out.push_back(model->index(row, 1).data().toString().toStdString());
    return out;
  }
  std::vector<long> selection() const {
    std::vector<long> rows;
    for (long row = widget.firstIndex(); row >= 0; row = widget.nextIndex(row))
      rows.push_back(row);
    return rows;
  }
  void clickHeader(int column) {
    QHeaderView* header = widget.table()->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  }
  void clickTab(int index) {
    QTest::mouseClick(widget.tabStrip()->tab(index), Qt::LeftButton, {}, QPoint(5, 5));
  }
  QPoint rowCentre(int row) const {
    return widget.table()->visualRect(widget.table()->model()->index(row, 1)).center();
  }

  qmtest::WordFixture fixture;
  std::unique_ptr<DocumentStatistics> statistics = fixture.statistics();
  qmtest::TempDir root;
  WordListManager lists{root.str().c_str()};
  WordListWidget widget;
  WordListViewController controller{widget, widget.tabHeader(), lists};
  qmtest::FakeApplicationDelegate application;
};

} // namespace

TEST_F(WordListWidgetTest, HeaderClicksSortAndASecondClickReverses) {
  clickTab(0);                                                      // All
  EXPECT_EQ(words(), (Words{"中国", "人民", "我们", "的", "abc"})); // frequency descending, no arrow
  EXPECT_FALSE(widget.table()->horizontalHeader()->isSortIndicatorShown());
  // The orders themselves are the model's; the header passes the clicked column and shows the arrow.
  const struct {
    int column;
    Words rows;
    Qt::SortOrder arrow;
  } clicks[] = {
      {1, {"abc", "中国", "人民", "我们", "的"}, Qt::AscendingOrder},
      {1, {"的", "我们", "人民", "中国", "abc"}, Qt::DescendingOrder},
      {6, {"的", "中国", "人民", "abc", "我们"}, Qt::AscendingOrder},
      {0, {"的", "中国", "人民", "abc", "我们"}, Qt::AscendingOrder}, // "#" does not sort
  };
  for (auto const& c : clicks) {
    SCOPED_TRACE(c.column);
    clickHeader(c.column);
    EXPECT_EQ(words(), c.rows);
    EXPECT_EQ(widget.table()->horizontalHeader()->sortIndicatorOrder(), c.arrow);
  }
}

TEST_F(WordListWidgetTest, TheFilterAppliesToTheTabsWords) {
  EXPECT_EQ(words(), (Words{"中国", "我们", "的", "abc"})); // starts on "Unknown"
  QTest::keyClicks(widget.searchField(), "*");
  QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("们")); // as an input method commits it
  QApplication::sendEvent(widget.searchField(), &typed);
  EXPECT_EQ(words(), (Words{"我们"}));
  clickTab(1); // Known: 人民 does not match
  EXPECT_EQ(words(), Words{});
  widget.searchField()->clear();
  EXPECT_EQ(words(), (Words{"人民"}));
  EXPECT_TRUE(widget.tabStrip()->tab(1)->isActive());
}

TEST_F(WordListWidgetTest, TheSelectionIsKeptAcrossARefetchAndFollowsItsWordsWhenSorted) {
  clickTab(0);
  widget.selectRows({1, 2});                          // 人民, 我们
  controller.setDocumentStatistics(statistics.get()); // a run ended
  EXPECT_EQ(selection(), (std::vector<long>{1, 2}));
  clickHeader(1); // abc 中国 人民 我们 的
  EXPECT_EQ(selection(), (std::vector<long>{2, 3}));
  controller.refresh();
  EXPECT_EQ(selection(), (std::vector<long>{2, 3}));
  widget.selectRows({0});
  auto other = fixture.statistics("我们\n"); // another document starts unselected
  controller.setDocumentStatistics(other.get());
  EXPECT_EQ(selection(), std::vector<long>{});
}

TEST_F(WordListWidgetTest, MenuAndDoubleClicksActOnTheClickedRowOrTheSelection) {
  controller.setDelegate(&application);
  clickTab(0); // 中国 人民 我们 的 abc
  widget.selectRows({0, 1});
  {
    const std::unique_ptr<QMenu> menu = widget.contextMenu(4); // outside the selection: abc alone
    EXPECT_EQ(widget.clickedRow(), 4);
    MenuBuilder::actions(*menu)[1]->trigger(); // "Mark as known"
  }
  EXPECT_EQ(widget.clickedRow(), -1);
  widget.contextMenu(1)->actions().back()->trigger(); // inside the selection: all of it
  QTest::mouseDClick(widget.table()->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(2));
  QTest::mouseDClick(widget.table()->viewport(), Qt::LeftButton, {}, rowCentre(3));
  EXPECT_EQ(application.calls, (Words{"markAsKnown abc", "copyToClipboard 中国,人民 replace",
                                      "toggleKnown 我们", "findWord 的"}));
}

// In the pane's first width and the word list's first font size every title (beside its sort arrow too),
// figure and four-character word shows whole; the columns the pane cannot show are reached by scrolling.
TEST_F(WordListWidgetTest, TitlesFiguresAndFourCharacterWordsShowWhole) {
  fixture.master.add(Span("中国人民"));
  auto four = fixture.statistics(qmtest::WordFixture::TEXT + "人民\n");
  controller.setDocumentStatistics(four.get());
  statistics = std::move(four); // outlives the rows shown
  controller.setFontSize(AppearanceConfig{}.wordListFontSize);
  clickTab(0);
  widget.resize(340, 400);
  ASSERT_EQ(words().front(), "中国人民");
  QTableView& table = *widget.table();
  EXPECT_EQ(qmtest::cutCells(table), Words{});
  for (int column = 0; column < WordListColumns::COUNT; ++column) {
    SCOPED_TRACE(column);
    EXPECT_GE(table.columnWidth(column), WordListColumns::column(column).width);
    table.scrollTo(table.model()->index(0, column));
    EXPECT_TRUE(table.viewport()->rect().contains(table.visualRect(table.model()->index(0, column))));
    clickHeader(column);
    EXPECT_EQ(qmtest::cutTitles(*table.horizontalHeader()), Words{});
  }
}

// The word column fits the longest word of the rows shown, whatever tab and filter chose them; a width set
// by hand stays while the words shown need no other.
TEST_F(WordListWidgetTest, TheWordColumnFitsTheLongestWordShown) {
  fixture.master.add(Span("中华人民共和国"));
  auto longer = fixture.statistics(qmtest::WordFixture::TEXT + "中华人民共和国\n");
  controller.setDocumentStatistics(longer.get());
  statistics = std::move(longer);
  controller.setFontSize(AppearanceConfig{}.wordListFontSize);
  QTableView& table = *widget.table();
  const QFont font = table.model()->index(0, 1).data(Qt::FontRole).value<QFont>();
  const int advance = QFontMetrics(font).horizontalAdvance(QStringLiteral("中华人民共和国"));
  const struct {
    const char* step;
    std::function<void()> act;
    bool shown; // 中华人民共和国 among the rows
  } steps[] = {
      {"Unknown", [] {}, true},
      {"Known", [&] { clickTab(1); }, false},
      {"All", [&] { clickTab(0); }, true},
      {"filtered", [&] { widget.searchField()->setText(QStringLiteral("中")); }, true},
      {"filtered out", [&] { widget.searchField()->setText(QStringLiteral("中国")); }, false},
      {"filter cleared", [&] { widget.searchField()->clear(); }, true},
  };
  for (auto const& s : steps) {
    SCOPED_TRACE(s.step);
    s.act();
    EXPECT_EQ(table.columnWidth(1) >= advance, s.shown);
    EXPECT_GE(table.columnWidth(1), WordListColumns::column(1).width);
    EXPECT_EQ(qmtest::cutCells(table), Words{});
  }
  table.setColumnWidth(1, 3 * advance); // by hand
  controller.refresh();
  EXPECT_EQ(table.columnWidth(1), 3 * advance);
  clickTab(1);
  EXPECT_LT(table.columnWidth(1), advance);
}

TEST_F(WordListWidgetTest, FontSizes) {
  clickTab(0);
  QAbstractItemModel* model = widget.table()->model();
  controller.setFontSize(0); // keeps the table's font
  EXPECT_FALSE(model->index(0, 1).data(Qt::FontRole).isValid());
  const int plainHeight = widget.table()->rowHeight(0);
  controller.setFontSize(24);
  EXPECT_EQ(model->index(0, 1).data(Qt::FontRole).value<QFont>().pointSizeF(), 24.0);
  EXPECT_GT(widget.table()->rowHeight(0), plainHeight);
}

// Rows point into the statistics' buffers: painting while the document is processed again and again, and
// after it is gone, must never read a recycled or freed record (the ASan build checks the reads).
TEST_F(WordListWidgetTest, RowsStaySafeWhileADocumentIsReprocessedAndAfterItGoes) {
  std::string text;
  for (int i = 0; i < 60000; ++i) {
    for (int n = i % 8000; text += char('a' + n % 26), n /= 26;)
      ;
    text += i % 16 == 15 ? "\n" : " ";
  }
  const auto path = fixture.dir / "words.txt";
  qmtest::writeFile(path, text);
  auto document =
      std::make_unique<Document>(path.c_str(), Text("words"), fixture.master, fixture.levels, fixture.engine);
  clickTab(0);
  for (int run = 0; run < 6; ++run) {
    // As the document set does: cancel, start again, and show the current document again at once.
    document->processor()->cancelProcessing();
    document->processor()->beginProcessing(true);
    controller.setDocumentStatistics(document.get());
    ASSERT_TRUE(qmtest::spinUntil(
        [&] {
          widget.table()->scrollToBottom();
          widget.grab();
          return document->processor()->finished();
        },
        60000));
    controller.setDocumentStatistics(document.get()); // the load timer saw the run end
    widget.table()->scrollToTop();
    widget.grab();
    ASSERT_EQ(words().size(), 8000u);
  }
  controller.setDocumentStatistics(nullptr);
  document.reset();
  widget.grab();
  EXPECT_EQ(widget.table()->model()->rowCount(), 0);
}
