// The main window's commands without the window: which are enabled or ticked (asked of the window's
// MainWindowDelegate each time), what each sends to the delegate, and the items of the two submenus built
// as they open (the word lists and the recent files). The desktop's menus, shortcuts and drops go through
// here, so a command the menu would refuse is refused also when a shortcut bypasses the menu.
#pragma once

#include "views/menuitem.h"

#include <memory>
#include <vector>

class MainWindow;
class RecentFiles;
class WordList;

class MainMenu {
public:
  enum Action {
    Open,
    OpenRecent, // tag index: the recent file
    ClearRecent,
    Close,
    Import,
    ExportToFile,
    ExportToClipboard,
    ExportToEmail,
    Quit,
    Copy,
    AppendToClipboard,
    Paste,
    SelectAll,
    Find,
    FindNext,
    CentreSelection,
    Font,
    BiggerFont,
    SmallerFont,
    ResetFont,
    ColourSchemeLight,
    ColourSchemeDark,
    ColourSchemeAuto,
    ToggleColourScheme,
    HighlightLookedUpWords,
    FullScreen,
    NextTab,
    PreviousTab,
    ManageWordLists,
    ChangeWordList, // tag index: the list's place in the word-list submenu
    RunScript,
    Help,
    SendFeedback,
    About,
    ACTION_COUNT
  };
  static constexpr unsigned MAX_WORD_LIST_ITEMS = 10;

  struct State {
    bool enabled = true;
    bool ticked = false;
  };

  MainMenu() = delete;

  // Asks window's delegate; everything is enabled and nothing ticked while it has none. documentActions is
  // the window's gate of the document commands. Full Screen is ticked while the window is in full screen.
  static State state(Action action, MainWindow& window, bool documentActions);
  // Sends action's command to window's delegate when there is one and state() enables it; true when sent.
  // index is the recent file of OpenRecent; baseName the list of ChangeWordList. Open is never sent here:
  // the window shows its open panel first and sends the chosen files itself.
  static bool perform(Action action, MainWindow& window, bool documentActions, unsigned long index = 0,
                      const char* baseName = nullptr);

  // The word-list submenu after its first item (which stays): nothing for fewer than two lists; otherwise a
  // separator and, for each list in order up to MAX_WORD_LIST_ITEMS, its display name (ChangeWordList with
  // the list's index), the one whose base name is current ticked; then, when lists were left out, a
  // separator and "More..." (ManageWordLists).
  static std::vector<MenuItem> wordListItems(std::vector<std::unique_ptr<WordList>> const& lists,
                                             const char* current);
  // The Open Recent submenu: each file, newest first (OpenRecent with its index), then a separator and
  // "Clear Menu" (ClearRecent); with no files, "Clear Menu" alone and disabled.
  static std::vector<MenuItem> recentFileItems(RecentFiles const& files);
};
