// The application controller against the real engine: its settings files, start-up failures, the word
// commands, documents, tabs, paste and the colour scheme. The GUI is a recording fake; boxes are answered
// through MessageBox's presenter.
#include "control/applicationcontroller.h"
#include "programinfo/programinfo.h"

#include "dictionary/cedictionary.h"
#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "documents/recentfiles.h"
#include "export/exportfield.h"
#include "programinfo/programinfo.h"
#include "support/controllerfixture.h"
#include "support/resourcelimits.h"
#include "support/waituntil.h"
#include "text/wordhash.h"
#include "text/wordstatistics.h"
#include "utils/filesystem.h"
#include "utils/messagecenter.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/platform/posix/namedfilelock.h"
#include "views/applicationdelegate.h"
#include "views/clipboard.h"
#include "views/exportadapter.h"
#include "views/importadapter.h"
#include "views/mainwindowdelegate.h"
#include "views/propertyindex.h"
#include "views/runscriptdialogdelegate.h"
#include "views/tabitem.h"
#include "views/textviewdelegate.h"
#include "wordlists/wordlistmanager.h"
#include "wordlists/wordliststate.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

// A file of the base folder (where shipped settings are looked for after the resources), removed at the end.
struct BaseFile {
  explicit BaseFile(std::string const& name, std::string const& content)
      : path(fs::path(FileSystem::path(CommonDirectory::Base).c_str()) / name) {
    qmtest::ControllerFixture::write(path, content);
  }
  ~BaseFile() { fs::remove(path); }
  fs::path path;
};

bool contains(std::string const& text, std::string const& part) {
  return text.find(part) != std::string::npos;
}

// The boxes' titles, without their texts.
Strings titles(Strings boxes) {
  for (std::string& box : boxes)
    box.resize(std::min(box.size(), box.find('|')));
  return boxes;
}

class ApplicationControllerTest : public qmtest::ControllerFixture {
protected:
  WordHash& known() { return window().wordListManager(gui.window).current(); }
  bool isKnown(const char* word) { return known().exists(Span(word)) == WordHash::Word; }
  std::vector<WordStatistics*> rows(Document* document) {
    std::vector<WordStatistics*> out;
    document->wordStatisticsList(out, WordStatisticsSort::FrequencyDescending);
    return out;
  }
};

} // namespace

TEST_F(ApplicationControllerTest, SettingsMergeUpgradeAndAreSavedAsTheUsersOwn) {
  const BaseFile shipped("data/config", "[general]\nmaxSearchHistory = 5\nopenExportedFile = never\n"
                                        "[shipped]\nkey = value\n");
  write(user("data/config"),
        "[general]\nmaxSearchHistory = 7\nunknownKey = kept\n[mine]\nx = 1\n"
        "[appearance]\n.version = 1\nnormal.background = 202020\nunknown.foreground = 00ff00\n");
  write(user("data/online-search"),
        "[MDBG]\nlink = https://www.mdbg.net/chinese/dictionary?page=worddict&wdrst=0"
        "&wdqb=%s\norder = 1\n[Mine]\nlink = https://example.org/%s\norder = 9\n");
  start();
  // The old colours moved to the colour file, and the mode followed their dark background.
  const std::string colours = qmtest::readFile(user("colour-schemes/default.colours"));
  EXPECT_TRUE(contains(colours, "normal.background = 202020")) << colours;
  EXPECT_TRUE(contains(colours, "unknown.foreground = 00ff00")) << colours;
  EXPECT_EQ(window().currentColourScheme(gui.window), ColourScheme::Dark);
  EXPECT_EQ(gui.statistics.calls.back(), "colours 0 32"); // the normal style of the upgraded dark set

  controller->splashScreenClosed();
  EXPECT_EQ(gui.window.calls, (Strings{"restoreState", "show"}));
  EXPECT_EQ(gui.calls, Strings{"welcome"});
  stop();

  const std::string config = qmtest::readFile(user("data/config"));
  for (const char* line :
       {"maxSearchHistory = 7", "openExportedFile = never", "unknownKey = kept", "[mine]", "x = 1",
        "[shipped]", "key = value", "showWelcome = false", "colourScheme.mode = 1"})
    EXPECT_TRUE(contains(config, line)) << line << " in\n" << config;
  EXPECT_FALSE(contains(config, "normal.background")) << config;
  const std::string online = qmtest::readFile(user("data/online-search"));
  EXPECT_FALSE(contains(online, "MDBG")) << online;
  EXPECT_TRUE(contains(online, "[Mine]")) << online;

  gui.calls.clear();
  start();
  controller->splashScreenClosed();
  EXPECT_TRUE(gui.calls.empty()) << "the welcome is shown once";
}

