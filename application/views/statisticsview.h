// The statistics pane as the controller sees it (desktop-ui's StatisticsWidget): an outline of a
// StatisticsModel's groups, "No file loaded" without a model and "Processing..." while the model has no
// statistics. Main thread only.
#pragma once

#include "utils/colour.h"
#include "views/propertyindex.h"

#include <vector>

class StatisticsModel;

class StatisticsView {
public:
  virtual ~StatisticsView() = default;
  // Not owned, null allowed; shows the model afresh. Groups the reader collapsed stay collapsed.
  virtual void setModel(StatisticsModel* model) = 0;
  // The model's texts changed (another word list, marked words): show them again.
  virtual void reloadData() = 0;
  virtual bool hasFocus() const = 0;
  // Has the focus and a selected row that selectedItems() would hand out.
  virtual bool canCopy() const = 0;
  virtual void selectAll() = 0;
  // The selected rows that the reader can see, in outline order: a group's title as {group, -1}, a data
  // row as {group, row}. The placeholder row and rows inside a collapsed group are left out.
  virtual std::vector<PropertyIndex> selectedItems() const = 0;
  // The colour scheme's normal style: text in the foreground, rows in the background and its alternate.
  virtual void setColours(Colour foreground, Colour background) = 0;
};
