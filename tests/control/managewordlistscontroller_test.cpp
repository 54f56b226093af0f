// The manage-word-lists controller against a real word-list folder; the dialog is a fake that answers the
// new and edit dialogs, and the boxes are answered through MessageBox's presenter.
#include "control/managewordlistscontroller.h"

#include "support/fakeapplicationdelegate.h"
#include "support/logcapture.h"
#include "support/tempdir.h"
#include "support/wordsof.h"
#include "text/proficiencylevelfilebuilder.h"
#include "utils/platform/posix/namedfilelock.h"
#include "views/editwordlistdialogdata.h"
#include "views/managewordlistsview.h"
#include "views/messagebox.h"
#include "views/newwordlistdialogdata.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using qmtest::wordsOf;

struct FakeDialog : ManageWordListsView {
  std::function<bool(NewWordListDialogData&, std::vector<std::string> const&)> newDialog;
  std::function<bool(EditWordListDialogData&)> editDialog;
  int populated = 0, previews = 0;
  void populateWordLists() override { ++populated; }
  void updatePreview() override { ++previews; }
  bool runNewWordListDialog(NewWordListDialogData& d, std::vector<std::string> const& names) override {
    return newDialog && newDialog(d, names);
  }
  bool runEditWordListDialog(EditWordListDialogData& d) override { return editDialog && editDialog(d); }
};

struct Answers : MessageBox::Presenter {
  int answer = MessageBox::Yes;
  std::vector<std::string> shown;
  int present(MessageBox const& box) override {
    shown.push_back(box.message());
    return box.type() == MessageBox::Question ? answer : int(MessageBox::OkPressed);
  }
};

class ManageWordListsControllerTest : public ::testing::Test {
protected:
  ManageWordListsControllerTest() { MessageBox::setPresenter(&answers); }
  ~ManageWordListsControllerTest() override { MessageBox::setPresenter(nullptr); }

  // Creates a list with words, as another running copy of the program would.
  void addList(const char* name, std::set<std::string> const& words) {
    WordListManager other(dir.str().c_str());
    const auto list = other.createList(name, false);
    other.setCurrent(list->baseName());
    for (std::string const& w : words)
      other.current().add(Span(w));
    other.saveVersion();
    manager.setCurrent(manager.currentList()); // the current file names the fixture's list again
  }
  // The names the controller shows, by index.
  std::vector<std::string> rows(ManageWordListsController const& c) const {
    std::vector<std::string> out;
    for (unsigned long i = 0; i < c.totalWordLists(dialog); ++i)
      out.push_back(c.wordListName(dialog, i));
    return out;
  }
  // Creates through the controller's new-list flow; a list to copy is named by its row.
  void create(ManageWordListsController& c, std::function<void(NewWordListDialogData&)> fill,
              std::string const& copyOf = "") {
    dialog.newDialog = [&](NewWordListDialogData& d, std::vector<std::string> const& names) {
      EXPECT_EQ(d.existing, c.currentWordList(dialog));
      fill(d);
      if (!copyOf.empty())
        d.existing = uint64_t(std::find(names.begin(), names.end(), copyOf) - names.begin());
      return true;
    };
    c.onNewWordList(dialog);
  }

  qmtest::TempDir dir;
  WordListManager manager{dir.str().c_str()};
  qmtest::FakeApplicationDelegate application;
  FakeDialog dialog;
  Answers answers;
};

std::set<std::string> levels(ProficiencyLevelFileBuilder::Type type, std::initializer_list<size_t> chosen) {
  WordHash words(10);
  for (size_t level : chosen)
    ProficiencyLevelFileBuilder::addToWordHash(type, words, level);
  return wordsOf(words);
}

} // namespace

