// What the edit-word-list dialog changes: the current list's display name and read-only mark. The caller
// fills it from the list and applies it when the dialog ends with Update.
#pragma once

#include <string>

struct EditWordListDialogData {
  std::string name; // UTF-8, as the list file keeps it (WordList::storableDisplayName)
  bool readOnly = false;

  bool operator==(EditWordListDialogData const&) const = default;
};
