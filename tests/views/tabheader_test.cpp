#include "views/tabheader.h"

#include "views/tabheaderdelegate.h"
#include "views/tabheaderview.h"
#include "views/tabitem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorder : TabHeaderDelegate, TabHeaderView {
  std::vector<std::string> calls;
  void tabChanged(TabHeader const&, TabItem const& item) override {
    calls.push_back("changed " + std::string(item.title.view()));
  }
  void tabClose(TabHeader const&, TabItem const& item) override {
    calls.push_back("close " + std::string(item.title.view()));
  }
  void reloadData() override { calls.push_back("reload"); }
  void selectionChanged() override { calls.push_back("selection"); }
};

using Calls = std::vector<std::string>;

} // namespace

TEST(TabHeaderTest, OnlyWholeTabsAreShownAndAtLeastOne) {
  const struct {
    double width;
    size_t count, visible;
    double tabWidth;
  } cases[] = {
      {300, 0, 0, 300}, {30, 0, 0, 50},    // no tabs
      {600, 3, 3, 150}, {300, 3, 3, 100},  // all fit, at most 150 wide
      {120, 3, 2, 60},  {149, 5, 2, 74.5}, // two whole tabs widened to fill the strip
      {100, 2, 2, 50},  {30, 2, 1, 50},    // exactly two; narrower than one tab: the first, cut
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " for " + std::to_string(c.count));
    const TabHeader::Strip strip = TabHeader::strip(c.width, c.count);
    EXPECT_EQ(strip.visible, c.visible);
    EXPECT_DOUBLE_EQ(strip.width, c.tabWidth);
  }
}

TEST(TabHeaderTest, TheOwnerSelectsAndRemovalsKeepTheSelectionInBounds) {
  Recorder owner;
  TabHeader header;
  TabItem a{"a", &owner}, b{"b", nullptr}, c{"c", &a}, d{"d", &b};
  header.setView(&owner);
  for (TabItem* item : {&a, &b, &c, &d})
    header.addItem(item, true); // the flag does not select
  EXPECT_EQ(header.selectedItem(), &a);
  header.select(&a); // c's data
  EXPECT_EQ(header.selectedItem(), &c);
  header.select(&c); // no item carries it
  EXPECT_EQ(header.selectedTab(), 2u);

  header.selectedTabAtIndex(1); // no delegate: nothing
  header.setDelegate(&owner);
  header.selectedTabAtIndex(1); // a click tells the owner and selects nothing
  header.closeTabAtIndex(3);
  header.selectedTabAtIndex(4); // past the end: nothing
  EXPECT_EQ(header.selectedItem(), &c);
  EXPECT_EQ(owner.calls,
            (Calls{"reload", "reload", "reload", "reload", "selection", "reload", "changed b", "close d"}));

  header.removeItem(&a); // left of the selection: the same item stays selected
  EXPECT_EQ(header.selectedItem(), &c);
  header.removeItem(&c); // the selected one: the index stays, on the next item
  EXPECT_EQ(header.selectedItem(), &d);
  header.removeItem(&d); // now past the end: no tab is active
  EXPECT_EQ(header.numberOfTabs(), 1u);
  EXPECT_EQ(header.selectedItem(), nullptr);
  EXPECT_FALSE(header.isActive(0));
  EXPECT_FALSE(header.isActive(1));
  header.removeItem(&d); // absent: nothing
  EXPECT_EQ(header.tabItemAtIndex(1), nullptr);
  header.select(nullptr); // b's data
  EXPECT_TRUE(header.isActive(0));
}
