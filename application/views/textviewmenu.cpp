#include "views/textviewmenu.h"

#include "views/onlinesearchoption.h"
#include "views/textview.h"
#include "views/textviewdelegate.h"
#include "wordlists/wordlist.h"

#include <algorithm>

namespace {
const char* const TITLES[] = {"",
                              "Mark as known",
                              "Mark as unknown",
                              "Mark entire document known",
                              "Mark entire document unknown",
                              "Copy",
                              "Find next",
                              "Show definition",
                              "Online lookup",
                              "Add custom word",
                              "Word list"};

MenuItem action(int tag, bool enabled = true) {
  MenuItem item;
  item.title = TextViewMenu::title(MenuItem::actionOf(tag));
  item.tag = tag;
  item.enabled = enabled;
  return item;
}

MenuItem wordListMenu(TextViewDelegate& delegate, TextView& view) {
  auto const& lists = delegate.wordListsForMenu(view);
  MenuItem menu = action(TextViewMenu::WordList, lists.size() >= 2);
  menu.kind = MenuItem::Submenu;
  const unsigned shown = unsigned(std::min<size_t>(lists.size(), TextViewMenu::MAX_LISTS));
  for (unsigned i = 0; i < shown; ++i) {
    MenuItem item = action(MenuItem::tagOf(TextViewMenu::WordList, i));
    item.title = lists[i]->displayName();
    item.ticked = delegate.isCurrentWordList(view, lists[i]->baseName());
    menu.items.push_back(std::move(item));
  }
  if (lists.size() > shown) {
    menu.items.push_back(MenuItem::separator());
    MenuItem more = action(MenuItem::tagOf(TextViewMenu::WordList, unsigned(lists.size())));
    more.title = "More...";
    menu.items.push_back(std::move(more));
  }
  return menu;
}
} // namespace

const char* TextViewMenu::title(int action) {
  return action >= 0 && action <= WordList ? TITLES[action] : "Invalid Item";
}

std::vector<MenuItem> TextViewMenu::build(int state, TextViewDelegate* delegate, TextView& view) {
  const bool onWord = state & TextView::OnWord;
  std::vector<MenuItem> menu;
  menu.push_back(action(state & TextView::WordKnown ? MarkUnknown : MarkKnown, onWord));
  menu.push_back(MenuItem::separator());
  menu.push_back(action(ShowDefinition, onWord));
  if (delegate && !delegate->onlineSearchOptions().empty()) {
    MenuItem lookup = action(OnlineLookup, onWord);
    lookup.kind = MenuItem::Submenu;
    auto const& options = delegate->onlineSearchOptions();
    for (unsigned i = 0; i < options.size(); ++i) {
      MenuItem option = action(MenuItem::tagOf(OnlineLookup, i));
      option.title = options[i].name();
      lookup.items.push_back(std::move(option));
    }
    menu.push_back(std::move(lookup));
  }
  menu.push_back(action(AddCustomWord, state & TextView::OnSelection));
  menu.push_back(MenuItem::separator());
  menu.push_back(action(FindNext));
  menu.push_back(action(Copy));
  menu.push_back(MenuItem::separator());
  if (delegate) {
    menu.push_back(wordListMenu(*delegate, view));
    menu.push_back(MenuItem::separator());
  }
  menu.push_back(action(MarkDocumentKnown, state & TextView::HasUnknownWords));
  menu.push_back(action(MarkDocumentUnknown, state & TextView::HasKnownWords));
  return menu;
}
