#include "views/mainmenu.h"

#include "support/fakemainwindow.h"
#include "support/fakemainwindowdelegate.h"
#include "support/tempdir.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using M = MainMenu;
using Strings = std::vector<std::string>;

// The commands whose state depends on the document; every other one is always enabled.
const std::set<M::Action> GATED = {M::Close,
                                   M::ExportToFile,
                                   M::ExportToClipboard,
                                   M::ExportToEmail,
                                   M::Copy,
                                   M::AppendToClipboard,
                                   M::Paste,
                                   M::SelectAll,
                                   M::Find,
                                   M::FindNext,
                                   M::CentreSelection,
                                   M::NextTab,
                                   M::PreviousTab};

// What some commands send with their arguments (OpenRecent with index 4, ChangeWordList with "hsk").
const std::map<M::Action, std::string> SENT = {{M::OpenRecent, "onFileOpenRecent 4"},
                                               {M::Copy, "onCopy replace"},
                                               {M::AppendToClipboard, "onCopy append"},
                                               {M::ColourSchemeDark, "onColourSchemeChanged 1"},
                                               {M::ChangeWordList, "onWordListChange hsk"}};

Strings render(std::vector<MenuItem> const& items) {
  Strings out;
  for (MenuItem const& item : items) {
    if (item.kind == MenuItem::Separator) {
      out.push_back("-");
      continue;
    }
    std::string s =
        (item.ticked ? "* " : "") + item.title + " " + std::to_string(MenuItem::actionOf(item.tag));
    if (MenuItem::indexOf(item.tag)) s += "/" + std::to_string(MenuItem::indexOf(item.tag));
    out.push_back(item.enabled ? s : s + " (disabled)");
  }
  return out;
}

} // namespace

