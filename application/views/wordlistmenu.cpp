#include "views/wordlistmenu.h"

#include "views/onlinesearchoption.h"
#include "views/wordlistdelegate.h"

namespace {
const char* const TITLES[] = {"",     "Mark as known",   "Mark as unknown",
                              "Copy", "Show definition", "Online lookup"};

MenuItem action(int tag, bool enabled) {
  MenuItem item;
  item.title = WordListMenu::title(MenuItem::actionOf(tag));
  item.tag = tag;
  item.enabled = enabled;
  return item;
}
} // namespace

const char* WordListMenu::title(int action) {
  return action >= 0 && action <= OnlineLookup ? TITLES[action] : "Invalid Item";
}

std::vector<MenuItem> WordListMenu::build(WordListDelegate const& delegate, WordListView& view) {
  bool known = true, unknown = true, others = false;
  delegate.menuState(view, &known, &unknown, &others);
  std::vector<MenuItem> menu;
  menu.push_back(action(MarkUnknown, unknown));
  menu.push_back(action(MarkKnown, known));
  menu.push_back(MenuItem::separator());
  menu.push_back(action(ShowDefinition, others));
  auto const& options = delegate.onlineSearchOptions();
  if (!options.empty()) {
    MenuItem lookup = action(OnlineLookup, others);
    lookup.kind = MenuItem::Submenu;
    for (unsigned i = 0; i < options.size(); ++i) {
      MenuItem option = action(MenuItem::tagOf(OnlineLookup, i), true);
      option.title = options[i].name();
      lookup.items.push_back(std::move(option));
    }
    menu.push_back(std::move(lookup));
  }
  menu.push_back(action(Copy, true));
  return menu;
}
