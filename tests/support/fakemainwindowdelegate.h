// A recording MainWindowDelegate for main-window and controller tests. Every command (every operation that
// is not a query, onSelectAll included) appends one line to calls: its name and arguments separated by
// blanks ("onFileOpenRecent 3"); window is the sender of the last command. Queries record nothing and
// answer from the public fields, which tests set.
#pragma once

#include "documents/recentfiles.h"
#include "views/mainwindowdelegate.h"

#include <memory>
#include <string>
#include <vector>

namespace qmtest {

class FakeMainWindowDelegate : public MainWindowDelegate {
public:
  FakeMainWindowDelegate();
  ~FakeMainWindowDelegate() override;

  mutable std::vector<std::string> calls;
  mutable MainWindow* window = nullptr;

  // Query answers.
  bool selection = false;
  unsigned long openDocuments = 0;
  bool documentReady = false;
  Document* document = nullptr;
  bool canClose = true;
  int copyable = 0;
  bool findNext = false;
  bool pastable = false;
  ColourScheme::Mode colourScheme = ColourScheme::Auto;
  bool highlightLookedUp = true;
  RecentFiles recent;
  // Null: a manager of the user's folder, made on first use.
  WordListManager* lists = nullptr;

  void onActivate(MainWindow& w) override;
  void applicationWillClose(MainWindow& w) override;
  void onOpenFiles(MainWindow& w, std::vector<std::string> const& paths) override;
  void onFileOpenRecent(MainWindow& w, unsigned long index) override;
  void onFileOpenRecentClearList(MainWindow& w) override;
  void onFileClose(MainWindow& w, Document* d) override;
  void onFileImport(MainWindow& w) override;
  void onFileExportToFile(MainWindow& w) override;
  void onFileExportToClipboard(MainWindow& w) override;
  void onFileExportToEmail(MainWindow& w) override;
  void onFileExit(MainWindow& w) override;
  void onHelpHelp(MainWindow& w) override;
  void onHelpSendFeedback(MainWindow& w) override;
  void onHelpAbout(MainWindow& w) override;
  void onFormatFont(MainWindow& w) override;
  void onIncreaseFont(MainWindow& w) override;
  void onResetFont(MainWindow& w) override;
  void onDecreaseFont(MainWindow& w) override;
  void onToggleHighlightLookedUpWords(MainWindow& w) override;
  void onColourSchemeToggled(MainWindow& w) override;
  void onColourSchemeChanged(MainWindow& w, ColourScheme::Mode mode) override;
  void onToolsRunScript(MainWindow& w) override;
  void onSelectAll(MainWindow& w) const override;
  void onCopy(MainWindow& w, bool append) override;
  void onFind(MainWindow& w) override;
  void onFindNext(MainWindow& w) override;
  bool hasSelection(MainWindow&) const override { return selection; }
  void onCenterSelectionInView(MainWindow& w) override;
  void onToggleFullScreen(MainWindow& w) override;
  void onNextTab(MainWindow& w) override;
  void onPrevTab(MainWindow& w) override;
  unsigned long totalOpenDocuments(MainWindow&) const override { return openDocuments; }
  void onPaste(MainWindow& w, bool append) override;
  void onScrollLine(MainWindow& w, int lines) override;
  void onScrollPage(MainWindow& w, int pages) override;
  void onScrollTo(MainWindow& w, unsigned long offset) override;
  void onWordListManage(MainWindow& w) override;
  void onWordListChange(MainWindow& w, const char* baseName) override;
  WordListManager& wordListManager(MainWindow&) const override;
  void onLoadProgress(MainWindow& w) override;
  RecentFiles const& recentFiles(MainWindow&) const override { return recent; }
  bool isCurrentDocumentReady(MainWindow&) const override { return documentReady; }
  Document* currentDocument(MainWindow&) const override { return document; }
  bool canCloseApplication(MainWindow&) const override { return canClose; }
  int canCopy(MainWindow&) const override { return copyable; }
  bool canFindNext(MainWindow&) const override { return findNext; }
  bool canPaste(MainWindow&) const override { return pastable; }
  ColourScheme::Mode currentColourScheme(MainWindow&) const override { return colourScheme; }
  void setCurrentDocument(MainWindow& w, Document* d) override;
  bool highlightLookedUpWords(MainWindow&) const override { return highlightLookedUp; }

private:
  void record(MainWindow& w, std::string call) const;
  mutable std::unique_ptr<WordListManager> m_ownLists;
};

} // namespace qmtest
