// The main window's menu commands and questions that are not about opening documents or exporting: fonts,
// colour schemes, the edit and find commands, the dialogs of the Tools and Help menus, and the search's
// results, which come back to the main thread through the MessageCenter.
#include "control/applicationcontrollerimpl.h"

#include "control/managewordlistscontroller.h"
#include "control/programlink.h"
#include "control/runscriptdialogcontroller.h"
#include "programinfo/programinfo.h"
#include "utils/filefinder.h"
#include "utils/messagecenter.h"
#include "views/mainwindow.h"
#include "views/statisticsview.h"
#include "views/wordlistview.h"

#include <cstring>

namespace {

constexpr double FONT_STEP = 1.0;
constexpr double RESET_FONT_SIZE = 16.0;

} // namespace

void ApplicationController::Impl::onActivate(MainWindow&) {}

void ApplicationController::Impl::applicationWillClose(MainWindow&) {
  guarded("Closing the window", [&] { applicationWillTerminate(); });
}

void ApplicationController::Impl::onFileImport(MainWindow&) {
  guarded("Importing words", [&] { runImport(); });
}

void ApplicationController::Impl::onFileExportToFile(MainWindow&) {
  guarded("Exporting", [&] { exportToDestination(ExportDestination::File); });
}

void ApplicationController::Impl::onFileExportToClipboard(MainWindow&) {
  guarded("Exporting", [&] { exportToDestination(ExportDestination::Clipboard); });
}

void ApplicationController::Impl::onFileExportToEmail(MainWindow&) {
  guarded("Exporting", [&] { exportToDestination(ExportDestination::Email); });
}

void ApplicationController::Impl::onFileExit(MainWindow& window) {
  guarded("Quitting", [&] { window.onExit(); });
}

void ApplicationController::Impl::onHelpHelp(MainWindow&) {
  guarded("Opening the help", [&] {
    const char* help = ProgramInfo::instance().helpFile();
    if (std::strncmp(help, "https://", 8) == 0 || std::strncmp(help, "http://", 7) == 0) {
      ProgramLink::open(help);
      return;
    }
    FileFinder finder;
    finder.add(CommonDirectory::Resources);
    finder.add(CommonDirectory::Base);
    if (const char* path = finder.find(help)) ProgramLink::openFile(path);
  });
}

void ApplicationController::Impl::onHelpSendFeedback(MainWindow&) {
  guarded("Sending feedback", [&] { gui.runFeedbackDialog(ProgramInfo::instance().feedbackLink()); });
}

void ApplicationController::Impl::onHelpAbout(MainWindow&) {}

void ApplicationController::Impl::onFormatFont(MainWindow&) {
  guarded("Choosing the font", [&] {
    Text name = appearance.fontName;
    double size = appearance.fontSize;
    if (!gui.chooseFont(name, size)) return;
    appearance.fontName = name;
    appearance.fontSize = AppearanceConfig::clampFontSize(size);
  });
}

void ApplicationController::Impl::onIncreaseFont(MainWindow&) {
  guarded("Enlarging the font",
          [&] { appearance.fontSize = AppearanceConfig::clampFontSize(appearance.fontSize + FONT_STEP); });
}

void ApplicationController::Impl::onResetFont(MainWindow&) {
  guarded("Resetting the font", [&] { appearance.fontSize = RESET_FONT_SIZE; });
}

void ApplicationController::Impl::onDecreaseFont(MainWindow&) {
  guarded("Reducing the font",
          [&] { appearance.fontSize = AppearanceConfig::clampFontSize(appearance.fontSize - FONT_STEP); });
}

void ApplicationController::Impl::onToggleHighlightLookedUpWords(MainWindow&) {
  guarded("Highlighting looked-up words", [&] {
    appearance.highlightLookedUpWords = !appearance.highlightLookedUpWords;
    segmentEngine.highlightLookedUpWords(appearance.highlightLookedUpWords);
    refreshViews();
  });
}