TEST_F(ApplicationControllerTest, AFailedStartLeavesTheUsersFilesAsTheyWere) {
  write(user("data/config"), "[general]\nshowWelcome = true\n[appearance]\n.version = 5\n");
  write(user("data/search-history.txt"), "中国\n人民\n");
  write(user("data/recent"), docs.string() + "/gone.txt\t12\n");
  write(user("data/online-search"), "[Mine]\nlink = https://example.org/%s\n");
  write(user("colour-schemes/default.colours"), "[light]\nnormal.foreground = 123456\n");
  write(user("data/script-config/recent-scripts.txt"), "/nowhere/script.lua\n");
  { WordListManager lists(nullptr); } // the folder a previous run left
  const auto before = snapshot(user());
  ASSERT_THROW(start("data/no-dictionary.u8"), CEDictionary::missing_dictionary);
  stop();
  EXPECT_EQ(snapshot(user()), before);
  EXPECT_TRUE(contains(log.all(), "no settings are saved")) << log.all();
}

// A file of the reader's that exists but cannot be read at start-up (another copy of the program is writing
// it, so the shared lock fails at once) is byte for byte as it was after the run, which used the defaults;
// unsaved, it would hold this run's defaults, or its one document in place of ten.
TEST_F(ApplicationControllerTest, AFileUnreadableAtStartUpIsKeptAsItWas) {
  std::string tenRecent;
  for (int i = 0; i < 10; ++i)
    tenRecent += write(docs / ("r" + std::to_string(i) + ".txt"), "中文") + "\t2\n";
  const struct {
    const char* file;
    std::string content;
    std::function<bool()> usedDefaults; // null: not visible from outside
  } cases[] = {
      {"colour-schemes/default.colours", "[light]\nnormal.foreground = 123456\n",
       [&] { return gui.statistics.calls.back() == "colours 0 255"; }},
      {"data/recent", tenRecent, [&] { return window().recentFiles(gui.window).totalFiles() == 0; }},
      {"data/config", "[appearance]\ncolourScheme.mode = 1\n",
       [&] { return window().currentColourScheme(gui.window) == ColourScheme::Auto; }},
      {"data/search-history.txt", "中国\n", nullptr},
      {"data/online-search", "[Mine]\nlink = https://example.org/%s\n", nullptr},
      {"data/script-config/recent-scripts.txt", tenRecent, nullptr},
      {"data/script-config/config", "[Dialog]\nsaveToClipboard = false\n", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    fs::remove_all(user());
    write(user(c.file), c.content);
    {
      FileWriter writer(user(c.file).c_str(), FileWriter::Append);
      start();
    }
    if (c.usedDefaults) {
      EXPECT_TRUE(c.usedDefaults());
    }
    open("new.txt", "中文");
    stop();
    EXPECT_EQ(qmtest::readFile(user(c.file)), c.content);
    const std::string warnings = log.all(), path = "'" + user(c.file).string() + "'";
    EXPECT_TRUE(contains(warnings, path + "\n") &&
                contains(warnings, path + " could not be read at start-up"))
        << warnings;
  }
}

TEST_F(ApplicationControllerTest, EachSaveStepStandsAloneAndTheWordListsGoFirst) {
  start();
  controller->markWordAsKnown(Span("中国"));
  const Text locks(user("wordlists/").c_str());
  {
    // Another copy holds the list: the import's revision waits in memory.
    const auto held = WordListState::lock(locks, "known");
    gui.importDialog = [] { return std::optional<Strings>(Strings{"人民"}); };
    window().onFileImport(gui.window);
  }
  EXPECT_TRUE(contains(log.all(), "Unable to save list 'known'; its changes are kept")) << log.all();
  // The settings and the colour scheme cannot be written: their folders are files.
  write(user("data"), "a file");
  write(user("colour-schemes"), "a file");
  auto held = WordListState::lock(locks, "known"); // let go while the controller waits for it
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    held.reset();
  });
  stop();
  release.join();
  WordListManager lists(nullptr);
  EXPECT_EQ(lists.current().exists(Span("中国")), WordHash::Word);
  EXPECT_EQ(lists.current().exists(Span("人民")), WordHash::Word);
  const std::string errors = log.all();
  EXPECT_TRUE(contains(errors, "Error saving colour scheme")) << errors;
  EXPECT_TRUE(contains(errors, "Error saving search history")) << errors;
}

