// The manage-word-lists dialog's delegate: it tells the dialog which lists exist and which is current, gives
// it the current list's words for the preview, and carries out its commands on the WordListManager at
// once: switch lists, create one (empty, copied from another, or from HSK or TOCFL levels), rename it or
// change its read-only mark, clear it, delete it.
//
// Another running copy of the program may hold a list's lock; the manager waits briefly for it. When it stays
// held, the command says so in a box, logs under "WARN", and the dialog is refreshed from what is really
// there. No exception leaves a command. Main thread only; one controller per opening of the dialog.
#pragma once

#include "views/managewordlistsdelegate.h"

#include <memory>

class ApplicationDelegate;
class WordListManager;

class ManageWordListsController : public ManageWordListsDelegate {
public:
  // Both must outlive the controller.
  ManageWordListsController(ApplicationDelegate& application, WordListManager& lists);
  ~ManageWordListsController() override;
  ManageWordListsController(ManageWordListsController const&) = delete;
  ManageWordListsController& operator=(ManageWordListsController const&) = delete;

  void onChangeWordList(ManageWordListsView& dialog, unsigned long index) override;
  void onNewWordList(ManageWordListsView& dialog) override;
  void onEditWordList(ManageWordListsView& dialog) override;
  void onClearWordList(ManageWordListsView& dialog) override;
  void onDeleteWordList(ManageWordListsView& dialog) override;
  unsigned long currentWordList(ManageWordListsView const& dialog) const override;
  unsigned long totalWordLists(ManageWordListsView const& dialog) const override;
  // A list's display name, followed by " (" base name ")" when an earlier list shows the same name.
  const char* wordListName(ManageWordListsView const& dialog, unsigned long index) const override;
  unsigned long totalWords(ManageWordListsView const& dialog) const override;
  Span word(ManageWordListsView const& dialog, unsigned long row) const override;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