TEST_F(ManageWordListsControllerTest, NewListFromEachSource) {
  addList("Source", {"中国", "人民"});
  ManageWordListsController controller(application, manager);
  EXPECT_EQ(rows(controller), (std::vector<std::string>{"[Known]", "Source"}));
  const struct {
    const char* name;
    std::function<void(NewWordListDialogData&)> fill;
    std::set<std::string> words;
    std::string copyOf = "";
  } cases[] = {
      {"Empty", [](auto& d) { d.name = "Empty"; }, {}},
      {"Copy", [](auto& d) { d.name = "  Copy  ", d.source = 1; }, {"中国", "人民"}, "Source"},
      {"HSK", [](auto& d) { d.name = "HSK", d.source = 2, d.hsk = {true, true, false, false, false, false}; },
       levels(ProficiencyLevelFileBuilder::HSK, {1, 2})},
      {"No HSK", [](auto& d) { d.name = "No HSK", d.source = 2, d.hsk = {}; }, {}},
      {"TOCFL",
       [](auto& d) {
         d.name = "TOCFL", d.source = 3, d.tocfl = {false, false, true, false, false};
       },
       levels(ProficiencyLevelFileBuilder::TOCFL, {3})},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    application.calls.clear();
    create(controller, c.fill, c.copyOf);
    // The new list is current, stored as a revision, shown, and the application heard of it.
    EXPECT_EQ(controller.wordListName(dialog, controller.currentWordList(dialog)), std::string(c.name));
    EXPECT_EQ(wordsOf(manager.current()), c.words);
    EXPECT_EQ(controller.totalWords(dialog), c.words.size());
    EXPECT_EQ(application.calls, std::vector<std::string>{"wordListChanged"});
    EXPECT_EQ(wordsOf(WordListManager(dir.str().c_str()).current()), c.words);
  }
  EXPECT_EQ(wordsOf(manager.wordHash("source")), (std::set<std::string>{"中国", "人民"}));
  EXPECT_EQ(rows(controller).size(), 7u);
  // A cancelled dialog or a name with nothing storable in it creates nothing.
  dialog.newDialog = [](auto&, auto const&) { return false; };
  controller.onNewWordList(dialog);
  create(controller, [](auto& d) { d.name = "   "; });
  EXPECT_EQ(manager.wordLists().size(), 7u);
}

TEST_F(ManageWordListsControllerTest, EqualNamesAreToldApartAndSwitchingMovesTheCurrentList) {
  addList("Same", {"一"});
  addList("Same", {"二", "三"});
  ManageWordListsController controller(application, manager);
  EXPECT_EQ(rows(controller), (std::vector<std::string>{"[Known]", "Same", "Same (same1)"}));
  controller.onChangeWordList(dialog, 2);
  EXPECT_STREQ(manager.currentList(), "same1");
  EXPECT_EQ(controller.totalWords(dialog), 2u);
  EXPECT_TRUE(controller.word(dialog, 2).empty());
  controller.onChangeWordList(dialog, 3); // out of range: nothing
  EXPECT_STREQ(manager.currentList(), "same1");
  EXPECT_EQ(controller.wordListName(dialog, 3), nullptr);
  EXPECT_EQ(application.calls, std::vector<std::string>{"wordListChanged"});
}

TEST_F(ManageWordListsControllerTest, ClearAndDeleteAskFirst) {
  addList("A", {"一"});
  addList("B", {"二"});
  manager.setCurrent("a");
  ManageWordListsController controller(application, manager);
  answers.answer = MessageBox::No;
  controller.onClearWordList(dialog);
  controller.onDeleteWordList(dialog);
  EXPECT_EQ(wordsOf(manager.current()), std::set<std::string>{"一"});
  EXPECT_EQ(manager.wordLists().size(), 3u);
  EXPECT_EQ(answers.shown, (std::vector<std::string>{"Clear word list?", "Delete word list?"}));

  answers.answer = MessageBox::Yes;
  controller.onClearWordList(dialog);
  EXPECT_TRUE(wordsOf(WordListManager(dir.str().c_str()).wordHash("a")).empty());
  controller.onDeleteWordList(dialog); // "a" is not the last: the next one becomes current
  EXPECT_STREQ(manager.currentList(), "b");
  controller.onDeleteWordList(dialog); // "b" is the last: the one before it becomes current
  EXPECT_STREQ(manager.currentList(), "known");
  controller.onDeleteWordList(dialog); // a single list is never deleted
  EXPECT_EQ(rows(controller), std::vector<std::string>{"[Known]"});
  EXPECT_GE(dialog.populated, 2);
}

