// The manage-word-lists dialog as its controller sees it: refill the list of names, refresh the preview,
// and run the new and edit dialogs as nested modal windows above it. Implemented by the Qt dialog (and by
// test fakes). Main thread only.
#pragma once

#include <string>
#include <vector>

struct EditWordListDialogData;
struct NewWordListDialogData;

class ManageWordListsView {
public:
  virtual ~ManageWordListsView() = default;
  // Asks the delegate again for the lists, their names and the current one.
  virtual void populateWordLists() = 0;
  // Asks the delegate again for the current list's words.
  virtual void updatePreview() = 0;
  // True when the dialog ended with Create; names: the lists that may be copied, in index order.
  virtual bool runNewWordListDialog(NewWordListDialogData& data, std::vector<std::string> const& names) = 0;
  // True when the dialog ended with Update.
  virtual bool runEditWordListDialog(EditWordListDialogData& data) = 0;
};
