// Every command runs inside guarded(): an error of the word-list folder (above all a lock that another copy
// of the program keeps) is logged, told in a box, and the dialog is refilled from the manager, so that what
// it shows is what is there.
#include "control/managewordlistscontroller.h"

#include "text/proficiencylevelfilebuilder.h"
#include "utils/log.h"
#include "utils/platform/posix/filelock.h"
#include "views/applicationdelegate.h"
#include "views/editwordlistdialogdata.h"
#include "views/managewordlistsview.h"
#include "views/messagebox.h"
#include "views/newwordlistdialogdata.h"
#include "wordlists/wordlistmanager.h"

#include <string>
#include <vector>

namespace {

const char* const BUSY = "Another running copy of the program is using this word list.";

bool ask(const char* title, const char* question) {
  MessageBox box(0, MessageBox::Question);
  box.setMessage("%s", title);
  box.setInformation("This action cannot be undone.\n\nDo you really want to %s this word list?", question);
  return box.show() == MessageBox::Yes;
}

void tell(const char* information) {
  MessageBox box(0, MessageBox::Ok);
  box.setMessage("Word list in use");
  box.setInformation("%s", information);
  box.show();
}

// A change made in memory whose revision could not be stored: it is stored with the next save.
void tellNotStored() {
  tell("Another running copy of the program is using this word list. The change is kept and will be stored "
       "with the next save.");
}

void tellUnchanged() {
  tell(
      "Another running copy of the program is using this word list, so nothing was changed. Please try again "
      "in a moment.");
}

} // namespace

struct ManageWordListsController::Impl {
  ApplicationDelegate& application;             // told when the current list changes
  WordListManager& manager;                     // the lists themselves
  std::vector<std::unique_ptr<WordList>> lists; // as the manager lists them, by base name
  std::vector<Span> words;                      // the current list's, into its word set
  std::vector<std::string> rows;                // the names shown, by list
  size_t current = 0;                           // the current list's index in lists

  void reloadWordLists();
  void reloadWords() { words = manager.current().words(); }
  void refresh(ManageWordListsView& dialog);
  template <class F> void guarded(ManageWordListsView& dialog, const char* what, F&& command);
  void createList(ManageWordListsView& dialog, NewWordListDialogData const& data);
};

void ManageWordListsController::Impl::reloadWordLists() {
  lists = manager.wordLists();
  current = 0;
  rows.clear();
  for (size_t i = 0; i < lists.size(); ++i) {
    if (std::string(lists[i]->baseName()) == manager.currentList()) current = i;
    std::string row = lists[i]->displayName();
    for (size_t j = 0; j < i; ++j)
      if (rows[j] == row) {
        row += std::string(" (") + lists[i]->baseName() + ")";
        break;
      }
    rows.push_back(row);
  }
}

void ManageWordListsController::Impl::refresh(ManageWordListsView& dialog) {
  reloadWordLists();
  reloadWords();
  dialog.populateWordLists();
  dialog.updatePreview();
}

template <class F>
void ManageWordListsController::Impl::guarded(ManageWordListsView& dialog, const char* what, F&& command) {
  try {
    command();
    return;
  } catch (FileLock::already_exists const& e) {
    Log::print("WARN", "Unable to %s: the list is in use by another copy of the program ", what);
    ZUN_LOG_CAUGHT("WARN", "\t", e);
    tellUnchanged();
  } catch (zun::exception const& e) {
    Log::print("WARN", "Unable to %s: ", what);
    ZUN_LOG_CAUGHT("WARN", "\t", e);
    tell("The word lists could not be changed; the log tells why.");
  }
  try {
    refresh(dialog);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Unable to reload the word lists: ", e);
  }
}

ManageWordListsController::ManageWordListsController(ApplicationDelegate& application, WordListManager& lists)
    : impl(new Impl{application, lists, {}, {}, {}, 0}) {
  impl->reloadWordLists();
  impl->reloadWords();
}

ManageWordListsController::~ManageWordListsController() = default;

void ManageWordListsController::onChangeWordList(ManageWordListsView& dialog, unsigned long index) {
  if (index >= impl->lists.size()) return;
  impl->guarded(dialog, "switch word lists", [&] {
    impl->manager.setCurrent(impl->lists[index]->baseName());
    impl->reloadWords();
    impl->current = index;
    dialog.updatePreview();
    impl->application.wordListChanged();
  });
}

