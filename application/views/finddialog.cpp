#include "views/finddialog.h"

std::vector<MenuItem> FindDialog::recentSearchesMenu(std::vector<std::string> const& terms) {
  std::vector<MenuItem> menu;
  menu.push_back(MenuItem{MenuItem::Action, "Recent Searches", RecentSearches, false, {}, false});
  menu.push_back(MenuItem::separator());
  for (unsigned i = 0; i < terms.size(); ++i)
    menu.push_back(MenuItem{MenuItem::Action, terms[i], MenuItem::tagOf(Recents, i), true, {}, false});
  if (terms.empty())
    menu.push_back(MenuItem{MenuItem::Action, "No recent searches", Recents, false, {}, false});
  menu.push_back(MenuItem::separator());
  menu.push_back(MenuItem{MenuItem::Action, "Clear recent", ClearRecent, !terms.empty(), {}, false});
  return menu;
}
