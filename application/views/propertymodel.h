// A grouped table of name/value rows that a view shows as an outline (the statistics pane). Texts are
// UTF-8 and belong to the model: the caller copies them at once, before the next call. Main thread only.
#pragma once

#include "views/propertyindex.h"

#include <cstdint>
#include <string>
#include <vector>

class PropertyModel {
public:
  virtual ~PropertyModel() = default;
  virtual uint64_t groupCount() const = 0;
  virtual uint64_t rowCount(uint64_t group) const = 0;
  virtual const char* groupName(uint64_t group) const = 0;
  // Null for a row the model does not have.
  virtual const char* rowName(uint64_t group, uint64_t row) const = 0;
  virtual const char* value(uint64_t group, uint64_t row) const = 0;

  // The rows as clipboard text: a title row as "title\n", any other as "\tname\tvalue\n"; a missing
  // name or value counts as empty.
  std::string text(std::vector<PropertyIndex> const& rows) const;
  // Puts text(rows) on the clipboard, replacing it or (append) as one more item. Nothing, and false, when
  // there are no rows: an empty selection never empties the clipboard.
  bool copy(std::vector<PropertyIndex> const& rows, bool append) const;
};