void ManageWordListsController::onNewWordList(ManageWordListsView& dialog) {
  NewWordListDialogData data;
  data.existing = impl->current;
  if (!dialog.runNewWordListDialog(data, impl->rows)) return;
  impl->guarded(dialog, "create a word list", [&] { impl->createList(dialog, data); });
}

void ManageWordListsController::Impl::createList(ManageWordListsView& dialog,
                                                 NewWordListDialogData const& data) {
  const Text name = WordList::storableDisplayName(data.name.c_str());
  if (name.empty()) return;
  // The list to copy, as the lists were before the creation; loaded first, so that a list another copy
  // holds stops the flow before anything is created.
  WordHash const* source = data.source == NewWordListDialogData::Existing && data.existing < lists.size()
                               ? &manager.wordHash(lists[data.existing]->baseName())
                               : nullptr;
  const std::unique_ptr<WordList> list = manager.createList(name.c_str(), data.readOnly);
  if (!list) return;
  manager.setCurrent(list->baseName());
  WordHash& words = manager.current();
  if (source) words.add(*source);
  for (size_t level = 1; level <= data.hsk.size() && data.source == NewWordListDialogData::Hsk; ++level)
    if (data.hsk[level - 1])
      ProficiencyLevelFileBuilder::addToWordHash(ProficiencyLevelFileBuilder::HSK, words, level);
  for (size_t level = 1; level <= data.tocfl.size() && data.source == NewWordListDialogData::Tocfl; ++level)
    if (data.tocfl[level - 1])
      ProficiencyLevelFileBuilder::addToWordHash(ProficiencyLevelFileBuilder::TOCFL, words, level);
  const bool stored = manager.saveVersion();
  reloadWordLists();
  reloadWords();
  dialog.updatePreview();
  application.wordListChanged();
  dialog.populateWordLists();
  if (!stored) tellNotStored();
}

void ManageWordListsController::onEditWordList(ManageWordListsView& dialog) {
  impl->guarded(dialog, "change a word list", [&] {
    // Read again: the list file is the truth, and another copy may have changed it.
    impl->reloadWordLists();
    // A current list whose file cannot be read is not listed; another one must not be edited instead.
    if (impl->current >= impl->lists.size() ||
        impl->manager.currentList() != std::string(impl->lists[impl->current]->baseName()))
      return;
    WordList list(*impl->lists[impl->current]);
    EditWordListDialogData data{list.displayName(), list.readOnly()};
    if (!dialog.runEditWordListDialog(data)) return;
    const Text name = WordList::storableDisplayName(data.name.c_str());
    if (!name.empty()) list.setDisplayName(name.c_str());
    list.setReadOnly(data.readOnly);
    const bool saved = impl->manager.save(list);
    impl->reloadWordLists();
    dialog.populateWordLists();
    if (!saved) tellUnchanged();
  });
}

void ManageWordListsController::onClearWordList(ManageWordListsView& dialog) {
  if (!ask("Clear word list?", "clear")) return;
  impl->guarded(dialog, "clear a word list", [&] {
    impl->manager.current().clear();
    const bool stored = impl->manager.saveVersion();
    onChangeWordList(dialog, impl->current);
    if (!stored) tellNotStored();
  });
}

void ManageWordListsController::onDeleteWordList(ManageWordListsView& dialog) {
  if (!ask("Delete word list?", "delete")) return;
  impl->guarded(dialog, "delete a word list", [&] {
    impl->reloadWordLists();
    if (impl->lists.size() < 2) return;
    const std::string base = impl->lists[impl->current]->baseName();
    const size_t neighbour = impl->current + 1 < impl->lists.size() ? impl->current + 1 : impl->current - 1;
    onChangeWordList(dialog, neighbour);
    // The switch failed and has said so: the list is still current and stays.
    if (base == impl->manager.currentList()) return;
    const bool deleted = impl->manager.deleteList(base.c_str());
    impl->reloadWordLists();
    dialog.populateWordLists();
    if (!deleted) tellUnchanged();
  });
}

unsigned long ManageWordListsController::currentWordList(ManageWordListsView const&) const {
  return impl->current;
}

unsigned long ManageWordListsController::totalWordLists(ManageWordListsView const&) const {
  return impl->lists.size();
}

const char* ManageWordListsController::wordListName(ManageWordListsView const&, unsigned long index) const {
  return index < impl->rows.size() ? impl->rows[index].c_str() : nullptr;
}

unsigned long ManageWordListsController::totalWords(ManageWordListsView const&) const {
  return impl->words.size();
}

Span ManageWordListsController::word(ManageWordListsView const&, unsigned long row) const {
  return row < impl->words.size() ? impl->words[row] : Span();
}