void ApplicationController::Impl::onColourSchemeToggled(MainWindow&) {
  guarded("Changing the colour scheme", [&] {
    updateColourScheme(appearance.colourSchemeMode == ColourScheme::Light ? ColourScheme::Dark
                                                                          : ColourScheme::Light);
    refreshViews();
  });
}

void ApplicationController::Impl::onColourSchemeChanged(MainWindow&, ColourScheme::Mode mode) {
  guarded("Changing the colour scheme", [&] {
    if (mode != ColourScheme::Light && mode != ColourScheme::Dark && mode != ColourScheme::Auto) return;
    updateColourScheme(mode);
    refreshViews();
  });
}

void ApplicationController::Impl::onToolsRunScript(MainWindow&) {
  guarded("Running a script", [&] {
    RunScriptDialogController controller(RunScriptDialogController::programState(*dictionary, *wordLists,
                                                                                 lookedUpWords, segmentEngine,
                                                                                 documents),
                                         scriptSettings);
    const bool toClipboard = gui.runRunScriptDialog(controller);
    scriptSettings = controller.data();
    scriptSettings.saveToClipboard = toClipboard;
    scriptSettings.save("data/script-config");
  });
}

void ApplicationController::Impl::onSelectAll(MainWindow&) const {
  guarded("Selecting all", [&] {
    if (!documents.currentDocument()) return;
    if (gui.wordListView().hasFocus())
      gui.wordListView().selectAll();
    else if (gui.statisticsView().hasFocus())
      gui.statisticsView().selectAll();
  });
}

void ApplicationController::Impl::onCopy(MainWindow& window, bool append) {
  guarded("Copying", [&] {
    switch (canCopy(window)) {
    case 2:
      wordListView.copy(append);
      break;
    case 3:
      statisticsModel.copy(gui.statisticsView().selectedItems(), append);
      break;
    default:
      break;
    }
  });
}

int ApplicationController::Impl::canCopy(MainWindow&) const {
  return guarded("Asking what can be copied", 0, [&] {
    if (wordListView.canCopy()) return 2;
    if (gui.statisticsView().canCopy()) return 3;
    return 0;
  });
}

void ApplicationController::Impl::onFind(MainWindow&) {}

void ApplicationController::Impl::onFindNext(MainWindow&) {
  guarded("Finding the next match", [&] { search->next(); });
}

bool ApplicationController::Impl::hasSelection(MainWindow&) const {
  return false;
}

void ApplicationController::Impl::onCenterSelectionInView(MainWindow&) {}

void ApplicationController::Impl::onToggleFullScreen(MainWindow& window) {
  guarded("Full screen", [&] { window.setFullScreen(!window.isFullScreen()); });
}

void ApplicationController::Impl::onScrollLine(MainWindow&, int) {}

void ApplicationController::Impl::onScrollPage(MainWindow&, int) {}

void ApplicationController::Impl::onScrollTo(MainWindow&, unsigned long) {}

void ApplicationController::Impl::onWordListManage(MainWindow&) {
  manageWordLists();
}

void ApplicationController::Impl::onWordListChange(MainWindow&, const char* baseName) {
  guarded("Changing the word list", [&] {
    wordLists->setCurrent(baseName);
    refreshViews();
  });
}

WordListManager& ApplicationController::Impl::wordListManager(MainWindow&) const {
  return *wordLists;
}

bool ApplicationController::Impl::canFindNext(MainWindow&) const {
  return !lastSearchTerm.empty();
}

ColourScheme::Mode ApplicationController::Impl::currentColourScheme(MainWindow&) const {
  return ColourScheme::Mode(appearance.colourSchemeMode);
}

bool ApplicationController::Impl::highlightLookedUpWords(MainWindow&) const {
  return appearance.highlightLookedUpWords;
}

void ApplicationController::Impl::find(Span const& term) {
  lastSearchTerm = term;
  gui.setLastSearch(lastSearchTerm.c_str());
  search->find(term);
  gui.mainWindow().onFind();
}

void ApplicationController::Impl::found(Search::Result const&) {}

void ApplicationController::Impl::notFound() {}
