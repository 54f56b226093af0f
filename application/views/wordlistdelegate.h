// What the word-list pane asks of its controller (WordListViewController): everything it shows and every
// command. Rows are indexes into the controller's filtered, sorted rows; texts cross as UTF-8. Main thread
// only.
#pragma once

#include "documents/wordstatisticssort.h"

#include <cstddef>
#include <vector>

class OnlineSearchOption;
class WordListView;

class WordListDelegate {
public:
  // The buffer a view asks for a cell's text with.
  static constexpr size_t CELL_SIZE = 1024;

  virtual ~WordListDelegate() = default;
  virtual std::vector<OnlineSearchOption> const& onlineSearchOptions() const = 0;
  // The filter field's text, on every keystroke.
  virtual void setSearchText(WordListView& view, const char* text) = 0;
  virtual void setSortType(WordListView& view, WordStatisticsSort::Type type) = 0;
  virtual long rowCount(WordListView& view) const = 0;
  // Writes the cell's text into buffer, cut at a character boundary to size - 1 bytes and NUL-terminated;
  // returns the bytes written before the NUL. A row that does not exist gives "", a null buffer or size 0
  // nothing (0).
  virtual size_t cellText(WordListView& view, long row, int column, char* buffer, size_t size) const = 0;
  // The rows of the count words likeliest to be the widest, widest first, estimated from their characters:
  // the few whose words the view measures to fit its word column.
  virtual std::vector<long> widestRows(WordListView& view, size_t count) const = 0;
  // The three menu flags; each starts as the caller set it.
  virtual void menuState(WordListView& view, bool* knownEnabled, bool* unknownEnabled,
                         bool* othersEnabled) const = 0;
  // A double-click on row; command: the Control key was held.
  virtual void rowAction(WordListView& view, long row, bool command) = 0;
  // A menu item's tag: the action in the low 16 bits, an option index above.
  virtual void menuCommand(WordListView& view, int tag) = 0;
};
