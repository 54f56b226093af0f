#include "support/fakemainwindowdelegate.h"

#include "wordlists/wordlistmanager.h"

#include <cstdio>

namespace qmtest {

FakeMainWindowDelegate::FakeMainWindowDelegate() = default;
FakeMainWindowDelegate::~FakeMainWindowDelegate() = default;

std::string FakeMainWindowDelegate::pointer(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return p ? text : "(null)";
}

WordListManager& FakeMainWindowDelegate::wordListManager(MainWindow&) const {
  if (lists) return *lists;
  if (!m_ownLists) m_ownLists = std::make_unique<WordListManager>(nullptr);
  return *m_ownLists;
}

void FakeMainWindowDelegate::onOpenFiles(MainWindow& w, std::vector<std::string> const& paths) {
  std::string call = "onOpenFiles";
  for (std::string const& p : paths)
    call += " " + p;
  record(w, call);
}

} // namespace qmtest