TEST_F(ApplicationControllerTest, CustomDefinitionsWithoutAUserDictionaryUseTheShippedOne) {
  write(user("data/config"), "[definition]\ncustomDefinitionsOnly = true\n");
  start();
  EXPECT_TRUE(contains(log.all(), "using the shipped dictionary")) << log.all();
  open("text.txt", "中国");
  ExportDialogData data;
  data.exportType = ExportDialogData::WordList;
  data.filter = ExportDialogData::None;
  data.selectedFields = {ExportField::Word, ExportField::EnglishDefinition};
  gui.exportDialog = [&](ExportAdapter& adapter) {
    adapter.data() = data;
    adapter.exportTo(nullptr);
  };
  window().onFileExportToClipboard(gui.window);
  EXPECT_TRUE(contains(std::string(Clipboard().text().view()), "China")) << Clipboard().text().c_str();
}

TEST_F(ApplicationControllerTest, MarkingFollowsTheLookedUpAndReadOnlyRules) {
  start();
  Document* document = open("text.txt", "中国人民\n我们的中国。\n");
  ApplicationDelegate& words = controller->applicationDelegate();
  words.markAsKnown(Span("中国"));
  EXPECT_TRUE(isKnown("中国"));
  words.toggleKnown(Span("中国"));
  EXPECT_FALSE(isKnown("中国"));
  words.toggleKnown(Span("中国"));
  EXPECT_TRUE(isKnown("中国"));
  EXPECT_EQ(gui.wordList.calls.back().substr(0, 8), "refresh ");

  // Looking up leaves the word unknown for the rest of the run; out of range opens nothing.
  words.onlineLookup(Span("中国"), 99);
  words.onlineLookup(Span("人民"), 0);
  EXPECT_FALSE(isKnown("中国"));
  EXPECT_EQ(links(),
            Strings{"https://www.mdbg.net/chinese/dictionary?page=worddict&wdrst=0&wdqb=%E4%BA%BA%E6%B0%91"});
  // With no browser the reader learns the link, to open it by hand.
  linksAccepted() = false;
  words.onlineLookup(Span("人民"), 0);
  linksAccepted() = true;
  EXPECT_EQ(takeBoxes(), Strings{"Unable to open link|No program could open the link:\n\n" + links().back()});
  words.markAsKnown(Span("中国"));
  EXPECT_FALSE(isKnown("中国"));
  std::vector<WordStatistics*> lookedUp;
  for (WordStatistics* row : rows(document))
    if (row->word == Span("中国") || row->word == Span("人民")) lookedUp.push_back(row);
  words.markAsKnown(lookedUp);
  words.markAsKnown(rows(document)); // the others are added
  EXPECT_TRUE(isKnown("我们"));
  EXPECT_FALSE(isKnown("人民"));
  EXPECT_EQ(titles(takeBoxes()), Strings(3, "Recently looked up word.")) << "one warning per command";

  // A read-only list asks first; only Yes changes it, and a look-up leaves it as it is.
  WordListManager& lists = window().wordListManager(gui.window);
  const auto list = lists.createList("Fixed", true);
  window().onWordListChange(gui.window, list->baseName());
  ASSERT_TRUE(lists.currentListReadOnly());
  answers = {MessageBox::No, MessageBox::Yes, MessageBox::No};
  words.markAsKnown(Span("我们"));
  words.markAsKnown(Span("我们"));
  words.markAsUnknown(rows(document));
  EXPECT_TRUE(isKnown("我们"));
  words.onlineLookup(Span("我们"), 99);
  EXPECT_TRUE(isKnown("我们"));
  EXPECT_EQ(controller->lookedUpWords().exists(Span("我们")), WordHash::Word);
  EXPECT_EQ(titles(takeBoxes()), Strings(3, "Read only word list"));
}

