#include "views/mainmenu.h"

#include "documents/recentfiles.h"
#include "views/mainwindow.h"
#include "views/mainwindowdelegate.h"
#include "wordlists/wordlist.h"

#include <cstring>

namespace {

MenuItem item(std::string title, int tag, bool enabled = true) {
  MenuItem entry;
  entry.title = std::move(title);
  entry.tag = tag;
  entry.enabled = enabled;
  return entry;
}

MenuItem separator() {
  MenuItem entry;
  entry.kind = MenuItem::Separator;
  return entry;
}

bool ticked(MainMenu::Action action, MainWindowDelegate const& delegate, MainWindow& window) {
  switch (action) {
  case MainMenu::ColourSchemeLight:
    return delegate.currentColourScheme(window) == ColourScheme::Light;
  case MainMenu::ColourSchemeDark:
    return delegate.currentColourScheme(window) == ColourScheme::Dark;
  case MainMenu::ColourSchemeAuto:
    return delegate.currentColourScheme(window) == ColourScheme::Auto;
  case MainMenu::HighlightLookedUpWords:
    return delegate.highlightLookedUpWords(window);
  case MainMenu::FullScreen:
    return window.isFullScreen();
  default:
    return false;
  }
}

// Sends the commands that take nothing but the window.
bool send(MainMenu::Action action, MainWindowDelegate& d, MainWindow& w) {
  using M = MainMenu;
  switch (action) {
  case M::ClearRecent:
    d.onFileOpenRecentClearList(w);
    break;
  case M::Close:
    d.onFileClose(w, nullptr);
    break;
  case M::ExportToFile:
    d.onFileExportToFile(w);
    break;
  case M::ExportToClipboard:
    d.onFileExportToClipboard(w);
    break;
  case M::ExportToEmail:
    d.onFileExportToEmail(w);
    break;
  case M::Quit:
    d.onFileExit(w);
    break;
  case M::Copy:
    d.onCopy(w, false);
    break;
  case M::AppendToClipboard:
    d.onCopy(w, true);
    break;
  case M::Paste:
    d.onPaste(w, false);
    break;
  case M::SelectAll:
    d.onSelectAll(w);
    break;
  case M::Find:
    d.onFind(w);
    break;
  case M::FindNext:
    d.onFindNext(w);
    break;
  case M::CentreSelection:
    d.onCenterSelectionInView(w);
    break;
  case M::Font:
    d.onFormatFont(w);
    break;
  case M::BiggerFont:
    d.onIncreaseFont(w);
    break;
  case M::SmallerFont:
    d.onDecreaseFont(w);
    break;
  case M::ResetFont:
    d.onResetFont(w);
    break;
  case M::ColourSchemeLight:
    d.onColourSchemeChanged(w, ColourScheme::Light);
    break;
  case M::ColourSchemeDark:
    d.onColourSchemeChanged(w, ColourScheme::Dark);
    break;
  case M::ColourSchemeAuto:
    d.onColourSchemeChanged(w, ColourScheme::Auto);
    break;
  case M::ToggleColourScheme:
    d.onColourSchemeToggled(w);
    break;
  case M::HighlightLookedUpWords:
    d.onToggleHighlightLookedUpWords(w);
    break;
  case M::FullScreen:
    d.onToggleFullScreen(w);
    break;
  case M::NextTab:
    d.onNextTab(w);
    break;
  case M::PreviousTab:
    d.onPrevTab(w);
    break;
  case M::ManageWordLists:
    d.onWordListManage(w);
    break;
  case M::RunScript:
    d.onToolsRunScript(w);
    break;
  case M::Help:
    d.onHelpHelp(w);
    break;
  case M::SendFeedback:
    d.onHelpSendFeedback(w);
    break;
  case M::About:
    d.onHelpAbout(w);
    break;
  default:
    return false;
  }
  return true;
}

} // namespace

MainMenu::State MainMenu::state(Action action, MainWindow& window, bool documentActions) {
  State state;
  MainWindowDelegate* d = window.delegate();
  if (!d) return state;
  switch (action) {
  case Close:
  case SelectAll:
  case Find:
    state.enabled = documentActions;
    break;
  case ExportToFile:
  case ExportToClipboard:
  case ExportToEmail:
    state.enabled = d->isCurrentDocumentReady(window);
    break;
  case Copy:
  case AppendToClipboard:
    state.enabled = documentActions && d->canCopy(window) != 0;
    break;
  case Paste:
    state.enabled = d->canPaste(window);
    break;
  case FindNext:
    state.enabled = documentActions && d->canFindNext(window);
    break;
  case CentreSelection:
    state.enabled = d->hasSelection(window);
    break;
  case NextTab:
  case PreviousTab:
    state.enabled = d->totalOpenDocuments(window) > 1;
    break;
  default:
    break;
  }
  state.ticked = ticked(action, *d, window);
  return state;
}

bool MainMenu::perform(Action action, MainWindow& window, bool documentActions, unsigned long index,
                       const char* baseName) {
  MainWindowDelegate* d = window.delegate();
  if (!d || action == Open || !state(action, window, documentActions).enabled) return false;
  switch (action) {
  case OpenRecent:
    d->onFileOpenRecent(window, index);
    return true;
  case Import:
    d->onFileImport(window);
    window.show(); // the import dialog may have left another window in front
    return true;
  case ChangeWordList:
    if (!baseName) return false;
    d->onWordListChange(window, baseName);
    return true;
  default:
    return send(action, *d, window);
  }
}

std::vector<MenuItem> MainMenu::wordListItems(std::vector<std::unique_ptr<WordList>> const& lists,
                                              const char* current) {
  std::vector<MenuItem> items;
  if (lists.size() < 2) return items;
  items.push_back(separator());
  for (unsigned i = 0; i < lists.size() && i < MAX_WORD_LIST_ITEMS; ++i) {
    items.push_back(item(lists[i]->displayName(), MenuItem::tagOf(ChangeWordList, i)));
    items.back().ticked = current && std::strcmp(lists[i]->baseName(), current) == 0;
  }
  if (lists.size() > MAX_WORD_LIST_ITEMS) {
    items.push_back(separator());
    items.push_back(item("More...", ManageWordLists));
  }
  return items;
}

std::vector<MenuItem> MainMenu::recentFileItems(RecentFiles const& files) {
  std::vector<MenuItem> items;
  for (unsigned i = 0; i < files.totalFiles(); ++i)
    items.push_back(item(files[i], MenuItem::tagOf(OpenRecent, i)));
  if (!items.empty()) items.push_back(separator());
  items.push_back(item("Clear Menu", ClearRecent, !items.empty()));
  return items;
}
