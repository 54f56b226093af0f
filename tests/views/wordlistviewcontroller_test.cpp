#include "views/wordlistviewcontroller.h"

#include "support/fakeapplicationdelegate.h"
#include "support/fakewordlistview.h"
#include "support/wordfixture.h"
#include "views/clipboard.h"
#include "views/onlinesearchoption.h"
#include "views/tabheader.h"
#include "views/tabitem.h"
#include "views/wordlistdelegate.h"
#include "views/wordlistmenu.h"
#include "views/wordlistview.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

using qmtest::FakeWordListView;

struct Entry {
  std::string title;
  bool enabled;
  bool operator==(Entry const&) const = default;
};

std::vector<Entry> entries(std::vector<MenuItem> const& menu) {
  std::vector<Entry> out;
  for (MenuItem const& item : menu) {
    out.push_back({item.kind == MenuItem::Separator ? "-" : item.title, item.enabled});
    for (MenuItem const& sub : item.items)
      out.push_back({"  " + sub.title + " " + std::to_string(sub.tag), sub.enabled});
  }
  return out;
}

class WordListViewControllerTest : public ::testing::Test {
protected:
  qmtest::WordFixture fixture;
  std::unique_ptr<DocumentStatistics> statistics = fixture.statistics();
  qmtest::TempDir root;
  WordListManager lists{root.str().c_str()};
  FakeWordListView view;
  WordListViewController controller{view, view.tabs, lists};
  qmtest::FakeApplicationDelegate application;
  WordListDelegate& delegate() { return *view.delegate; }
  std::vector<Entry> menu() { return entries(WordListMenu::build(delegate(), view)); }
};

} // namespace

TEST_F(WordListViewControllerTest, StartsOnTheUnknownTabAndTheOwnerSelectsTabs) {
  ASSERT_NE(view.delegate, nullptr);
  ASSERT_EQ(view.tabs.numberOfTabs(), 3u);
  EXPECT_EQ(view.tabs.selectedItem()->title, "Unknown");
  lists.current().add(Span("人民"));
  controller.setDocumentStatistics(statistics.get());
  EXPECT_EQ(view.words(), (std::vector<std::string>{"中国", "我们", "的", "abc"}));

  view.tabs.selectedTabAtIndex(1); // a click on "Known"
  EXPECT_EQ(view.tabs.selectedItem()->title, "Known");
  EXPECT_TRUE(view.focus);
  EXPECT_EQ(view.words(), (std::vector<std::string>{"人民"}));
  view.tabs.selectedTabAtIndex(0);
  EXPECT_EQ(view.words().size(), 5u);
  view.tabs.closeTabAtIndex(0); // tabs of this strip do not close
  EXPECT_EQ(view.tabs.numberOfTabs(), 3u);
}