TEST_F(ApplicationControllerTest, OpeningFilesReportsFailuresByName) {
  start();
  Strings paths;
  for (int i = 1; i <= 7; ++i)
    paths.push_back((docs / ("missing" + std::to_string(i) + ".txt")).string());
  window().onOpenFiles(gui.window, paths);
  EXPECT_EQ(takeBoxes(),
            Strings{"Error opening file|The following files could not be opened:\n\n\tmissing1.txt\n"
                    "\tmissing2.txt\n\tmissing3.txt\n\tmissing4.txt\n\tmissing5.txt\n\t<2 more...>"});
  const std::string a = write(docs / "a.txt", "中国"), b = write(docs / "b.txt", "人民");
  window().onOpenFiles(gui.window, {a, paths[0], b});
  ASSERT_NE(window().currentDocument(gui.window), nullptr);
  EXPECT_EQ(window().currentDocument(gui.window)->filename(), b.c_str());
  EXPECT_EQ(takeBoxes(),
            Strings{"Error opening file|The following files could not be opened:\n\n\tmissing1.txt\n"});
  EXPECT_EQ(gui.window.tabs.numberOfTabs(), 2u);
  EXPECT_TRUE(gui.window.tabsShown);
  EXPECT_EQ(gui.window.tabs.selectedItem()->title, "b.txt");

  // A file that has gone: the search of the document that becomes current, then its recent entry; and the
  // desktop's open request (no box).
  fs::rename(a, docs / "moved.txt");
  window().onFileClose(gui.window, nullptr);
  EXPECT_FALSE(gui.window.tabsShown) << "one document left";
  window().onFileOpenRecent(gui.window, 1); // a.txt, behind b.txt
  window().onFileOpenRecent(gui.window, 10);
  EXPECT_EQ(takeBoxes(), Strings(2, "Error opening file|The following file could not be opened:\n\n\ta.txt"));
  EXPECT_FALSE(controller->openFile(paths[0].c_str()));
  EXPECT_TRUE(takeBoxes().empty());
  EXPECT_TRUE(controller->openFile(b.c_str()));
}

// A document still being converted is not in the text view: switching away from it and quitting keep the
// position it was opened at.
TEST_F(ApplicationControllerTest, ADocumentStillConvertingKeepsItsPosition) {
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string(40, 'a'))
    utf16 += {c, '\0'};
  const std::string converting = write(docs / "utf16.txt", utf16);
  write(user("data/recent"), converting + "\t12\n");
  start();
  // Nothing drains the main thread's queue, so the conversion's result waits there.
  window().onOpenFiles(gui.window, {converting});
  Document* document = window().currentDocument(gui.window);
  ASSERT_TRUE(document && document->isConverting());
  window().onOpenFiles(gui.window, {write(docs / "other.txt", "中国")});
  EXPECT_EQ(document->state().position, 12u);
  window().setCurrentDocument(gui.window, document);
  controller.reset();
  const std::string recent = qmtest::readFile(user("data/recent"));
  EXPECT_TRUE(contains(recent, converting + "\t12\n")) << recent;
}

