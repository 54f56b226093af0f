// The main window's menu bar: File, Edit, View, Word Lists, Tools and Help, one QAction per MainMenu
// command. A menu about to open shows each command's state (MainMenu::state); once it closes every command
// is enabled again, so that a shortcut always reaches the window, which checks the state itself (a shortcut
// never opens the menu). The Open Recent and word-list submenus are rebuilt each time they open. Full Screen
// has the desktop's keys and F11; Next and Previous Tab have Ctrl+Tab and Ctrl+Shift+Tab besides the
// desktop's keys.
#pragma once

#include "views/mainmenu.h"

#include <QKeySequence>
#include <QList>

#include <functional>
#include <memory>

class MainWindow;
class QAction;
class QMainWindow;
class QMenu;

class MainMenuBar {
public:
  // Runs a chosen command: index is a recent file's, baseName the chosen word list's (else null).
  using Run = std::function<void(MainMenu::Action action, unsigned index, const char* baseName)>;

  // Fills window's menu bar. core is the same window; documentActions tells its gate of the document
  // commands. Both outlive this object.
  MainMenuBar(QMainWindow& window, MainWindow& core, std::function<bool()> documentActions, Run run);
  ~MainMenuBar();
  MainMenuBar(MainMenuBar const&) = delete;
  MainMenuBar& operator=(MainMenuBar const&) = delete;

  // The desktop's keys of a standard command, for the menus built from now on; tests stand in for a
  // desktop with it. Null (the start) asks Qt.
  using KeyBindings = QList<QKeySequence> (*)(QKeySequence::StandardKey key);
  static void setKeyBindings(KeyBindings bindings);

  // Null for OpenRecent, ClearRecent and ChangeWordList, whose items come and go.
  QAction* action(MainMenu::Action action) const;
  // Ticks a checkable item as MainMenu::state gives it now, menu open or not (the window left full screen).
  void showTick(MainMenu::Action action);
  QMenu* recentMenu() const;
  QMenu* wordListMenu() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
