// ApplicationController's state and the interfaces through which the views, the dialogs and the engine reach
// it. Internal to the control library; its operations are spread over applicationcontroller*.cpp by command
// group. Main thread only.
#pragma once

#include "control/applicationcontroller.h"
#include "dictionary/cedictionary.h"
#include "documents/document.h"
#include "documents/documentmanager.h"
#include "documents/search.h"
#include "documents/searchhistory.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "utils/log.h"
#include "utils/propertyfile.h"
#include "utils/saveguard.h"
#include "views/appearanceconfig.h"
#include "views/applicationdelegate.h"
#include "views/clipboardpaster.h"
#include "views/colourscheme.h"
#include "views/definitionconfig.h"
#include "views/exportdialogdata.h"
#include "views/exportdialogdelegate.h"
#include "views/finddialogdelegate.h"
#include "views/generalconfig.h"
#include "views/gui.h"
#include "views/mainwindowdelegate.h"
#include "views/onlinesearchoptions.h"
#include "views/positionconfig.h"
#include "views/runscriptdialogdata.h"
#include "views/statisticsmodel.h"
#include "views/tabheaderdelegate.h"
#include "views/tabitem.h"
#include "views/textviewcontroller.h"
#include "views/wordlistviewcontroller.h"
#include "wordlists/wordlistmanager.h"

#include <map>
#include <memory>
#include <string>
#include <utility>

class MemoryOutputStream;