TEST_F(ApplicationControllerTest, CopyFromThePanesAndPasteAsADocument) {
  start();
  open("text.txt", "中国，人民\n我们的中国。\n");
  gui.wordList.tabs.selectedTabAtIndex(0); // all words, by frequency
  const struct {
    bool wordListFocus, statisticsFocus;
    int canCopy;
    bool append;
    std::string clipboard;
  } copies[] = {
      {false, false, 0, false, "before"},
      {true, true, 2, false, "中国\n人民"},
      {false, true, 3, true, "中国\n人民\nWord Statistics\n"},
  };
  Clipboard().setText(Span("before"));
  gui.wordList.selection = {0, 1};
  gui.statistics.selection = {PropertyIndex{0, PropertyIndex::TITLE}};
  for (auto const& c : copies) {
    SCOPED_TRACE(c.canCopy);
    gui.wordList.focus = c.wordListFocus;
    gui.statistics.focus = c.statisticsFocus;
    EXPECT_EQ(window().canCopy(gui.window), c.canCopy);
    window().onCopy(gui.window, c.append);
    EXPECT_EQ(std::string(Clipboard().text().view()), c.clipboard);
  }
  gui.statistics.focus = false;
  EXPECT_FALSE(window().hasSelection(gui.window));
  window().onSelectAll(gui.window); // the text view has the focus
  EXPECT_TRUE(window().hasSelection(gui.window));
  EXPECT_EQ(window().canCopy(gui.window), 1);
  window().onCopy(gui.window, false);
  EXPECT_EQ(std::string(Clipboard().text().view()), "中国，人民\n我们的中国。\n");

  Clipboard().setText(Span(""));
  EXPECT_FALSE(window().canPaste(gui.window));
  window().onPaste(gui.window, false);
  EXPECT_EQ(takeBoxes(), Strings{"No text available|There is no text available on the clipboard.\n"});

  Clipboard().setText(Span("中国人民"));
  ASSERT_TRUE(window().canPaste(gui.window));
  window().onPaste(gui.window, false);
  EXPECT_FALSE(window().canPaste(gui.window)) << "one paste at a time";
  window().onPaste(gui.window, false);
  for (int i = 0; i < 1000 && !window().canPaste(gui.window); ++i) // the paste's worker may be slow to end
    drain();
  Document* pasted = window().currentDocument(gui.window);
  ASSERT_NE(pasted, nullptr);
  EXPECT_TRUE(pasted->isTemporary());
  EXPECT_EQ(gui.window.tabs.selectedItem()->title, "Clipboard-1");
  EXPECT_EQ(fs::path(pasted->filename().c_str()), user("clipboard/Clipboard-1"));
  EXPECT_EQ(qmtest::readFile(pasted->filename().c_str()), "中国人民\n");
  EXPECT_TRUE(window().canPaste(gui.window));

  {
    const qmtest::NoNewThreads noThreads;
    window().onPaste(gui.window, false);
    drain();
  }
  EXPECT_EQ(takeBoxes(), Strings{"Error copying from clipboard|Unable to copy clipboard contents."});
  EXPECT_TRUE(window().canPaste(gui.window)) << "a worker that cannot start ends the paste too";
  EXPECT_EQ(window().totalOpenDocuments(gui.window), 2u);

  // The pasted text is not dropped without asking: closing it, and quitting, need a Yes.
  window().onFileClose(gui.window, nullptr);
  EXPECT_EQ(window().totalOpenDocuments(gui.window), 2u);
  EXPECT_FALSE(window().canCloseApplication(gui.window));
  answers = {MessageBox::Yes};
  EXPECT_TRUE(window().canCloseApplication(gui.window));
  EXPECT_EQ(takeBoxes().size(), 3u);
}

TEST_F(ApplicationControllerTest, ImportSkipsBlankLinesAndCountsEveryWordGiven) {
  start();
  const std::string file = write(docs / "words.txt", "中国\n\n人民\n\r\n中国\n我们");
  known().add(Span("我们"));
  gui.importDialog = [&]() -> std::optional<Strings> {
    struct : ImportAdapter::Listener {
      void previewChanged() override {}
    } listener;
    ImportAdapter adapter(listener);
    adapter.loadFromFile(file.c_str());
    EXPECT_TRUE(qmtest::waitUntil([&] {
      drain();
      return adapter.complete();
    }));
    Strings words;
    for (Span const& w : adapter.words())
      words.emplace_back(w.view());
    words.emplace_back(); // an empty word, as another source might give
    return words;
  };
  window().onFileImport(gui.window);
  EXPECT_EQ(takeBoxes(), Strings{"Import Complete|Successfully imported 4 words."}) << "known ones too";
  EXPECT_TRUE(isKnown("中国") && isKnown("人民"));
  gui.importDialog = nullptr; // cancelled
  window().onFileImport(gui.window);
  EXPECT_TRUE(takeBoxes().empty());
}

