// A recording GUI for the application controller's tests: fake views (the main window, the text view, the
// panes, the definition popup, the find bar, the splash) whose state the test reads, the GUI's own calls
// recorded one a line ("showTabs 1", "setLastSearch 中国", "export 0"), and the modal dialogs answered by the
// test's functions (none set: the dialog is cancelled).
#pragma once

#include "support/fakemainwindow.h"
#include "support/faketextview.h"
#include "support/fakewordlistview.h"
#include "utils/span.h"
#include "views/definitionconfig.h"
#include "views/definitionview.h"
#include "views/finddialog.h"
#include "views/finddialogdelegate.h"
#include "views/gui.h"
#include "views/splashscreen.h"
#include "views/splashscreendelegate.h"
#include "views/statisticsmodel.h"
#include "views/statisticsview.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ExportAdapter;

namespace qmtest {

// A definition popup that keeps what it is given and records the words it shows ("show 中国 10,20").
class FakeDefinitionView : public DefinitionView {
public:
  Dictionary const* given = nullptr;
  DefinitionConfig config;
  int configs = 0; // how often a configuration was given
  std::string word;
  std::vector<std::string> shown;

  Dictionary const* dictionary() const override { return given; }
  void setConfig(DefinitionConfig const& c) override {
    config = c;
    ++configs;
  }
  void setDictionary(Dictionary const* d) override { given = d; }
  void setWord(Span const& w) override { word = std::string(w.view()); }
  void show(double x, double y) override {
    char point[64];
    std::snprintf(point, sizeof point, " %g,%g", x, y);
    shown.push_back("show " + word + point);
  }
};

// A find bar for controller tests: it keeps its text and the delegate it was shown with, and finds by asking
// that delegate as Return in the real bar does.
class FakeFindDialog : public FindDialog {
public:
  FindDialogDelegate* delegate = nullptr;
  std::string text;

  void show(FindDialogDelegate* d) override { delegate = d; }
  void setSearchText(const char* t) override { text = t ? t : ""; }
  // Return in the field.
  void find() {
    if (delegate) delegate->find(*this, Span(text));
  }
  std::vector<std::string> history() {
    std::vector<const char*> terms;
    if (delegate) delegate->getSearchHistory(*this, terms);
    return {terms.begin(), terms.end()};
  }
};

// A splash screen that records its delegate and whether it is shown; close() tells the delegate as the real
// one does when its delay ends.
class FakeSplashScreen : public SplashScreen {
public:
  SplashScreenDelegate* delegate = nullptr;
  int displayed = 0;

  void setDelegate(SplashScreenDelegate* d) override { delegate = d; }
  void display() override { ++displayed; }
  void close() override {
    if (delegate) delegate->splashScreenClosed(*this);
  }
};

// A statistics pane that keeps the model it is given and a selection, and records the colours it is given
// ("colours 7 9"), for the application controller's tests.
class FakeStatisticsView : public StatisticsView {
public:
  StatisticsModel* model = nullptr;
  std::vector<PropertyIndex> selection;
  bool focus = false;
  std::vector<std::string> calls;

  void setModel(StatisticsModel* m) override { model = m; }
  void reloadData() override {}
  bool hasFocus() const override { return focus; }
  bool canCopy() const override { return focus && !selection.empty(); }
  void selectAll() override {}
  std::vector<PropertyIndex> selectedItems() const override { return selection; }
  void setColours(Colour foreground, Colour background) override {
    calls.push_back("colours " + std::to_string(foreground.r) + " " + std::to_string(background.r));
  }
};

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
