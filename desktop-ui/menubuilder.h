// Turns menu items built by a pure function into a QMenu, not shown: whoever shows it runs exec(), tests
// trigger its actions. Choosing an item calls chosen with the item's tag (guarded: an exception is logged).
// Titles are plain text: an "&" shows as itself, never as a shortcut mark.
#pragma once

#include "views/menuitem.h"

#include <QMenu>

#include <functional>
#include <memory>
#include <vector>

class MenuBuilder {
public:
  MenuBuilder() = delete;

  static std::unique_ptr<QMenu> build(QString const& title, std::vector<MenuItem> const& items,
                                      std::function<void(int tag)> const& chosen);
  // Adds the items to the end of menu.
  static void append(QMenu& menu, std::vector<MenuItem> const& items,
                     std::function<void(int tag)> const& chosen);
  // The action of each item, depth first (separators and submenus included), for tests.
  static QList<QAction*> actions(QMenu const& menu);
};
