#include "views/tabheader.h"

#include "views/tabheaderdelegate.h"
#include "views/tabheaderview.h"
#include "views/tabitem.h"

#include <algorithm>
#include <cmath>
#include <vector>

struct TabHeader::Impl {
  std::vector<TabItem*> items;           // in strip order; not owned
  TabHeaderConfig config;                // what a strip is built with
  TabHeaderDelegate* delegate = nullptr; // the owner; not owned
  TabHeaderView* view = nullptr;         // the strip showing us; not owned
  size_t selected = 0;                   // may be at or past the end: then no tab is active

  void reload() const {
    if (view) view->reloadData();
  }
};

TabHeader::Strip TabHeader::strip(double stripWidth, size_t count) {
  if (count == 0) return {0, tabWidth(stripWidth, 0)};
  if (stripWidth / double(count) >= MIN_TAB_WIDTH) return {count, tabWidth(stripWidth, count)};
  // Fewer tabs than there are: as many whole ones as fit, at least one, widened to fill the strip.
  const size_t visible = std::clamp<size_t>(size_t(std::floor(stripWidth / MIN_TAB_WIDTH)), 1, count);
  return {visible, std::clamp(stripWidth / double(visible), MIN_TAB_WIDTH, MAX_TAB_WIDTH)};
}

double TabHeader::tabWidth(double stripWidth, size_t count) {
  if (count == 0) return std::max(stripWidth, MIN_TAB_WIDTH);
  return std::clamp(stripWidth / double(count), MIN_TAB_WIDTH, MAX_TAB_WIDTH);
}

TabHeader::TabHeader() : TabHeader(TabHeaderConfig{}) {}

TabHeader::TabHeader(TabHeaderConfig const& config) : impl(std::make_unique<Impl>()) {
  impl->items.reserve(10);
  impl->config = config;
}

TabHeader::~TabHeader() = default;

void TabHeader::config(TabHeaderConfig const& config) {
  impl->config = config;
}

TabHeaderConfig const& TabHeader::config() const {
  return impl->config;
}

void TabHeader::setDelegate(TabHeaderDelegate* delegate) {
  impl->delegate = delegate;
  impl->reload();
}

void TabHeader::setView(TabHeaderView* view) {
  impl->view = view;
}

TabHeaderView* TabHeader::view() const {
  return impl->view;
}

void TabHeader::addItem(TabItem* item, bool) {
  if (!item) return;
  impl->items.push_back(item);
  impl->reload();
}

void TabHeader::removeItem(TabItem* item) {
  auto& items = impl->items;
  const auto found = std::find(items.begin(), items.end(), item);
  if (found == items.end()) return;
  const size_t index = size_t(found - items.begin());
  items.erase(found);
  if (index < impl->selected) --impl->selected;
  impl->reload();
}

void TabHeader::select(void const* data) {
  auto const& items = impl->items;
  const auto found = std::find_if(items.begin(), items.end(), [&](TabItem* i) { return i->data == data; });
  if (found == items.end()) return;
  impl->selected = size_t(found - items.begin());
  if (impl->view) impl->view->selectionChanged();
}

size_t TabHeader::numberOfTabs() const {
  return impl->items.size();
}

TabItem const* TabHeader::tabItemAtIndex(size_t index) const {
  return index < impl->items.size() ? impl->items[index] : nullptr;
}

size_t TabHeader::selectedTab() const {
  return impl->selected;
}

TabItem const* TabHeader::selectedItem() const {
  return tabItemAtIndex(impl->selected);
}

bool TabHeader::isActive(size_t index) const {
  return index == impl->selected && index < impl->items.size();
}

void TabHeader::selectedTabAtIndex(size_t index) const {
  TabItem const* item = tabItemAtIndex(index);
  if (impl->delegate && item) impl->delegate->tabChanged(*this, *item);
}

void TabHeader::closeTabAtIndex(size_t index) const {
  TabItem const* item = tabItemAtIndex(index);
  if (impl->delegate && item) impl->delegate->tabClose(*this, *item);
}
