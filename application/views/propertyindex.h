// One row of a PropertyModel: a group and a row in it, or the group's title row (index -1). A view's
// selection is handed out as a vector of these.
#pragma once

#include <cstdint>

struct PropertyIndex {
  static constexpr int64_t TITLE = -1;

  uint64_t group = 0;
  int64_t index = TITLE;

  bool isGroupHeader() const { return index == TITLE; }
  bool operator==(PropertyIndex const&) const = default;
};
