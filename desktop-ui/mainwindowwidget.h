// The main window (MainWindow): the menu bar (MainMenuBar), the strip of open documents across the top,
// and below it the text container on the left beside a column of the statistics pane over the word-list
// pane, each boundary a splitter whose state is kept in the "position" settings. Files dropped on the window
// or chosen in its open panel go to the delegate in order; closing the window asks the delegate first.
// No exception from the delegate reaches Qt: every slot, event and timer logs it under "ERR".
#pragma once

#include "views/mainmenu.h"
#include "views/mainwindow.h"

#include <QMainWindow>

#include <memory>

class MainMenuBar;
class QSplitter;
class StatisticsWidget;
class TabHeaderWidget;
class WordListWidget;

class MainWindowWidget : public QMainWindow, public MainWindow {
public:
  // Hears that the desktop's appearance turned light or dark.
  class AppearanceObserver {
  public:
    virtual ~AppearanceObserver() = default;
    virtual void appearanceChanged(bool dark) = 0;
  };

  // Takes the panes as children. 1,200 by 700, centred on its screen, not shown.
  MainWindowWidget(StatisticsWidget* statistics, WordListWidget* wordList, QWidget* parent = nullptr);
  ~MainWindowWidget() override;

  void setDelegate(MainWindowDelegate* delegate) override;
  MainWindowDelegate* delegate() const override;
  void show() override;
  void startLoadTimer() override;
  void stopLoadTimer() override;
  void setFullScreen(bool fullScreen) override;
  bool isFullScreen() const override;
  void setDocument() override;
  void setDocumentActionsEnabled(bool enabled) override;
  void onExit() override;
  void onFind() override {}
  void* handle() const override { return nullptr; }
  TabHeader& openFileTabs() override;
  void showTabs(bool show) override;
  void restoreState(PositionConfig const& config) override;
  void saveState(PositionConfig& config) const override;
  bool isDarkMode() const override;

  // The text view's container, left of the panes; taken as a child, and the one before it deleted. Until
  // one is set an empty placeholder stands there.
  void setTextContainer(QWidget* container);
  QWidget* textContainer() const;
  // Not owned; told each time the application's palette turns from light to dark or back.
  void setAppearanceObserver(AppearanceObserver* observer);

  // The parts, for the program and tests.
  MainMenuBar& menus() const;
  QSplitter* textSplitter() const;
  QSplitter* wordListSplitter() const;
  TabHeaderWidget* tabStrip() const;
  bool documentActionsEnabled() const;

protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void run(MainMenu::Action action, unsigned index, const char* baseName);
  void openPanel();

  struct Impl;
  std::unique_ptr<Impl> impl;
};