TEST_F(ApplicationControllerTest, TheColourSchemeFollowsTheDesktopOnlyInAuto) {
  start();
  ASSERT_EQ(window().currentColourScheme(gui.window), ColourScheme::Auto);
  const auto lastColours = [&] { return gui.statistics.calls.back(); };
  EXPECT_EQ(lastColours(), "colours 0 255");
  gui.window.dark = true;
  controller->systemColourSchemeChanged(ColourScheme::Dark);
  EXPECT_EQ(lastColours(), "colours 216 28");
  window().onColourSchemeToggled(gui.window); // Auto becomes Light
  EXPECT_EQ(window().currentColourScheme(gui.window), ColourScheme::Light);
  gui.window.dark = false;
  controller->systemColourSchemeChanged(ColourScheme::Light);
  gui.window.dark = true;
  controller->systemColourSchemeChanged(ColourScheme::Dark);
  EXPECT_EQ(lastColours(), "colours 0 255");
  window().onColourSchemeChanged(gui.window, ColourScheme::Mode(7));
  EXPECT_EQ(window().currentColourScheme(gui.window), ColourScheme::Light);
}

TEST_F(ApplicationControllerTest, WindowCommandsReachTheirDialogsAndSettings) {
  start();
  gui.runScriptDialog = [](RunScriptDialogDelegate&) { return false; };
  MainWindowDelegate& w = window();
  w.onToolsRunScript(gui.window);
  w.onHelpSendFeedback(gui.window);
  w.onHelpHelp(gui.window);
  w.onHelpAbout(gui.window);
  EXPECT_EQ(takeBoxes(),
            Strings{std::string("Quillmere|Version ") + ProgramInfo::instance().displayVersion()});
  w.onWordListManage(gui.window);
  w.onToggleHighlightLookedUpWords(gui.window);
  w.onToggleFullScreen(gui.window);
  w.onFileExit(gui.window);
  EXPECT_EQ(gui.calls, (Strings{"runScript", "feedback https://quillmere.invalid/feedback", "manage"}));
  const std::string help =
      (fs::path(FileSystem::path(CommonDirectory::Resources).c_str()) / "data/help.html").string();
  EXPECT_EQ(links(), Strings{"file://" + help}) << "the shipped help";
  // Nothing takes the help, or it is missing: the reader learns where it is, or what is missing.
  linksAccepted() = false;
  w.onHelpHelp(gui.window);
  {
    const qmtest::ScopedEnv elsewhere("QUILLMERE_RESOURCES", home.str());
    w.onHelpHelp(gui.window);
  }
  EXPECT_EQ(takeBoxes(), (Strings{"Unable to open help|No program could open the help file:\n\n" + help,
                                  "Unable to open help|The help file 'data/help.html' is missing."}));
  EXPECT_EQ(gui.window.calls, (Strings{"setFullScreen 1", "onExit"}));
  EXPECT_FALSE(w.highlightLookedUpWords(gui.window));
  w.applicationWillClose(gui.window);
  stop();
  EXPECT_TRUE(gui.window.fullScreen);
  EXPECT_TRUE(contains(qmtest::readFile(user("data/config")), "fullScreen = true"));
  EXPECT_TRUE(contains(qmtest::readFile(user("data/config")), "highlightLookedUpWords = false"));
  EXPECT_TRUE(contains(qmtest::readFile(user("data/script-config/config")), "saveToClipboard = false"));
}

TEST_F(ApplicationControllerTest, CustomWordsAreCheckedSavedAndSegmentEveryDocument) {
  start();
  const std::string twenty = "丂丄丅丆丏丒丗丟丠両丣並丩丮丯丱丳丵丷丼";
  Document* other = open("other.txt", "前" + twenty + "后");
  ASSERT_EQ(other->statisticsForWord(Span(twenty)), nullptr);
  const struct {
    std::string selected;
    std::string box; // how its box starts; none: added
  } cases[] = {
      {"中国", "Word exists"},
      {twenty + "乀", "Custom word too long"},
      {std::string(86, 'a') +
           "中国中国中国中国中国中国中国中国中国中国中国中国中国中国中国中国中国中国", // 266 bytes
       "Custom word too long"},
      {"ab c", "Invalid characters"},
      {"%s%n", "Invalid characters|'%s%n' contains invalid characters."}, // the word is text, not a format
      {twenty, ""},
  };
  int n = 0;
  for (auto const& c : cases) {
    SCOPED_TRACE(c.selected);
    open("word" + std::to_string(++n) + ".txt", c.selected);
    window().onSelectAll(gui.window);
    controller->applicationDelegate().addCustomWordFromSelection();
    const Strings boxes = takeBoxes();
    ASSERT_EQ(boxes.size(), c.box.empty() ? 0u : 1u);
    if (!c.box.empty()) {
      EXPECT_EQ(boxes[0].substr(0, c.box.size()), c.box);
    }
  }
  EXPECT_TRUE(contains(qmtest::readFile(user("data/words.u8")), twenty + "\n"));
  waitProcessed(other);
  EXPECT_NE(other->statisticsForWord(Span(twenty)), nullptr) << "every open document is segmented again";
}

