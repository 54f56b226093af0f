// One entry of a popup menu, built by a pure function and turned into a platform menu by the desktop, so
// that tests check menus without showing them. A tag carries action | index << 16.
#pragma once

#include <string>
#include <vector>

struct MenuItem {
  enum Kind { Action, Separator, Submenu };

  Kind kind = Action;
  std::string title; // UTF-8
  int tag = 0;
  bool enabled = true;
  std::vector<MenuItem> items; // a submenu's entries
  bool ticked = false;

  static MenuItem separator() { return MenuItem{Separator, "", 0, true, {}, false}; }

  static int tagOf(int action, unsigned index = 0) { return action | int(index << 16); }
  static int actionOf(int tag) { return tag & 0xffff; }
  static unsigned indexOf(int tag) { return unsigned(tag) >> 16; }
};
