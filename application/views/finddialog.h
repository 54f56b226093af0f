// The find bar as the main window and the application controller call it (desktop-ui's FindDialogWidget):
// a "Find" label, a search field with a menu of recent terms and a wildcard hint, and the buttons "Find"
// (also Return) and "Done" (also Escape), shown above the document's text. Main thread only.
#pragma once

#include "views/menuitem.h"

#include <string>
#include <vector>

class FindDialogDelegate;

class FindDialog {
public:
  // The tags of the search field's menu: its title, each recent term (| index << 16), clearing the list.
  enum MenuTag { RecentSearches = 1000, Recents = 1001, ClearRecent = 1002 };

  virtual ~FindDialog() = default;
  // Keeps the delegate (not owned) and refreshes the recent terms from its history.
  virtual void show(FindDialogDelegate* delegate) = 0;
  // The field's text from UTF-8; null empties it.
  virtual void setSearchText(const char* text) = 0;

  // The field's menu "Search Menu": "Recent Searches" (a title), the terms, "Clear recent"; with no terms
  // a disabled "No recent searches" stands in their place and nothing can be cleared.
  static std::vector<MenuItem> recentSearchesMenu(std::vector<std::string> const& terms);
};
