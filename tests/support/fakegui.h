// A recording GUI for the application controller's tests: fake views (the main window, the text view, the
// panes, the definition popup, the find bar, the splash) whose state the test reads, the GUI's own calls
// recorded one a line ("showTabs 1", "setLastSearch 中国", "export 0"), and the modal dialogs answered by the
// test's functions (none set: the dialog is cancelled).
#pragma once

#include "support/fakedefinitionview.h"
#include "support/fakefinddialog.h"
#include "support/fakemainwindow.h"
#include "support/fakesplashscreen.h"
#include "support/fakestatisticsview.h"
#include "support/faketextview.h"
#include "support/fakewordlistview.h"
#include "views/gui.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class ExportAdapter;

namespace qmtest {

class FakeGUI : public GUI {
public:
  FakeMainWindow window;
  FakeTextView text;
  FakeWordListView wordList;
  FakeStatisticsView statistics;
  FakeDefinitionView definition;
  FakeFindDialog findBar;
  FakeSplashScreen splash;
  std::vector<std::string> calls;
  double mouseX = 0, mouseY = 0;

  // The dialogs as the test answers them.
  std::function<std::optional<std::vector<std::string>>()> importDialog;
  // Given the dialog's model over the controller's settings; exporting goes through adapter.exportTo.
  std::function<void(ExportAdapter& adapter)> exportDialog;
  std::function<void(ManageWordListsDelegate&)> manageDialog;
  std::function<bool(RunScriptDialogDelegate&)> runScriptDialog;
  std::function<void(std::function<void(std::vector<Span> const&)> const&)> welcomeDialog;
  std::function<bool(Text& name, double& size)> fontChooser;

  MainWindow& mainWindow() override { return window; }
  TextView& textView() override { return text; }
  WordListView& wordListView() override { return wordList; }
  StatisticsView& statisticsView() override { return statistics; }
  DefinitionView& definitionView() override { return definition; }
  TabHeader& openFileTabs() override { return window.tabs; }
  TabHeader& wordListTabs() override { return wordList.tabs; }

  void showTabs(bool show) override { window.showTabs(show); }
  void showFindDialog(const char* text, FindDialogDelegate& delegate) override;
  void setLastSearch(const char* text) override;
  void mouseLocation(double& x, double& y) const override {
    x = mouseX;
    y = mouseY;
  }
  bool isDarkMode() const override { return window.dark; }
  void restoreState(PositionConfig const& position) override { window.restoreState(position); }
  void saveState(PositionConfig& position) override { window.saveState(position); }

  SplashScreen& splashScreen() override { return splash; }
  std::optional<std::vector<std::string>> runImportDialog() override;
  void runExportDialog(WordListManager& lists, DocumentStatistics const& statistics, WordHash const& lookedUp,
                       ExportDialogData const& data, ExportDialogDelegate& delegate,
                       ExportDestination::Type destination) override;
  void runManageWordListsDialog(ManageWordListsDelegate& controller) override;
  bool runRunScriptDialog(RunScriptDialogDelegate& controller) override;
  void runFeedbackDialog(const char* address) override;
  void runWelcomeDialog(std::function<void(std::vector<Span> const&)> const& importWords) override;
  bool chooseFont(Text& name, double& size) override;
};

} // namespace qmtest
