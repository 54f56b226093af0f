// The text view's word popup menu as items, built afresh for every right-click from the state bits the
// controller took (TextView::MenuState) and the delegate's online-search options and word lists: mark the
// word, show its definition, look it up online, add it as a custom word, find next, copy, switch the current
// word list (at most 10 listed, then "More..."), mark the entire document. Fixed items carry their bare
// action; option and list items action | index << 16.
#pragma once

#include "views/menuitem.h"

#include <vector>

class TextView;
class TextViewDelegate;

class TextViewMenu {
public:
  enum Action {
    None = 0,
    MarkKnown = 1,
    MarkUnknown = 2,
    MarkDocumentKnown = 3,
    MarkDocumentUnknown = 4,
    Copy = 5,
    FindNext = 6,
    ShowDefinition = 7,
    OnlineLookup = 8,
    AddCustomWord = 9,
    WordList = 10,
  };
  static constexpr unsigned MAX_LISTS = 10;

  // The item title of an action; "" for None, "Invalid Item" past the last.
  static const char* title(int action);
  // delegate may be null: then there are no options and no "Word list" item.
  static std::vector<MenuItem> build(int state, TextViewDelegate* delegate, TextView& view);
};
