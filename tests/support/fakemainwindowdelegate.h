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

// A command without arguments, recorded by its name.
#define QM_RECORDED(name, ...)                                                                               \
  void name(MainWindow& w) __VA_ARGS__ override {                                                            \
    record(w, #name);                                                                                        \
  }

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

  QM_RECORDED(onActivate)
  QM_RECORDED(applicationWillClose)
  QM_RECORDED(onFileOpenRecentClearList)
  QM_RECORDED(onFileImport)
  QM_RECORDED(onFileExportToFile)
  QM_RECORDED(onFileExportToClipboard)
  QM_RECORDED(onFileExportToEmail)
  QM_RECORDED(onFileExit)
  QM_RECORDED(onHelpHelp)
  QM_RECORDED(onHelpSendFeedback)
  QM_RECORDED(onHelpAbout)
  QM_RECORDED(onFormatFont)
  QM_RECORDED(onIncreaseFont)
  QM_RECORDED(onResetFont)
  QM_RECORDED(onDecreaseFont)
  QM_RECORDED(onToggleHighlightLookedUpWords)
  QM_RECORDED(onColourSchemeToggled)
  QM_RECORDED(onToolsRunScript)
  QM_RECORDED(onSelectAll, const)
  QM_RECORDED(onFind)
  QM_RECORDED(onFindNext)
  QM_RECORDED(onCenterSelectionInView)
  QM_RECORDED(onToggleFullScreen)
  QM_RECORDED(onNextTab)
  QM_RECORDED(onPrevTab)
  QM_RECORDED(onWordListManage)
  QM_RECORDED(onLoadProgress)
  void onOpenFiles(MainWindow& w, std::vector<std::string> const& paths) override;
  void onFileOpenRecent(MainWindow& w, unsigned long index) override {
    record(w, "onFileOpenRecent " + std::to_string(index));
  }
  void onFileClose(MainWindow& w, Document* d) override { record(w, "onFileClose " + pointer(d)); }
  void onColourSchemeChanged(MainWindow& w, ColourScheme::Mode mode) override {
    record(w, "onColourSchemeChanged " + std::to_string(int(mode)));
  }
  void onCopy(MainWindow& w, bool append) override { record(w, append ? "onCopy append" : "onCopy replace"); }
  void onPaste(MainWindow& w, bool append) override {
    record(w, append ? "onPaste append" : "onPaste replace");
  }
  void onScrollLine(MainWindow& w, int lines) override { record(w, "onScrollLine " + std::to_string(lines)); }
  void onScrollPage(MainWindow& w, int pages) override { record(w, "onScrollPage " + std::to_string(pages)); }
  void onScrollTo(MainWindow& w, unsigned long offset) override {
    record(w, "onScrollTo " + std::to_string(offset));
  }
  void onWordListChange(MainWindow& w, const char* baseName) override {
    record(w, std::string("onWordListChange ") + (baseName ? baseName : "(null)"));
  }
  void setCurrentDocument(MainWindow& w, Document* d) override {
    record(w, "setCurrentDocument " + pointer(d));
  }

  bool hasSelection(MainWindow&) const override { return selection; }
  unsigned long totalOpenDocuments(MainWindow&) const override { return openDocuments; }
  WordListManager& wordListManager(MainWindow&) const override;
  RecentFiles const& recentFiles(MainWindow&) const override { return recent; }
  bool isCurrentDocumentReady(MainWindow&) const override { return documentReady; }
  Document* currentDocument(MainWindow&) const override { return document; }
  bool canCloseApplication(MainWindow&) const override { return canClose; }
  int canCopy(MainWindow&) const override { return copyable; }
  bool canFindNext(MainWindow&) const override { return findNext; }
  bool canPaste(MainWindow&) const override { return pastable; }
  ColourScheme::Mode currentColourScheme(MainWindow&) const override { return colourScheme; }
  bool highlightLookedUpWords(MainWindow&) const override { return highlightLookedUp; }

private:
  void record(MainWindow& w, std::string call) const {
    window = &w;
    calls.push_back(std::move(call));
  }
  static std::string pointer(const void* p);
  mutable std::unique_ptr<WordListManager> m_ownLists;
};

#undef QM_RECORDED

} // namespace qmtest
