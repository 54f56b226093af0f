#include "support/fakemainwindowdelegate.h"

#include "wordlists/wordlistmanager.h"

#include <cstdio>

namespace qmtest {

namespace {

std::string pointer(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return p ? text : "(null)";
}

} // namespace

FakeMainWindowDelegate::FakeMainWindowDelegate() = default;
FakeMainWindowDelegate::~FakeMainWindowDelegate() = default;

void FakeMainWindowDelegate::record(MainWindow& w, std::string call) const {
  window = &w;
  calls.push_back(std::move(call));
}

WordListManager& FakeMainWindowDelegate::wordListManager(MainWindow&) const {
  if (lists) return *lists;
  if (!m_ownLists) m_ownLists = std::make_unique<WordListManager>(nullptr);
  return *m_ownLists;
}

void FakeMainWindowDelegate::onActivate(MainWindow& w) {
  record(w, "onActivate");
}
void FakeMainWindowDelegate::applicationWillClose(MainWindow& w) {
  record(w, "applicationWillClose");
}
void FakeMainWindowDelegate::onOpenFiles(MainWindow& w, std::vector<std::string> const& paths) {
  std::string call = "onOpenFiles";
  for (std::string const& p : paths)
    call += " " + p;
  record(w, call);
}
void FakeMainWindowDelegate::onFileOpenRecent(MainWindow& w, unsigned long index) {
  record(w, "onFileOpenRecent " + std::to_string(index));
}
void FakeMainWindowDelegate::onFileOpenRecentClearList(MainWindow& w) {
  record(w, "onFileOpenRecentClearList");
}
void FakeMainWindowDelegate::onFileClose(MainWindow& w, Document* d) {
  record(w, "onFileClose " + pointer(d));
}
void FakeMainWindowDelegate::onFileImport(MainWindow& w) {
  record(w, "onFileImport");
}
void FakeMainWindowDelegate::onFileExportToFile(MainWindow& w) {
  record(w, "onFileExportToFile");
}
void FakeMainWindowDelegate::onFileExportToClipboard(MainWindow& w) {
  record(w, "onFileExportToClipboard");
}
void FakeMainWindowDelegate::onFileExportToEmail(MainWindow& w) {
  record(w, "onFileExportToEmail");
}
void FakeMainWindowDelegate::onFileExit(MainWindow& w) {
  record(w, "onFileExit");
}
void FakeMainWindowDelegate::onHelpHelp(MainWindow& w) {
  record(w, "onHelpHelp");
}
void FakeMainWindowDelegate::onHelpSendFeedback(MainWindow& w) {
  record(w, "onHelpSendFeedback");
}
void FakeMainWindowDelegate::onHelpAbout(MainWindow& w) {
  record(w, "onHelpAbout");
}
void FakeMainWindowDelegate::onFormatFont(MainWindow& w) {
  record(w, "onFormatFont");
}
void FakeMainWindowDelegate::onIncreaseFont(MainWindow& w) {
  record(w, "onIncreaseFont");
}
void FakeMainWindowDelegate::onResetFont(MainWindow& w) {
  record(w, "onResetFont");
}
void FakeMainWindowDelegate::onDecreaseFont(MainWindow& w) {
  record(w, "onDecreaseFont");
}
void FakeMainWindowDelegate::onToggleHighlightLookedUpWords(MainWindow& w) {
  record(w, "onToggleHighlightLookedUpWords");
}
void FakeMainWindowDelegate::onColourSchemeToggled(MainWindow& w) {
  record(w, "onColourSchemeToggled");
}
void FakeMainWindowDelegate::onColourSchemeChanged(MainWindow& w, ColourScheme::Mode mode) {
  record(w, "onColourSchemeChanged " + std::to_string(int(mode)));
}
void FakeMainWindowDelegate::onToolsRunScript(MainWindow& w) {
  record(w, "onToolsRunScript");
}
void FakeMainWindowDelegate::onSelectAll(MainWindow& w) const {
  record(w, "onSelectAll");
}
void FakeMainWindowDelegate::onCopy(MainWindow& w, bool append) {
  record(w, append ? "onCopy append" : "onCopy replace");
}
void FakeMainWindowDelegate::onFind(MainWindow& w) {
  record(w, "onFind");
}
void FakeMainWindowDelegate::onFindNext(MainWindow& w) {
  record(w, "onFindNext");
}
void FakeMainWindowDelegate::onCenterSelectionInView(MainWindow& w) {
  record(w, "onCenterSelectionInView");
}
void FakeMainWindowDelegate::onToggleFullScreen(MainWindow& w) {
  record(w, "onToggleFullScreen");
}
void FakeMainWindowDelegate::onNextTab(MainWindow& w) {
  record(w, "onNextTab");
}
void FakeMainWindowDelegate::onPrevTab(MainWindow& w) {
  record(w, "onPrevTab");
}
void FakeMainWindowDelegate::onPaste(MainWindow& w, bool append) {
  record(w, append ? "onPaste append" : "onPaste replace");
}
void FakeMainWindowDelegate::onScrollLine(MainWindow& w, int lines) {
  record(w, "onScrollLine " + std::to_string(lines));
}
void FakeMainWindowDelegate::onScrollPage(MainWindow& w, int pages) {
  record(w, "onScrollPage " + std::to_string(pages));
}
void FakeMainWindowDelegate::onScrollTo(MainWindow& w, unsigned long offset) {
  record(w, "onScrollTo " + std::to_string(offset));
}
void FakeMainWindowDelegate::onWordListManage(MainWindow& w) {
  record(w, "onWordListManage");
}
void FakeMainWindowDelegate::onWordListChange(MainWindow& w, const char* baseName) {
  record(w, std::string("onWordListChange ") + (baseName ? baseName : "(null)"));
}
void FakeMainWindowDelegate::onLoadProgress(MainWindow& w) {
  record(w, "onLoadProgress");
}
void FakeMainWindowDelegate::setCurrentDocument(MainWindow& w, Document* d) {
  record(w, "setCurrentDocument " + pointer(d));
}

} // namespace qmtest
