// The owner's side of a tab strip: the ordered items, the selected index and the delegate that hears of
// clicks. The owner adds, removes and selects; the strip (a TabHeaderView) only shows what it is told and
// passes clicks on, so a click changes the selection only when the owner answers it with select().
//
// The selected index is kept as it is when items go; an index at or past the end means no tab is active.
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class TabHeaderDelegate;
class TabHeaderView;
struct TabItem;

struct TabHeaderConfig {
  int32_t position = 0;    // kept for the owner; drawing ignores it
  bool enableClose = true; // tabs carry a close button
};

class TabHeader {
public:
  static constexpr double MIN_TAB_WIDTH = 50.0;
  static constexpr double MAX_TAB_WIDTH = 150.0;
  static constexpr double MIN_HEIGHT = 20.0;

  // How a strip of a given width shows its tabs: the first `visible` tabs, each `width` wide. Only whole
  // tabs are shown, widened to fill the strip up to MAX_TAB_WIDTH; a strip narrower than one tab still
  // shows the first (cut at its edge).
  struct Strip {
    size_t visible = 0;
    double width = 0;
  };
  static Strip strip(double stripWidth, size_t count);
  // The width each of count tabs would take, clamped to MIN_TAB_WIDTH..MAX_TAB_WIDTH (count 0: the larger
  // of the strip's width and MIN_TAB_WIDTH).
  static double tabWidth(double stripWidth, size_t count);

  // Position 0 with close buttons.
  TabHeader();
  explicit TabHeader(TabHeaderConfig const& config);
  ~TabHeader();
  TabHeader(TabHeader const&) = delete;
  TabHeader& operator=(TabHeader const&) = delete;

  // Replaces the configuration; a strip takes it when it is built.
  void config(TabHeaderConfig const& config);
  TabHeaderConfig const& config() const;

  // Not owned; null stops the reports.
  void setDelegate(TabHeaderDelegate* delegate);
  // The strip that shows this header, not owned; null detaches it. The strip detaches itself when it dies.
  void setView(TabHeaderView* view);
  TabHeaderView* view() const;

  // Appends item (owned by the caller, alive while listed). select is ignored: only select() selects.
  void addItem(TabItem* item, bool select = false);
  // Removes item (nothing when absent). When it stood left of the selected tab, the selection moves one to
  // the left so that the same item stays selected.
  void removeItem(TabItem* item);
  // Selects the first item whose data is data, without telling the delegate; nothing when none is.
  void select(void const* data);

  // The strip's questions.
  size_t numberOfTabs() const;
  // Null at or past the end.
  TabItem const* tabItemAtIndex(size_t index) const;
  size_t selectedTab() const;
  // The selected item; null when the selected index is at or past the end.
  TabItem const* selectedItem() const;
  bool isActive(size_t index) const;
  // A click on tab index: tells the delegate (tabChanged), nothing else. Nothing without a delegate or
  // for an index at or past the end.
  void selectedTabAtIndex(size_t index) const;
  // Its close button: tells the delegate (tabClose); the item stays until the owner removes it.
  void closeTabAtIndex(size_t index) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
