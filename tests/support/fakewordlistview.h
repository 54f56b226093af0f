// A word-list view that keeps a selection of row indexes and records what it is told ("refresh 5", "text 7"),
// for the word-list controller's and the application controller's tests.
#pragma once

#include "views/tabheader.h"
#include "views/wordlistdelegate.h"
#include "views/wordlistview.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qmtest {

class FakeWordListView : public WordListView {
public:
  WordListDelegate* delegate = nullptr;
  TabHeader tabs{TabHeaderConfig{1, false}};
  std::vector<long> selection;
  long clicked = -1;
  bool focus = false;
  double fontSize = -1;
  std::vector<std::string> calls;

  void setDelegate(WordListDelegate* d) override { delegate = d; }
  TabHeader& tabHeader() override { return tabs; }
  void selectAll() override {
    selection.clear();
    for (long row = 0; delegate && row < delegate->rowCount(*this); ++row)
      selection.push_back(row);
  }
  bool hasFocus() const override { return focus; }
  void setFocus() override { focus = true; }
  long selectedCount() const override { return long(selection.size()); }
  void setTextColour(Colour c) override { calls.push_back("text " + std::to_string(c.r)); }
  void setBackgroundColour(Colour c) override { calls.push_back("background " + std::to_string(c.r)); }
  void setChineseFontSize(double points) override { fontSize = points; }
  void refresh() override {
    const long rows = delegate ? delegate->rowCount(*this) : 0;
    std::erase_if(selection, [&](long row) { return row >= rows; });
    calls.push_back("refresh " + std::to_string(rows));
  }
  void selectRows(std::vector<long> const& rows) override {
    selection = rows;
    refresh();
    calls.pop_back();
  }
  long firstIndex() const override { return selection.empty() ? -1 : selection.front(); }
  long nextIndex(long row) const override {
    const auto next = std::upper_bound(selection.begin(), selection.end(), row);
    return next == selection.end() ? -1 : *next;
  }
  long clickedRow() const override { return clicked; }

  std::vector<std::string> words() {
    std::vector<std::string> out;
    for (long row = 0; row < delegate->rowCount(*this); ++row) {
      char cell[WordListDelegate::CELL_SIZE];
      delegate->cellText(*this, row, 1, cell, sizeof cell);
      out.push_back(cell);
    }
    return out;
  }
};

} // namespace qmtest
