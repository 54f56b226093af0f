// The main window's menu commands and menu-state questions, answered by the application controller. Every
// operation names the sending window first. Declared apart from both sides so that the window is built and
// tested before the controller (tests/support/fakemainwindowdelegate.h records the calls and answers the
// queries). Main thread only; the window holds a non-owning pointer, null until the controller sets it.
#pragma once

#include "views/colourscheme.h"

#include <string>
#include <vector>

class Document;
class MainWindow;
class RecentFiles;
class WordListManager;

class MainWindowDelegate {
public:
  virtual ~MainWindowDelegate() = default;
  virtual void onActivate(MainWindow& window) = 0;
  virtual void applicationWillClose(MainWindow& window) = 0;
  // UTF-8 paths.
  virtual void onOpenFiles(MainWindow& window, std::vector<std::string> const& paths) = 0;
  virtual void onFileOpenRecent(MainWindow& window, unsigned long index) = 0;
  virtual void onFileOpenRecentClearList(MainWindow& window) = 0;
  // Null: the current document.
  virtual void onFileClose(MainWindow& window, Document* document) = 0;
  virtual void onFileImport(MainWindow& window) = 0;
  virtual void onFileExportToFile(MainWindow& window) = 0;
  virtual void onFileExportToClipboard(MainWindow& window) = 0;
  virtual void onFileExportToEmail(MainWindow& window) = 0;
  virtual void onFileExit(MainWindow& window) = 0;
  virtual void onHelpHelp(MainWindow& window) = 0;
  virtual void onHelpSendFeedback(MainWindow& window) = 0;
  virtual void onHelpAbout(MainWindow& window) = 0;
  virtual void onFormatFont(MainWindow& window) = 0;
  virtual void onIncreaseFont(MainWindow& window) = 0;
  virtual void onResetFont(MainWindow& window) = 0;
  virtual void onDecreaseFont(MainWindow& window) = 0;
  virtual void onToggleHighlightLookedUpWords(MainWindow& window) = 0;
  virtual void onColourSchemeToggled(MainWindow& window) = 0;
  virtual void onColourSchemeChanged(MainWindow& window, ColourScheme::Mode mode) = 0;
  virtual void onToolsRunScript(MainWindow& window) = 0;
  virtual void onSelectAll(MainWindow& window) const = 0;
  virtual void onCopy(MainWindow& window, bool append) = 0;
  virtual void onFind(MainWindow& window) = 0;
  virtual void onFindNext(MainWindow& window) = 0;
  // A document is current and its selection is not empty.
  virtual bool hasSelection(MainWindow& window) const = 0;
  virtual void onCenterSelectionInView(MainWindow& window) = 0;
  virtual void onToggleFullScreen(MainWindow& window) = 0;
  virtual void onNextTab(MainWindow& window) = 0;
  virtual void onPrevTab(MainWindow& window) = 0;
  virtual unsigned long totalOpenDocuments(MainWindow& window) const = 0;
  virtual void onPaste(MainWindow& window, bool append) = 0;
  // Negative: up.
  virtual void onScrollLine(MainWindow& window, int lines) = 0;
  virtual void onScrollPage(MainWindow& window, int pages) = 0;
  // A byte offset in the current document.
  virtual void onScrollTo(MainWindow& window, unsigned long offset) = 0;
  virtual void onWordListManage(MainWindow& window) = 0;
  virtual void onWordListChange(MainWindow& window, const char* baseName) = 0;
  virtual WordListManager& wordListManager(MainWindow& window) const = 0;
  virtual void onLoadProgress(MainWindow& window) = 0;
  virtual RecentFiles const& recentFiles(MainWindow& window) const = 0;
  // The current document has finished processing.
  virtual bool isCurrentDocumentReady(MainWindow& window) const = 0;
  // Null when none.
  virtual Document* currentDocument(MainWindow& window) const = 0;
  virtual bool canCloseApplication(MainWindow& window) const = 0;
  // Non-zero when some view can copy.
  virtual int canCopy(MainWindow& window) const = 0;
  virtual bool canFindNext(MainWindow& window) const = 0;
  virtual bool canPaste(MainWindow& window) const = 0;
  // The stored mode: Light, Dark or Auto.
  virtual ColourScheme::Mode currentColourScheme(MainWindow& window) const = 0;
  virtual void setCurrentDocument(MainWindow& window, Document* document) = 0;
  virtual bool highlightLookedUpWords(MainWindow& window) const = 0;
};