TEST_F(WordListViewControllerTest, MenuStatesAndMarkCommands) {
  const std::vector<OnlineSearchOption> options{{"Site A", "a?%s"}, {"Site B", "b?%s"}};
  controller.setDelegate(&application);
  // No document: both marks enabled, the rest off but "Copy"; a mark passes no words.
  EXPECT_EQ(menu(), (std::vector<Entry>{{"Mark as unknown", true},
                                        {"Mark as known", true},
                                        {"-", true},
                                        {"Show definition", false},
                                        {"Copy", true}}));
  controller.setOnlineSearchOptions(&options);
  EXPECT_EQ(menu()[4], (Entry{"Online lookup", false}));
  EXPECT_EQ(menu()[6], (Entry{"  Site B 65541", true}));
  delegate().menuCommand(view, WordListMenu::MarkKnown);

  view.tabs.selectedTabAtIndex(0); // All, by frequency: 中国 人民 我们 的 abc
  controller.setDocumentStatistics(statistics.get());
  lists.current().add(Span("人民"));
  lists.current().add(Span("中国人")); // 中国 is only a prefix of a listed word
  const struct {
    std::vector<long> selection;
    long clicked;
    bool known, unknown;
    const char* words;
  } cases[] = {
      {{1}, -1, false, true, "人民"},        // listed: only "Mark as unknown"
      {{0}, -1, true, false, "中国"},        // a prefix counts as not listed
      {{0, 1}, -1, true, true, "中国,人民"}, // several words: both
      {{0, 1}, 1, true, true, "中国,人民"},  // a click inside the selection acts on all of it
      {{0, 1}, 4, true, false, "abc"},       // a click outside acts on that row alone
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.words);
    view.selection = c.selection;
    view.clicked = c.clicked;
    const auto items = menu();
    EXPECT_EQ(items[0], (Entry{"Mark as unknown", c.unknown}));
    EXPECT_EQ(items[1], (Entry{"Mark as known", c.known}));
    EXPECT_EQ(items[3], (Entry{"Show definition", true}));
    delegate().menuCommand(view, WordListMenu::MarkUnknown);
    EXPECT_EQ(application.calls.back(), std::string("markAsUnknown ") + c.words);
  }
  for (int tag : {1, 3, 4, MenuItem::tagOf(WordListMenu::OnlineLookup, 1), 6})
    delegate().menuCommand(view, tag);
  delegate().rowAction(view, 2, false);
  delegate().rowAction(view, 2, true);
  delegate().rowAction(view, 9, true); // no such row
  view.focus = true;
  EXPECT_TRUE(controller.canCopy());
  controller.copy(true);
  EXPECT_EQ(Calls(application.calls.end() - 7, application.calls.end()),
            (Calls{"markAsKnown abc", "copyToClipboard abc replace", "showDefinition abc",
                   "onlineLookup abc 1", "findWord 我们", "toggleKnown 我们", "copyToClipboard abc append"}));
  EXPECT_EQ(application.calls.front(), "markAsKnown ");
}

TEST_F(WordListViewControllerTest, TheSelectionFollowsTheWordsAcrossSortingAndIsDroppedWithTheDocument) {
  view.tabs.selectedTabAtIndex(0);
  controller.setDocumentStatistics(statistics.get()); // 中国 人民 我们 的 abc
  view.selection = {1, 4};
  delegate().setSortType(view, WordStatisticsSort::WordAscending); // abc 中国 人民 我们 的
  EXPECT_EQ(view.selection, (std::vector<long>{0, 2}));
  delegate().setSearchText(view, "*民");
  EXPECT_EQ(view.selection, (std::vector<long>{0}));
  delegate().setSearchText(view, "");
  EXPECT_EQ(view.selection, (std::vector<long>{2}));
  controller.setDocumentStatistics(statistics.get()); // the run ended: the indexes stay
  controller.refresh();
  EXPECT_EQ(view.selection, (std::vector<long>{2}));

  view.selection = {0};
  auto other = fixture.statistics("中国\n"); // another document starts unselected
  controller.setDocumentStatistics(other.get());
  EXPECT_TRUE(view.selection.empty());
  view.selection = {0};
  controller.setDocumentStatistics(nullptr); // the rows go at once
  EXPECT_EQ(view.calls.back(), "refresh 0");
  EXPECT_TRUE(view.selection.empty());
  char cell[8] = "x";
  EXPECT_EQ(delegate().cellText(view, 0, 1, cell, sizeof cell), 0u);
  EXPECT_STREQ(cell, "");
}

TEST_F(WordListViewControllerTest, FontSizesColoursAndCopiedText) {
  const struct {
    double given, passed;
  } sizes[] = {{5, 10}, {30, 25}, {-3, 0}, {0, 0}, {12.5, 12.5}, {NAN, 0}};
  for (auto const& s : sizes) {
    controller.setFontSize(s.given);
    EXPECT_EQ(view.fontSize, s.passed) << s.given;
  }
  controller.setColours({Colour(7, 0, 0), Colour(9, 0, 0)});
  EXPECT_EQ(Calls(view.calls.end() - 2, view.calls.end()), (Calls{"text 7", "background 9"}));

  WordStatistics china{}, people{};
  china.word = Span("中国");
  people.word = Span("人民");
  Clipboard clipboard;
  clipboard.setText(Span("kept"));
  WordListViewController::copyToClipboard({}, false);
  EXPECT_EQ(clipboard.text(), "kept");
  WordListViewController::copyToClipboard({&china, &people}, true);
  EXPECT_EQ(clipboard.text(), "kept\n中国\n人民");
  WordListViewController::copyToClipboard({&people}, false);
  EXPECT_EQ(clipboard.text(), "人民");
}