// A word added while a long document is being processed: the controller waits for the run to stop, and the
// document is processed again with the word, each occurrence counted once.
TEST_F(ApplicationControllerTest, ACustomWordAddedDuringProcessingReprocessesTheDocument) {
  start();
  const std::string word = "丂丄丅";
  std::string text;
  for (int line = 0; line < 200000; ++line)
    text += "前" + word + "后，这是一行字。\n";
  window().onOpenFiles(gui.window, {write(docs / "long.txt", text)});
  Document* processing = window().currentDocument(gui.window);
  open("word.txt", word);
  window().onSelectAll(gui.window);
  ASSERT_FALSE(processing->processor()->finished()) << "the word must come while the document is processed";
  controller->applicationDelegate().addCustomWordFromSelection();
  EXPECT_EQ(takeBoxes(), Strings{});
  waitProcessed(processing);
  WordStatistics const* added = processing->statisticsForWord(Span(word));
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->frequency, 200000u);
  EXPECT_EQ(processing->processor()->bytesProcessed(), text.size());
}

TEST_F(ApplicationControllerTest, FindShowsQueuedResultsInTheTextView) {
  start();
  std::string text;
  for (int line = 0; line < 300; ++line)
    text += line == 150 || line == 250 ? "那里有中国的人。\n" : "这是一行字。\n";
  open("long.txt", text);
  gui.text.resize(400, 200);
  window().onFind(gui.window); // no selection, no earlier term
  EXPECT_EQ(gui.calls.back(), "showFindDialog ");
  EXPECT_FALSE(window().canFindNext(gui.window));

  gui.findBar.text = "中国";
  gui.findBar.find();
  EXPECT_EQ(gui.calls.back(), "setLastSearch 中国");
  EXPECT_EQ(gui.findBar.history(), Strings{"中国"});
  EXPECT_EQ(gui.text.scrollPosition, 0u) << "the result waits in the main thread's queue";
  drain();
  const uint64_t first = gui.text.scrollPosition;
  EXPECT_GT(first, 0u);
  window().onFindNext(gui.window);
  drain();
  EXPECT_GT(gui.text.scrollPosition, first);
  EXPECT_TRUE(window().canFindNext(gui.window));
  window().onFind(gui.window);
  EXPECT_EQ(gui.calls.back(), "showFindDialog 中国") << "the last term";

  const int redraws = gui.text.redraws;
  controller->applicationDelegate().findWord(Span("不在这里"));
  drain();
  EXPECT_GT(gui.text.redraws, redraws) << "not found: the page is styled again";
}

TEST_F(ApplicationControllerTest, DefinitionsAndFontsGoThroughTheirViews) {
  start();
  gui.mouseX = 10;
  gui.mouseY = 20;
  ApplicationDelegate& words = controller->applicationDelegate();
  words.showDefinition(Span("中国"));
  words.showDefinition(Span("人民"), 30.5, 40);
  EXPECT_EQ(gui.definition.shown, (Strings{"show 中国 10,20", "show 人民 30.5,40"}));
  EXPECT_EQ(gui.definition.configs, 1) << "the settings go to the popup at its first lookup";
  EXPECT_NE(gui.definition.given, nullptr);
  EXPECT_EQ(controller->lookedUpWords().exists(Span("人民")), WordHash::Word);

  gui.fontChooser = [](Text& name, double& size) {
    name = "Noto Sans CJK SC";
    size = 100;
    return true;
  };
  window().onFormatFont(gui.window);
  EXPECT_EQ(gui.text.points, 72);
  window().onDecreaseFont(gui.window);
  stop();
  const std::string config = qmtest::readFile(user("data/config"));
  EXPECT_TRUE(contains(config, "font.name = Noto Sans CJK SC")) << config;
  EXPECT_TRUE(contains(config, "font.size = 71")) << config;
}
