// What the new-word-list dialog collects: the new list's name, whether it is read-only, and what it starts
// with. The caller sets the defaults (an empty name, source Empty, existing = the current list's index,
// every level chosen) and creates the list when the dialog ends with Create.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct NewWordListDialogData {
  enum Source : int32_t { Empty = 0, Existing = 1, Hsk = 2, Tocfl = 3 };

  std::string name; // UTF-8, as the list file keeps it (WordList::storableDisplayName)
  int32_t source = Empty;
  uint64_t existing = 0; // the list to copy, an index into the names given to the dialog
  bool readOnly = false;
  std::array<bool, 6> hsk{true, true, true, true, true, true};
  std::array<bool, 5> tocfl{true, true, true, true, true};

  bool operator==(NewWordListDialogData const&) const = default;
};
