// What the text view asks of its controller (TextViewController): its page (Layout), the highlighter and the
// styles it draws with, the menu's data, and every event. Points are view coordinates; offsets document byte
// offsets. Main thread only.
#pragma once

#include "views/layout.h"

#include <memory>
#include <vector>

class Highlighter;
class OnlineSearchOption;
class StyleManager;
class TextView;
class WordList;

class TextViewDelegate {
public:
  virtual ~TextViewDelegate() = default;
  virtual std::vector<OnlineSearchOption> const& onlineSearchOptions() const = 0;
  // A popup-menu item's tag: the action in the low 16 bits, a list or option index above.
  virtual void onMenuCommand(TextView& view, int tag) = 0;
  virtual void onLeftButtonDoubleClick(TextView& view, bool shift, double x, double y) = 0;
  virtual void onRightButtonDown(TextView& view, double x, double y) = 0;
  virtual void paste(TextView& view) = 0;
  virtual void onMouseMoved(TextView& view, double x, double y) = 0;
  virtual void onMouseExited(TextView& view) = 0;
  // The text area's new size.
  virtual void resize(TextView& view, double width, double height) = 0;
  // The font or the size changed: the page is laid out again.
  virtual void relayout(TextView& view) = 0;
  virtual void onLeftButtonDown(TextView& view, double x, double y) = 0;
  virtual void onMouseDragged(TextView& view, double x, double y) = 0;
  virtual void onLeftButtonUp(TextView& view) = 0;
  // pixels > 0 scrolls down.
  virtual void onScrollWheel(TextView& view, double pixels) = 0;
  virtual void scrollLines(TextView& view, int n) = 0;
  virtual void scrollPages(TextView& view, int n) = 0;
  virtual void scrollTo(TextView& view, unsigned long offset) = 0;
  virtual Layout& layout() = 0;
  virtual Highlighter& highlighter() = 0;
  virtual StyleManager& styles() = 0;
  // The word lists as they stood when the menu's state was taken; the menu's list indexes index them.
  virtual std::vector<std::unique_ptr<WordList>> const& wordListsForMenu(TextView& view) = 0;
  virtual bool isCurrentWordList(TextView& view, const char* baseName) = 0;
  virtual Layout::Hit currentWord() = 0;
  // A key that types one character (no Control, Alt or Meta); true when it was used.
  virtual bool onKeyDown(TextView& view, unsigned short character) = 0;
  virtual void moveUp(TextView& view) = 0;
  virtual void moveDown(TextView& view) = 0;
  virtual void moveLeft(TextView& view) = 0;
  virtual void moveRight(TextView& view) = 0;
  // Nothing else is waiting: one bounded piece of work that makes coming steps cheaper. True when more may
  // follow.
  virtual bool onIdle(TextView& view) = 0;
};
