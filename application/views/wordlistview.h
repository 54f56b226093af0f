// The word-list pane as its controller sees it (desktop-ui's WordListWidget): a filter field, a table of the
// delegate's rows and a strip of three tabs below. Rows are indexes, -1 for none. Main thread only.
#pragma once

#include "utils/colour.h"

#include <vector>

class TabHeader;
class WordListDelegate;

class WordListView {
public:
  virtual ~WordListView() = default;
  // Not owned; null empties the table.
  virtual void setDelegate(WordListDelegate* delegate) = 0;
  // The strip of the "All", "Known" and "Unknown" tabs, owned by the view.
  virtual TabHeader& tabHeader() = 0;
  virtual void selectAll() = 0;
  virtual bool hasFocus() const = 0;
  virtual void setFocus() = 0;
  virtual long selectedCount() const = 0;
  virtual void setTextColour(Colour colour) = 0;
  // Rows alternate between the colour and a slightly lighter or darker one.
  virtual void setBackgroundColour(Colour colour) = 0;
  // Points for the word column; 0 keeps the table's own font.
  virtual void setChineseFontSize(double points) = 0;
  // Asks the delegate for every row again at once; selected row indexes still inside the table stay
  // selected.
  virtual void refresh() = 0;
  // Replaces the selection (ascending rows; rows past the end are ignored).
  virtual void selectRows(std::vector<long> const& rows) = 0;
  // The first selected row, and the next selected row after row; -1 when there is none.
  virtual long firstIndex() const = 0;
  virtual long nextIndex(long row) const = 0;
  // The row clicked to open the menu or for the double-click being handled; -1 otherwise.
  virtual long clickedRow() const = 0;
};