struct ApplicationController::Impl : ApplicationDelegate,
                                     ClipboardPaster::Listener,
                                     DocumentManager::Delegate,
                                     ExportDialogDelegate,
                                     FindDialogDelegate,
                                     MainWindowDelegate,
                                     Search::Listener,
                                     TabHeaderDelegate {
  explicit Impl(ApplicationController& owner, GUI& gui);
  ~Impl() override;

  // Runs a command's body; our and the standard library's errors are logged under "ERR" and go no further.
  template <class F> void guarded(const char* command, F&& body) const noexcept {
    try {
      body();
    } catch (zun::exception const& e) {
      Log::print("ERR", "%s\n", command);
      ZUN_LOG_CAUGHT("ERR", "\t", e);
    } catch (std::exception const& e) {
      Log::print("ERR", "%s: %s\n", command, e.what());
    }
  }
  template <class R, class F> R guarded(const char* command, R fallback, F&& body) const noexcept {
    try {
      return body();
    } catch (zun::exception const& e) {
      Log::print("ERR", "%s\n", command);
      ZUN_LOG_CAUGHT("ERR", "\t", e);
    } catch (std::exception const& e) {
      Log::print("ERR", "%s: %s\n", command, e.what());
    }
    return fallback;
  }

  // Start-up and views (applicationcontroller.cpp).
  void init(const char* dictionaryPath);
  void splashScreenClosed();
  void checkInitialRun();
  void applicationWillTerminate();
  void updateColourScheme(ColourScheme::Mode mode);
  void refreshViews();
  void updateStatusBar() {} // the status bar shows nothing on this platform
  void detachViews();

  // Settings files (applicationcontrollersettings.cpp).
  void loadConfig();
  void saveConfig();
  void loadColourScheme();
  bool saveColourScheme();
  void upgradeToUseColourSchemes();
  void loadOnlineSearchOptions();
  void saveOnlineSearchOptions();
  void loadSearchHistory();
  void saveSearchHistory();
  void createDictionary(const char* dictionaryPath);
  bool saveWordLists();
  void saveAll();

  // Word commands (applicationcontrollerwords.cpp).
  bool changeReadOnlyList(const char* question) const;
  void recentLookUpWarning() const;
  void markWordAsKnown(Span const& word);
  void markWordAsUnknown(Span const& word);
  void markAllAsKnown(std::vector<WordStatistics*> const& words);
  void markAllAsUnknown(std::vector<WordStatistics*> const& words);
  void markWordAsLookedUp(Span const& word);
  void showDefinitionAt(Span const& word, double x, double y);
  // The text view's selection to the clipboard, replacing it or as one more item.
  void copySelection(bool append);
  // selectedBytes: the whole selection's length; text: its first bytes, cut at a character boundary.
  void addCustomWord(Span const& text, uint64_t selectedBytes);
  // The text view's selection, start <= end; empty without a current document.
  DocumentState selection() const;
  void importWordList(std::vector<Span> const& words);
  void runImport();

  // Documents, tabs and paste (applicationcontrollerdocuments.cpp).
  Document* openDocument(const char* path, bool temporary, bool makeCurrent);
  void showOpenError(const char* path) const;
  void openFiles(std::vector<std::string> const& paths);
  bool openFile(const char* path);
  void showDocument(Document* document);
  void pasteFromClipboard();
  // No paste running and text on the clipboard.
  bool pasteAvailable() const;

  // Export (applicationcontrollerexport.cpp).
  void exportToDestination(ExportDestination::Type type);
  bool exportDocument(const char* documentFile, OutputStream& out, DocumentStatistics const& statistics,
                      ExportDialogData const& data);
  void exportToFile(ExportDialogData const& data, const char* path);
  void checkToOpenFile(const char* path);
  bool exportToOutputStream(MemoryOutputStream& out, ExportDialogData const& data, const char* where);
  void exportToClipboard(ExportDialogData const& data);
  void exportToEmail(ExportDialogData const& data);
  bool isOpenDocumentFile(const char* path) const;

  // ApplicationDelegate (applicationcontrollerwords.cpp).
  void markAsKnown(Span const& word) override;
  void markAsUnknown(Span const& word) override;
  void toggleKnown(Span const& word) override;
  void markAsKnown(std::vector<WordStatistics*> const& words) override;
  void markAsUnknown(std::vector<WordStatistics*> const& words) override;
  void showDefinition(Span const& word) override;
  void showDefinition(Span const& word, double x, double y) override;
  void onlineLookup(Span const& word, unsigned long option) override;
  void copyToClipboard(std::vector<WordStatistics*> const& words, bool append) override;
  void findWord(Span const& term) override;
  void findFromOffset(unsigned long offset, Span const& term) override;
  void copySelectedText() override;
  void paste(bool append) override;
  void addCustomWordFromSelection() override;
  void manageWordLists() override;
  void wordListChanged() override;

  // ClipboardPaster::Listener (applicationcontrollerdocuments.cpp).
  void onPasteComplete(ClipboardPaster::Status status, ClipboardPaster::Info const& info) override;

  // DocumentManager::Delegate (applicationcontrollerdocuments.cpp).
  void currentDocumentState(DocumentState& state) const override;
  void currentDocumentChanged(Document* document) override;
  bool okToCloseDocument(Document& document) override;
  bool rememberFilePosition(DocumentManager& manager) const override;
  void documentAdded(Document const& document) override;
  void documentRemoved(Document const& document) override;
  void fileConversionFailed(FileConverter::Status status) override;

  // FindDialogDelegate (applicationcontrollerwindow.cpp).
  void getSearchHistory(FindDialog& dialog, std::vector<const char*>& terms) const override;
  void addSearchTerm(FindDialog& dialog, Span const& term) override;
  void find(FindDialog& dialog, Span const& term) override;

  // ExportDialogDelegate (applicationcontrollerexport.cpp).
  void onExport(ExportDialogData const& data, ExportDestination::Type type, const char* path) override;

  // MainWindowDelegate (applicationcontrollerwindow.cpp; opening, closing and pasting in
  // applicationcontrollerdocuments.cpp).
  void onActivate(MainWindow& window) override;
  void applicationWillClose(MainWindow& window) override;
  void onOpenFiles(MainWindow& window, std::vector<std::string> const& paths) override;
  void onFileOpenRecent(MainWindow& window, unsigned long index) override;
  void onFileOpenRecentClearList(MainWindow& window) override;
  void onFileClose(MainWindow& window, Document* document) override;
  void onFileImport(MainWindow& window) override;
  void onFileExportToFile(MainWindow& window) override;
  void onFileExportToClipboard(MainWindow& window) override;
  void onFileExportToEmail(MainWindow& window) override;
  void onFileExit(MainWindow& window) override;
  void onHelpHelp(MainWindow& window) override;
  void onHelpSendFeedback(MainWindow& window) override;
  void onHelpAbout(MainWindow& window) override;
  void onFormatFont(MainWindow& window) override;
  void onIncreaseFont(MainWindow& window) override;
  void onResetFont(MainWindow& window) override;
  void onDecreaseFont(MainWindow& window) override;
  void onToggleHighlightLookedUpWords(MainWindow& window) override;
  void onColourSchemeToggled(MainWindow& window) override;
  void onColourSchemeChanged(MainWindow& window, ColourScheme::Mode mode) override;
  void onToolsRunScript(MainWindow& window) override;
  void onSelectAll(MainWindow& window) const override;
  void onCopy(MainWindow& window, bool append) override;
  void onFind(MainWindow& window) override;
  void onFindNext(MainWindow& window) override;
  bool hasSelection(MainWindow& window) const override;
  void onCenterSelectionInView(MainWindow& window) override;
  void onToggleFullScreen(MainWindow& window) override;
  void onNextTab(MainWindow& window) override;
  void onPrevTab(MainWindow& window) override;
  unsigned long totalOpenDocuments(MainWindow& window) const override;
  void onPaste(MainWindow& window, bool append) override;
  void onScrollLine(MainWindow& window, int lines) override;
  void onScrollPage(MainWindow& window, int pages) override;
  void onScrollTo(MainWindow& window, unsigned long offset) override;
  void onWordListManage(MainWindow& window) override;
  void onWordListChange(MainWindow& window, const char* baseName) override;
  WordListManager& wordListManager(MainWindow& window) const override;
  void onLoadProgress(MainWindow& window) override;
  RecentFiles const& recentFiles(MainWindow& window) const override;
  bool isCurrentDocumentReady(MainWindow& window) const override;
  Document* currentDocument(MainWindow& window) const override;
  bool canCloseApplication(MainWindow& window) const override;
  int canCopy(MainWindow& window) const override;
  bool canFindNext(MainWindow& window) const override;
  bool canPaste(MainWindow& window) const override;
  ColourScheme::Mode currentColourScheme(MainWindow& window) const override;
  void setCurrentDocument(MainWindow& window, Document* document) override;
  bool highlightLookedUpWords(MainWindow& window) const override;

  // Search::Listener (applicationcontrollerwindow.cpp).
  void find(Span const& term);
  void found(Search::Result const& result) override;
  void notFound() override;
  // Queues call for the main thread; it runs only while this controller lives, its errors dropped.
  template <class F> void later(F call);

  // TabHeaderDelegate (applicationcontrollerdocuments.cpp).
  void tabChanged(TabHeader const& header, TabItem const& item) override;
  void tabClose(TabHeader const& header, TabItem const& item) override;

  // Members, in construction order.
  ApplicationController& owner;
  GUI& gui;
  SearchHistory searchHistory;
  SegmentEngine segmentEngine{SegmentEngine::ChineseAndAlpha}; // its type comes from the settings in init
  std::unique_ptr<WordListManager> wordLists;                  // built with retries: another copy may hold it
  WordListViewController wordListView;
  TextViewController textView;
  DocumentManager documents;
  std::unique_ptr<Search> search;
  StatisticsModel statisticsModel;
  WordHash lookedUpWords{16}; // looked up in this run; never saved
  DefinitionConfig definitionConfig;
  Text lastSearchTerm;
  std::unique_ptr<CEDictionary> dictionary;
  PropertyFile config; // the whole of "data/config", unknown groups and keys included
  RunScriptDialogData scriptSettings;
  ExportDialogData exportSettings;
  GeneralConfig general;
  PositionConfig position;
  AppearanceConfig appearance;
  ColourScheme colourScheme;
  OnlineSearchOptions onlineSearchOptions;
  uint32_t pasteCounter = 1;
  bool pasteInProgress = false;

  // What start-up reached, so that destruction saves only what was loaded.
  bool initialised = false;
  // The user's files that a save writes back: one that could not be read at start-up is kept as it is.
  SaveGuard configFile, colourSchemeFile, searchHistoryFile;
  bool saved = false; // saveAll ran: it runs once
  // The document the views show (null: none), and the open documents' tabs.
  Document* shown = nullptr;
  std::map<Document const*, std::unique_ptr<TabItem>> tabs;
  // Dropped at destruction, so that search results and paste completions queued for this controller find it
  // gone.
  std::shared_ptr<Impl*> alive;
};
