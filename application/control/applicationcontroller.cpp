// The controller's structure: what it owns and in which order it is built, started and taken down. The
// commands live beside it in applicationcontroller{settings,words,documents,window,export}.cpp.
#include "control/applicationcontroller.h"

#include "control/applicationcontrollerimpl.h"
#include "text/oldwordlistmanager.h"
#include "utils/platform/posix/filelock.h"
#include "views/fontdescription.h"
#include "views/mainwindow.h"
#include "views/statisticsview.h"
#include "views/styleid.h"
#include "views/tabheader.h"
#include "views/wordlistview.h"

#include <thread>

namespace {

// The word lists, waiting a while for another running copy that holds the current list's lock.
std::unique_ptr<WordListManager> makeWordLists() {
  const auto deadline = std::chrono::steady_clock::now() + ApplicationController::LIST_LOCK_WAIT;
  for (bool told = false;; told = true) {
    try {
      return std::make_unique<WordListManager>(nullptr);
    } catch (FileLock::already_exists const&) {
      if (std::chrono::steady_clock::now() >= deadline) throw;
      if (!told) Log::print("WARN", "The word lists are in use by another running copy; waiting\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
}

} // namespace

ApplicationController::Impl::Impl(ApplicationController& owner, GUI& gui)
    : owner(owner), gui(gui), wordLists(makeWordLists()),
      wordListView(gui.wordListView(), gui.wordListTabs(), *wordLists),
      textView(gui.textView(), *wordLists, segmentEngine), alive(std::make_shared<Impl*>(this)) {}

ApplicationController::Impl::~Impl() {
  *alive = nullptr;
  guarded("Saving the user's state", [&] { saveAll(); });
  detachViews();
  segmentEngine.setLookedUpWords(nullptr); // the looked-up words go before the engine
  documents.setDelegate(nullptr);
  for (auto const& [document, item] : tabs)
    gui.openFileTabs().removeItem(item.get());
  gui.openFileTabs().setDelegate(nullptr);
  gui.mainWindow().setDelegate(nullptr);
}

// The views keep pointers into the documents' statistics: they let go before the documents are destroyed.
void ApplicationController::Impl::detachViews() {
  textView.setDocument(nullptr, nullptr, nullptr);
  wordListView.setDocumentStatistics(nullptr);
  statisticsModel.setStatistics(nullptr, nullptr);
  gui.statisticsView().setModel(nullptr);
  shown = nullptr;
}

void ApplicationController::Impl::init(const char* dictionaryPath) {
  gui.openFileTabs().setDelegate(this);
  search = std::make_unique<Search>(searchHistory, *this, 0);
  gui.mainWindow().setDelegate(this);
  textView.setDelegate(this);
  wordListView.setDelegate(this);
  documents.setDelegate(this);

  loadConfig();
  loadColourScheme();
  const auto system = gui.isDarkMode() ? ColourScheme::Dark : ColourScheme::Light;
  if (appearance.needsDarkModeUpdate() && appearance.colourSchemeMode == system)
    appearance.colourSchemeMode = ColourScheme::Auto;
  loadOnlineSearchOptions();
  createDictionary(dictionaryPath);

  segmentEngine.type(general.chineseOnly);
  segmentEngine.setLookedUpWords(&lookedUpWords);
  // Nothing can be segmented without the shipped list; better to stop here than to show every text unknown.
  if (OldWordListManager::instance().privateMasterList().totalWords() == 0) {
    Log::print("ERR", "The master word list 'data/words.u8' could not be read\n");
    ZUN_THROW(ApplicationController::missing_word_list);
  }
  textView.setLineSpacing(appearance.lineSpacing);
  textView.setFont(FontDescription{appearance.fontName, appearance.fontSize});
  textView.setOnlineSearchOptions(&onlineSearchOptions.options());
  wordListView.setOnlineSearchOptions(&onlineSearchOptions.options());
  wordListView.setFontSize(appearance.wordListFontSize);

  searchHistory.setMaxSearchTerms(general.maxSearchHistory);
  loadSearchHistory();
  documents.loadRecentFiles();

  updateColourScheme(ColourScheme::Mode(appearance.colourSchemeMode));
  segmentEngine.highlightLookedUpWords(appearance.highlightLookedUpWords);
  initialised = true;
}

void ApplicationController::Impl::splashScreenClosed() {
  updateStatusBar();
  gui.restoreState(position);
  gui.mainWindow().show();
  checkInitialRun();
}

void ApplicationController::Impl::checkInitialRun() {
  if (!general.showWelcome) return;
  gui.runWelcomeDialog([this](std::vector<Span> const& words) {
    guarded("Importing from the welcome dialog", [&] { importWordList(words); });
  });
  general.showWelcome = false;
  saveConfig();
}

void ApplicationController::Impl::applicationWillTerminate() {
  gui.saveState(position);
  documents.cancelDocumentProcessing();
}

void ApplicationController::Impl::updateColourScheme(ColourScheme::Mode mode) {
  appearance.colourSchemeMode = mode;
  const auto system = gui.isDarkMode() ? ColourScheme::Dark : ColourScheme::Light;
  ColourScheme::Colours const& colours = colourScheme.colours(mode == ColourScheme::Auto ? system : mode);
  textView.setColourScheme(colours);
  const Colour foreground = colours.foreground(StyleId::Normal);
  const Colour background = colours.background(StyleId::Normal);
  wordListView.setColours({foreground, background});
  gui.statisticsView().setColours(foreground, background);
}

void ApplicationController::Impl::refreshViews() {
  updateStatusBar();
  textView.refresh();
  wordListView.refresh();
  gui.statisticsView().reloadData();
}

ApplicationController::ApplicationController(GUI& gui) : impl(std::make_unique<Impl>(*this, gui)) {}

ApplicationController::~ApplicationController() = default;

void ApplicationController::init(const char* dictionaryPath) {
  impl->init(dictionaryPath);
}
void ApplicationController::splashScreenClosed() {
  impl->guarded("Showing the main window", [&] { impl->splashScreenClosed(); });
}
void ApplicationController::checkInitialRun() {
  impl->guarded("The welcome dialog", [&] { impl->checkInitialRun(); });
}
void ApplicationController::applicationWillTerminate() {
  impl->guarded("Terminating", [&] { impl->applicationWillTerminate(); });
}
void ApplicationController::save() {
  impl->guarded("Saving the user's state", [&] { impl->saveAll(); });
}
bool ApplicationController::openFile(const char* path) {
  return impl->openFile(path);
}
void ApplicationController::systemColourSchemeChanged(ColourScheme::Mode) {
  impl->guarded("Following the desktop's appearance", [&] {
    if (impl->appearance.colourSchemeMode != ColourScheme::Auto) return;
    impl->updateColourScheme(ColourScheme::Auto);
    impl->refreshViews();
  });
}
void ApplicationController::importWordList(std::vector<Span> const& words) {
  impl->guarded("Importing words", [&] { impl->importWordList(words); });
}
void ApplicationController::markWordAsKnown(Span const& word) {
  impl->markAsKnown(word);
}
void ApplicationController::markWordAsUnknown(Span const& word) {
  impl->markAsUnknown(word);
}
void ApplicationController::markAllAsKnown(std::vector<WordStatistics*> const& words) {
  impl->markAsKnown(words);
}
void ApplicationController::markAllAsUnknown(std::vector<WordStatistics*> const& words) {
  impl->markAsUnknown(words);
}
void ApplicationController::markWordAsLookedUp(Span const& word) {
  impl->guarded("Marking a word looked up", [&] { impl->markWordAsLookedUp(word); });
}
void ApplicationController::showDefinition(Span const& word) {
  impl->showDefinition(word);
}
void ApplicationController::showDefinition(Span const& word, double x, double y) {
  impl->showDefinition(word, x, y);
}
bool ApplicationController::exportDocument(const char* documentFile, OutputStream& out,
                                           DocumentStatistics const& statistics,
                                           ExportDialogData const& data) {
  return impl->exportDocument(documentFile, out, statistics, data);
}
ApplicationDelegate& ApplicationController::applicationDelegate() {
  return *impl;
}
WordHash const& ApplicationController::lookedUpWords() const {
  return impl->lookedUpWords;
}