TEST(MainMenuTest, EachDocumentStateEnablesTheCommandsItShouldAndOnlyThoseAreSent) {
  const struct {
    const char* name;
    bool documentActions = false, ready = false, selection = false, findNext = false, pastable = false;
    int copyable = 0;
    unsigned long documents = 0;
    std::set<M::Action> enabled; // of GATED
  } cases[] = {
      {.name = "no document", .pastable = true, .enabled = {M::Paste}},
      {.name = "processing",
       .documentActions = true,
       .documents = 1,
       .enabled = {M::Close, M::SelectAll, M::Find}},
      {.name = "ready, no selection",
       .documentActions = true,
       .ready = true,
       .findNext = true,
       .documents = 2,
       .enabled = {M::Close, M::ExportToFile, M::ExportToClipboard, M::ExportToEmail, M::SelectAll, M::Find,
                   M::FindNext, M::NextTab, M::PreviousTab}},
      {.name = "ready, selection",
       .documentActions = true,
       .ready = true,
       .selection = true,
       .pastable = true,
       .copyable = 1,
       .documents = 2,
       .enabled = {M::Close, M::ExportToFile, M::ExportToClipboard, M::ExportToEmail, M::Copy,
                   M::AppendToClipboard, M::Paste, M::SelectAll, M::Find, M::CentreSelection, M::NextTab,
                   M::PreviousTab}},
      // A pane can copy with no document current, but copying is a document command.
      {.name = "pane selection, no document", .copyable = 2, .enabled = {}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    qmtest::FakeMainWindowDelegate delegate;
    qmtest::FakeMainWindow window;
    window.setDelegate(&delegate);
    delegate.documentReady = c.ready;
    delegate.selection = c.selection;
    delegate.findNext = c.findNext;
    delegate.pastable = c.pastable;
    delegate.copyable = c.copyable;
    delegate.openDocuments = c.documents;
    std::set<std::string> sentCalls; // each command its own call: none routed to another's
    for (int a = M::Open; a < M::ACTION_COUNT; ++a) {
      const auto action = M::Action(a);
      const bool expected = !GATED.count(action) || c.enabled.count(action);
      EXPECT_EQ(M::state(action, window, c.documentActions).enabled, expected) << a;
      delegate.calls.clear();
      delegate.window = nullptr;
      window.calls.clear();
      const bool sent = M::perform(action, window, c.documentActions, 4, "hsk");
      EXPECT_EQ(sent, expected && action != M::Open) << a;
      ASSERT_EQ(delegate.calls.size(), sent ? 1u : 0u) << a;
      if (sent) {
        EXPECT_TRUE(sentCalls.insert(delegate.calls[0]).second) << delegate.calls[0];
      }
      if (sent && SENT.count(action)) {
        EXPECT_EQ(delegate.calls[0], SENT.at(action));
      }
      EXPECT_EQ(delegate.window, sent ? &window : nullptr) << a;
      // After an import the main window comes to the front again.
      EXPECT_EQ(window.calls, sent && action == M::Import ? Strings{"show"} : Strings{}) << a;
    }
  }
}

TEST(MainMenuTest, TicksFollowTheDelegateAndNothingIsSentWithoutOne) {
  qmtest::FakeMainWindowDelegate delegate;
  qmtest::FakeMainWindow window;
  for (int a = M::Open; a < M::ACTION_COUNT; ++a) { // no delegate: all enabled, none ticked, nothing sent
    EXPECT_TRUE(M::state(M::Action(a), window, false).enabled);
    EXPECT_FALSE(M::state(M::Action(a), window, false).ticked);
    EXPECT_FALSE(M::perform(M::Action(a), window, true, 0, "hsk"));
  }
  window.setDelegate(&delegate);
  EXPECT_FALSE(M::perform(M::ChangeWordList, window, true)); // no list named
  for (auto mode : {ColourScheme::Light, ColourScheme::Dark, ColourScheme::Auto}) {
    delegate.colourScheme = mode;
    delegate.highlightLookedUp = mode == ColourScheme::Dark;
    window.fullScreen = mode == ColourScheme::Light; // Full Screen shows the window's own state
    EXPECT_EQ(M::state(M::FullScreen, window, false).ticked, mode == ColourScheme::Light);
    EXPECT_EQ(M::state(M::ColourSchemeLight, window, false).ticked, mode == ColourScheme::Light);
    EXPECT_EQ(M::state(M::ColourSchemeDark, window, false).ticked, mode == ColourScheme::Dark);
    EXPECT_EQ(M::state(M::ColourSchemeAuto, window, false).ticked, mode == ColourScheme::Auto);
    EXPECT_EQ(M::state(M::HighlightLookedUpWords, window, false).ticked, mode == ColourScheme::Dark);
  }
}

TEST(MainMenuTest, WordListItemsForOneAndElevenLists) {
  qmtest::TempDir root;
  WordListManager lists(root.str().c_str());
  auto items = [&] { return render(M::wordListItems(lists.wordLists(), lists.currentList())); };
  const int change = M::ChangeWordList;
  ASSERT_EQ(lists.wordLists().size(), 1u) << "a fresh folder holds the one default list";
  EXPECT_EQ(items(), Strings{});

  for (int i = 0; i < 10; ++i)
    ASSERT_TRUE(lists.createList(("list " + std::to_string(i)).c_str(), false));
  lists.setCurrent(lists.wordLists()[9]->baseName());
  const Strings eleven = items();
  ASSERT_EQ(eleven.size(), 13u);
  EXPECT_EQ(eleven[0], "-");
  for (unsigned i = 0; i < 10; ++i) {
    const std::string title = lists.wordLists()[i]->displayName();
    EXPECT_EQ(eleven[1 + i], (i == 9 ? "* " : "") + title + " " + std::to_string(change) +
                                 (i ? "/" + std::to_string(i) : ""));
  }
  EXPECT_EQ(eleven[11], "-");
  EXPECT_EQ(eleven[12], "More... " + std::to_string(M::ManageWordLists));
  EXPECT_EQ(M::wordListItems({}, nullptr).size(), 0u);
}

TEST(MainMenuTest, RecentFileItemsEndWithClearMenu) {
  RecentFiles files;
  EXPECT_EQ(render(M::recentFileItems(files)), Strings{"Clear Menu 2 (disabled)"});
  files.addFile("/docs/a.txt", 0);
  files.addFile("/docs/b.txt", 10);
  EXPECT_EQ(render(M::recentFileItems(files)),
            (Strings{"/docs/b.txt 1", "/docs/a.txt 1/1", "-", "Clear Menu 2"}));
}
