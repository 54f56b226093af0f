// What the manage-word-lists dialog asks and tells its controller (ManageWordListsController). Every call
// names the dialog, which the controller calls back to refresh itself. Main thread only.
#pragma once

#include "utils/span.h"

class ManageWordListsView;

class ManageWordListsDelegate {
public:
  virtual ~ManageWordListsDelegate() = default;
  // index: the list's index as given by wordListName; out of range does nothing.
  virtual void onChangeWordList(ManageWordListsView& dialog, unsigned long index) = 0;
  virtual void onNewWordList(ManageWordListsView& dialog) = 0;
  virtual void onEditWordList(ManageWordListsView& dialog) = 0;
  virtual void onClearWordList(ManageWordListsView& dialog) = 0;
  virtual void onDeleteWordList(ManageWordListsView& dialog) = 0;
  virtual unsigned long currentWordList(ManageWordListsView const& dialog) const = 0;
  virtual unsigned long totalWordLists(ManageWordListsView const& dialog) const = 0;
  // UTF-8; null for an index out of range. Valid until the lists change.
  virtual const char* wordListName(ManageWordListsView const& dialog, unsigned long index) const = 0;
  // The current list's words, for the preview.
  virtual unsigned long totalWords(ManageWordListsView const& dialog) const = 0;
  // Empty for a row out of range. Valid until the current list changes.
  virtual Span word(ManageWordListsView const& dialog, unsigned long row) const = 0;
};
