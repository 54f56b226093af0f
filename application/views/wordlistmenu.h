// The word list's popup menu, built afresh each time it opens from the delegate's menu state and online-
// search options: "Mark as unknown", "Mark as known", a separator, "Show definition", "Online lookup" (only
// when there are options) with one item per option, and "Copy".
#pragma once

#include "views/menuitem.h"

#include <vector>

class WordListDelegate;
class WordListView;

class WordListMenu {
public:
  enum Action { None = 0, MarkKnown = 1, MarkUnknown = 2, Copy = 3, ShowDefinition = 4, OnlineLookup = 5 };

  // The item title of an action; "Invalid Item" past the last.
  static const char* title(int action);
  static std::vector<MenuItem> build(WordListDelegate const& delegate, WordListView& view);
};
