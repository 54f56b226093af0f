#include "desktop-ui/finddialogwidget.h"

#include "desktop-ui/menubuilder.h"
#include "desktop-ui/textcontainerwidget.h"
#include "views/finddialogdelegate.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class FakeFindDelegate : public FindDialogDelegate {
public:
  Strings history;
  Strings finds;
  void getSearchHistory(FindDialog&, std::vector<const char*>& terms) const override {
    for (std::string const& term : history)
      terms.push_back(term.c_str());
  }
  void addSearchTerm(FindDialog&, Span const& term) override { history.emplace_back(term.view()); }
  void find(FindDialog&, Span const& term) override { finds.emplace_back(term.view()); }
};

// The field's menu as "title" per item, "!" before a disabled one, "-" for a separator.
Strings menuOf(FindDialogWidget& bar) {
  Strings items;
  const std::unique_ptr<QMenu> menu = bar.searchMenu();
  for (QAction* action : MenuBuilder::actions(*menu))
    items.push_back(action->isSeparator() ? "-"
                                          : (action->isEnabled() ? "" : "!") + action->text().toStdString());
  return items;
}

void choose(FindDialogWidget& bar, std::string const& title) {
  const std::unique_ptr<QMenu> menu = bar.searchMenu();
  for (QAction* action : MenuBuilder::actions(*menu))
    if (action->text().toStdString() == title) action->trigger();
}

} // namespace

TEST(FindDialogWidgetTest, ReturnFindsTheFieldsTextAndTheMenuKeepsRecentTerms) {
  FindDialogWidget bar;
  FakeFindDelegate delegate;
  bar.resize(600, bar.sizeHint().height());
  bar.QWidget::show();
  QTest::keyClick(bar.searchField(), Qt::Key_Return); // not shown yet: no delegate, nothing happens
  EXPECT_EQ(delegate.finds, Strings{});

  delegate.history = {"不但…而且", "中国"};
  bar.setSearchText("人民");
  bar.show(&delegate);
  EXPECT_EQ(bar.recentSearches(), delegate.history);
  EXPECT_EQ(menuOf(bar), (Strings{"!Recent Searches", "-", "不但…而且", "中国", "-", "Clear recent"}));
  QTest::keyClick(bar.searchField(), Qt::Key_Return);
  choose(bar, "中国");
  QTest::mouseClick(bar.findButton(), Qt::LeftButton);
  bar.setSearchText(nullptr);
  QTest::keyClick(bar.searchField(), Qt::Key_Return);
  EXPECT_EQ(delegate.finds, (Strings{"人民", "中国", ""}));
  EXPECT_EQ(bar.searchText(), ""); // finding changes nothing in the bar

  // Clearing empties the field's list only; the next show fills it again.
  choose(bar, "Clear recent");
  EXPECT_EQ(menuOf(bar), (Strings{"!Recent Searches", "-", "!No recent searches", "-", "!Clear recent"}));
  EXPECT_EQ(delegate.history.size(), 2u);
  delegate.history.insert(delegate.history.begin(), "人民");
  bar.show(&delegate);
  EXPECT_EQ(bar.recentSearches(), (Strings{"人民", "不但…而且", "中国"}));
}

TEST(FindDialogWidgetTest, EscapeTakesTheBarOutOfTheContainer) {
  TextContainerWidget container;
  QWidget text;
  FindDialogWidget bar;
  text.setFocusPolicy(Qt::StrongFocus);
  container.setTextView(&text);
  container.resize(600, 400);
  container.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&container));
  container.setSearchView(&bar);
  bar.setFocus();
  QApplication::processEvents();
  EXPECT_EQ(text.geometry().top(), bar.height()); // the bar stands above the text
  EXPECT_TRUE(bar.searchField()->hasFocus());

  QTest::keyClick(bar.searchField(), Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_EQ(container.searchView(), nullptr);
  EXPECT_EQ(bar.parentWidget(), nullptr);
  EXPECT_FALSE(bar.isVisible());
  EXPECT_EQ(text.geometry(), QRect(0, 0, 600, 400));
  EXPECT_TRUE(text.hasFocus()); // the text takes the focus back

  // The same bar comes back above the text, with its text; "Done" takes it out again.
  bar.setSearchText("中国");
  container.setSearchView(&bar);
  QApplication::processEvents();
  EXPECT_EQ(bar.searchText(), "中国");
  QTest::mouseClick(bar.doneButton(), Qt::LeftButton);
  EXPECT_EQ(container.searchView(), nullptr);
}