// The edit writes the list file's own revision, never the one read when the dialog opened: a clear, or
// marks saved meanwhile, survive the rename.
TEST_F(ManageWordListsControllerTest, EditNeverWritesAStaleRevision) {
  addList("Words", {"一", "二"});
  manager.setCurrent("words");
  ManageWordListsController controller(application, manager);
  dialog.editDialog = [](EditWordListDialogData& d) {
    EXPECT_EQ(d.name, "Words");
    d.name = "  Renamed ";
    d.readOnly = true;
    return true;
  };
  controller.onClearWordList(dialog);
  controller.onEditWordList(dialog);
  EXPECT_TRUE(wordsOf(WordListManager(dir.str().c_str()).current()).empty());
  EXPECT_EQ(rows(controller)[1], "Renamed");
  EXPECT_TRUE(manager.currentListReadOnly());

  {
    WordListManager other(dir.str().c_str()); // another running copy marks a word and renames the list
    other.current().add(Span("三"));
    ASSERT_TRUE(other.saveVersion());
    for (auto const& list : other.wordLists())
      if (std::string(list->baseName()) == "words") {
        list->setDisplayName("Theirs");
        ASSERT_TRUE(other.save(*list));
      }
  }
  dialog.editDialog = [](EditWordListDialogData& d) {
    d.readOnly = false;
    return true;
  };
  controller.onEditWordList(dialog);
  WordListManager reloaded(dir.str().c_str());
  EXPECT_EQ(wordsOf(reloaded.current()), std::set<std::string>{"三"});
  EXPECT_FALSE(reloaded.currentListReadOnly());
  EXPECT_EQ(rows(controller), (std::vector<std::string>{"[Known]", "Theirs"}))
      << "the other copy's name, not the one read before";
  // Cancel changes nothing.
  dialog.editDialog = [](EditWordListDialogData& d) {
    d.name = "Other";
    return false;
  };
  controller.onEditWordList(dialog);
  EXPECT_EQ(rows(controller), (std::vector<std::string>{"[Known]", "Theirs"}));
}

// Another running copy holds a list's lock: briefly, and the command goes through after waiting; for
// longer, and the command says so, logs a warning and leaves the dialog showing what is there.
TEST_F(ManageWordListsControllerTest, AListHeldByAnotherCopy) {
  addList("Held", {"一"});
  addList("Other", {"二"});
  manager.current().add(Span("三")); // in "known", so that clearing it changes something
  manager.setCurrent("held");
  ManageWordListsController controller(application, manager); // lists: Held, [Known], Other
  const std::string locks = dir.str() + "/wordlists/";
  auto holdWhile = [&](const char* base, int milliseconds, std::function<void()> const& command) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
      try {
        NamedFileLock lock(locks.c_str(), base);
        (void)!write(ready[1], "x", 1);
        usleep(useconds_t(milliseconds) * 1000);
      } catch (...) {
      }
      _exit(0); // never back into the test runner
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    close(ready[1]);
    EXPECT_NO_THROW(command());
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
  };
  qmtest::LogCapture log({"WARN"}); // only warnings are kept
  dialog.editDialog = [](EditWordListDialogData& d) {
    d.name = "Renamed";
    return true;
  };
  const struct {
    const char* command;
    const char* held;
    std::function<void()> run;
    const char* current; // afterwards
    const char* warning;
  } cases[] = {
      {"switch", "other", [&] { controller.onChangeWordList(dialog, 2); }, "held",
       "Unable to switch word lists"},
      {"copy", "other",
       [&] {
         create(
             controller, [](auto& d) { d.name = "Copy", d.source = 1; }, "Other");
       },
       "held", "Unable to create a word list"},
      // The switch to the neighbour goes through; the held list is not deleted.
      {"delete", "held", [&] { controller.onDeleteWordList(dialog); }, "known", "Error deleting list 'held'"},
      {"edit", "known", [&] { controller.onEditWordList(dialog); }, "known", "Error saving 'known'"},
      // Cleared here, and stored once the other copy lets go.
      {"clear", "known", [&] { controller.onClearWordList(dialog); }, "known", "Unable to save list 'known'"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.command);
    answers.shown.clear();
    const int refreshes = dialog.populated + dialog.previews;
    holdWhile(c.held, 3000, c.run);
    EXPECT_EQ(answers.shown.back(), "Word list in use");
    EXPECT_STREQ(manager.currentList(), c.current);
    EXPECT_EQ(rows(controller), (std::vector<std::string>{"Held", "[Known]", "Other"}));
    EXPECT_EQ(rows(controller)[controller.currentWordList(dialog)],
              c.current == std::string("held") ? "Held" : "[Known]");
    EXPECT_GT(dialog.populated + dialog.previews, refreshes); // shows what is in the folder
    EXPECT_NE(log.all().find(c.warning), std::string::npos) << log.all();
  }
  EXPECT_EQ(controller.totalWords(dialog), 0u);
  EXPECT_TRUE(manager.saveVersion());
  EXPECT_TRUE(wordsOf(WordListManager(dir.str().c_str()).wordHash("known")).empty());

  // Held briefly: the command waits and goes through.
  answers.shown.clear();
  holdWhile("other", 200, [&] { controller.onChangeWordList(dialog, 2); });
  EXPECT_STREQ(manager.currentList(), "other");
  EXPECT_EQ(wordsOf(manager.current()), std::set<std::string>{"二"});
  EXPECT_TRUE(answers.shown.empty());
}
