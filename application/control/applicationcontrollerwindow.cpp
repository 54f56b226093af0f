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
#include "views/fontdescription.h"
#include "views/mainwindow.h"
#include "views/messagebox.h"
#include "views/statisticsview.h"
#include "views/textview.h"
#include "views/wordlistview.h"

namespace {

constexpr uint64_t FIND_FIELD_BYTES = 1023;

} // namespace

void ApplicationController::Impl::onActivate(MainWindow&) {
  guarded("Activating the window", [&] { textView.setFocus(); });
}

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

// The help is a page of the resources for the desktop's browser. A reader whose desktop cannot open it is
// told where it is, to open it by hand.
void ApplicationController::Impl::onHelpHelp(MainWindow&) {
  guarded("Opening the help", [&] {
    const char* help = ProgramInfo::instance().helpFile();
    FileFinder finder;
    finder.add(CommonDirectory::Resources);
    finder.add(CommonDirectory::Base);
    const char* path = finder.find(help);
    if (path && ProgramLink::openFile(path)) return;
    Log::print("WARN", "Unable to open the help file '%s'\n", path ? path : help);
    if (path) return ProgramLink::tellNotOpened("Unable to open help", "the help file", path);
    MessageBox box(2, MessageBox::Ok);
    box.setMessage("Unable to open help");
    box.setInformation("The help file '%s' is missing.", help);
    box.show();
  });
}

void ApplicationController::Impl::onHelpSendFeedback(MainWindow&) {
  guarded("Sending feedback", [&] { gui.runFeedbackDialog(ProgramInfo::instance().feedbackLink()); });
}

// This desktop has no About panel of its own to show the program's name and version.
void ApplicationController::Impl::onHelpAbout(MainWindow&) {
  guarded("Showing About", [] {
    ProgramInfoInstance const& info = ProgramInfo::instance();
    MessageBox box(0, MessageBox::Ok);
    box.setMessage("%s", info.displayName());
    box.setInformation("Version %s", info.displayVersion());
    box.show();
  });
}

// The text view keeps every size within the one reading-font range; the settings take what it set.
void ApplicationController::Impl::onFormatFont(MainWindow&) {
  guarded("Choosing the font", [&] {
    FontDescription font{appearance.fontName, appearance.fontSize};
    if (!gui.chooseFont(font.name, font.size)) return;
    gui.textView().formatFont(font);
    appearance.fontName = font.name;
    appearance.fontSize = font.size;
  });
}

void ApplicationController::Impl::onIncreaseFont(MainWindow&) {
  guarded("Enlarging the font", [&] {
    gui.textView().increaseFont();
    appearance.fontSize = gui.textView().fontSize();
  });
}

void ApplicationController::Impl::onResetFont(MainWindow&) {
  guarded("Resetting the font", [&] {
    gui.textView().resetFont();
    appearance.fontSize = gui.textView().fontSize();
  });
}

void ApplicationController::Impl::onDecreaseFont(MainWindow&) {
  guarded("Reducing the font", [&] {
    gui.textView().decreaseFont();
    appearance.fontSize = gui.textView().fontSize();
  });
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
    else // a command that changes the selection, declared const by the window's interface
      const_cast<TextViewController&>(textView).selectAll();
  });
}

void ApplicationController::Impl::onCopy(MainWindow& window, bool append) {
  guarded("Copying", [&] {
    switch (canCopy(window)) {
    case 1:
      copySelection(append);
      break;
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
    const DocumentState selected = selection();
    return selected.selectionEnd > selected.selectionStart ? 1 : 0;
  });
}

// The bar starts with the selection (cut to the field's 1,023 bytes), else the last term.
void ApplicationController::Impl::onFind(MainWindow&) {
  guarded("Showing the find bar", [&] {
    if (!documents.currentDocument()) return;
    const Text selected = textView.selectedText(FIND_FIELD_BYTES);
    gui.showFindDialog(selected.empty() ? lastSearchTerm.c_str() : selected.c_str(), *this);
  });
}

void ApplicationController::Impl::onFindNext(MainWindow&) {
  guarded("Finding the next match", [&] { search->next(); });
}

bool ApplicationController::Impl::hasSelection(MainWindow&) const {
  return guarded("Asking for the selection", false, [&] {
    const DocumentState selected = selection();
    return selected.selectionEnd > selected.selectionStart;
  });
}

void ApplicationController::Impl::onCenterSelectionInView(MainWindow&) {
  guarded("Centring the selection", [&] {
    if (documents.currentDocument()) textView.centerSelection();
  });
}

void ApplicationController::Impl::onToggleFullScreen(MainWindow& window) {
  guarded("Full screen", [&] { window.setFullScreen(!window.isFullScreen()); });
}

void ApplicationController::Impl::onScrollLine(MainWindow&, int lines) {
  guarded("Scrolling", [&] {
    if (documents.currentDocument()) textView.scrollLines(lines);
  });
}

void ApplicationController::Impl::onScrollPage(MainWindow&, int pages) {
  guarded("Scrolling", [&] {
    if (documents.currentDocument()) textView.scrollPages(pages);
  });
}

void ApplicationController::Impl::onScrollTo(MainWindow&, unsigned long offset) {
  guarded("Scrolling", [&] {
    if (documents.currentDocument()) textView.scrollTo(offset);
  });
}

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
  textView.preFind(term);
  search->find(term);
  gui.mainWindow().onFind();
}

template <class F> void ApplicationController::Impl::later(F call) {
  struct Queued {
    std::weak_ptr<Impl*> target;
    F call;
  };
  MessageCenter::instance().addMessage(new Queued{alive, std::move(call)}, [](void* data) {
    const std::unique_ptr<Queued> queued(static_cast<Queued*>(data));
    const auto target = queued->target.lock();
    if (!target || !*target) return;
    try {
      queued->call(**target);
    } catch (std::exception const&) {
      // A result that can no longer be shown (its document has gone) is dropped.
    }
  });
}

void ApplicationController::Impl::found(Search::Result const& result) {
  later([result](Impl& self) { self.textView.showFound(result.offset); });
}

void ApplicationController::Impl::notFound() {
  later([](Impl& self) { self.textView.showNotFound(); });
}

void ApplicationController::Impl::getSearchHistory(FindDialog&, std::vector<const char*>& terms) const {
  searchHistory.getTerms(terms);
}

void ApplicationController::Impl::addSearchTerm(FindDialog&, Span const& term) {
  guarded("Keeping a search term", [&] { searchHistory.addTerm(term); });
}

void ApplicationController::Impl::find(FindDialog&, Span const& term) {
  guarded("Finding", [&] { find(term); });
}
