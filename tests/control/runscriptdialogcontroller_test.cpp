// The run-script controller against a recording window and the real script runner: runs that finish, fail,
// are killed or replaced, output copied and saved, a script left waiting on a chooser, and the program data
// a script sees.
#include "control/runscriptdialogcontroller.h"

#include "control/scriptreaper.h"
#include "documents/documentmanager.h"
#include "script/qellua.h"
#include "script/qelstate.h"
#include "support/blockingdictionary.h"
#include "support/fakerunscriptdialog.h"
#include "support/nodictionary.h"
#include "support/tempdir.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "utils/messagecenter.h"
#include "views/clipboard.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

namespace {

using qmtest::FakeRunScriptDialog;

using qmtest::NoDictionary;

// Keeps every request and answers none until told.
class WaitingChooser : public QelLua::FileChooser {
public:
  void choose(Kind, Text const&, Answer answer) override { answers.push_back(std::move(answer)); }
  std::vector<Answer> answers;
};

// While it lives, the process's files cannot grow past bytes: a write beyond fails as on a full disk. In the
// process itself rather than a child, since a child of a threaded process may not start threads of its own.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) : oldHandler(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{bytes, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
  }
  FileSizeLimit(FileSizeLimit const&) = delete;
  FileSizeLimit& operator=(FileSizeLimit const&) = delete;

private:
  rlimit old{};
  void (*oldHandler)(int);
};

bool eventually(std::function<bool()> const& done) {
  for (int i = 0; i < 2000; ++i) {
    MessageCenter::instance().processMessages();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class RunScriptDialogControllerTest : public testing::Test {
protected:
  RunScriptDialogControllerTest() {
    known.add(Span("我"));
    dialog.saveToClipboard = true;
    Clipboard().setText(Span("before"));
  }
  void TearDown() override {
    EXPECT_TRUE(eventually([] { return ScriptReaper::instance().poll() == 0; }))
        << "a stopped run never ended";
  }

  std::string script(std::string const& source) {
    const auto path = dir / ("script" + std::to_string(++count) + ".lua");
    qmtest::writeFile(path, source);
    return path.string();
  }
  // Polls as the window's timer does, until the run has been shown as ended.
  bool finish(RunScriptDialogController& c) {
    return eventually([&] {
      c.onTimer(dialog);
      return !dialog.running;
    });
  }
  void run(std::string const& source) {
    controller->runScript(dialog, script(source).c_str());
    ASSERT_TRUE(finish(*controller));
  }
  static std::string clipboard() { return std::string(Clipboard().text().view()); }

  qmtest::TempDir dir;
  NoDictionary dictionary;
  WordHash known{16};
  int statesMade = 0;
  FakeRunScriptDialog dialog;
  std::unique_ptr<RunScriptDialogController> controller = std::make_unique<RunScriptDialogController>(
      [this] {
        ++statesMade;
        return std::make_shared<qelLua::QelState>(dictionary, known);
      },
      RunScriptDialogData());

private:
  int count = 0;
};

TEST_F(RunScriptDialogControllerTest, FinishedRunsShowTheirSizeAndCopyWhenAsked) {
  // 70,000 bytes: more than the counting stream holds back, so the copy shows it was flushed into the file.
  const std::string big(69999, 'x');
  const struct {
    const char* name;
    std::string source;
    std::string size;
    std::string clipboard;
    std::string copyResult;
  } cases[] = {
      {"no output", "local x = 1", "0", "before", "Nothing to copy"},
      {"large output", "print(string.rep('x', 69999))", "70,000", big + "\n", "Copied output to clipboard"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    run(c.source);
    EXPECT_EQ(dialog.status, "Finished");
    EXPECT_FALSE(dialog.error);
    EXPECT_NE(dialog.details.find("\nOutput Size: " + c.size + " bytes"), std::string::npos)
        << dialog.details;
    EXPECT_EQ(clipboard(), c.clipboard);
    controller->outputToClipboard(dialog);
    EXPECT_EQ(dialog.copyResult, c.copyResult);
  }
  EXPECT_EQ(statesMade, 2) << "each run gets the program's data as it is at its start";
  EXPECT_EQ(controller->data().recentScripts.totalFiles(), 2u);
}

TEST_F(RunScriptDialogControllerTest, FailuresAreShownAndPartialOutputIsKept) {
  controller->runScript(dialog, script("x = = 1").c_str());
  EXPECT_TRUE(dialog.error);
  EXPECT_EQ(dialog.status, "Syntax error in script");
  EXPECT_NE(dialog.details.find(":1:"), std::string::npos) << dialog.details;
  EXPECT_FALSE(dialog.running) << "a script that fails to load never starts";
  controller->runScript(dialog, (dir / "missing.lua").c_str());
  EXPECT_EQ(dialog.status, "Error loading file");

  run("print('partial') error('boom')");
  EXPECT_TRUE(dialog.error);
  EXPECT_EQ(dialog.status, "Error running script");
  EXPECT_NE(dialog.details.find("boom"), std::string::npos) << dialog.details;
  controller->outputToClipboard(dialog);
  EXPECT_EQ(dialog.copyResult, "Copied output to clipboard");
  EXPECT_EQ(clipboard(), "partial\n");
  const std::string saved = (dir / "saved.txt").string();
  controller->outputToFile(dialog, saved.c_str());
  EXPECT_TRUE(dialog.copySuccess);
  EXPECT_EQ(dialog.copyResult, "Saved output to '" + saved + "'");
  EXPECT_EQ(qmtest::readFile(saved), "partial\n");
  controller->outputToFile(dialog, (dir / "no-such-folder" / "x.txt").c_str());
  EXPECT_EQ(dialog.copyResult, "Error saving to file");
  controller->outputToFile(dialog, nullptr);
  EXPECT_EQ(dialog.copyResult, "Nothing to save");
  EXPECT_FALSE(dialog.copySuccess);

  // Output that cannot all be written (the disk fills up) is an error, not "Finished".
  {
    const FileSizeLimit full(100000);
    run("print(string.rep('y', 200000))");
  }
  EXPECT_EQ(dialog.status, "Error writing output file");
  EXPECT_TRUE(dialog.error);

  controller->scriptChanged(dialog, script("--[[\n@qel Says hello.\n]]").c_str());
  EXPECT_EQ(dialog.details, "Says hello.");
  EXPECT_FALSE(dialog.copyShown);
  controller->outputToClipboard(dialog);
  EXPECT_EQ(dialog.copyResult, "Nothing to copy") << "the output belongs to the script run before";
}

TEST_F(RunScriptDialogControllerTest, KillStopsTheScriptAndTheNextRunStarts) {
  controller->runScript(dialog, script("print('started') while true do end").c_str());
  EXPECT_TRUE(dialog.running);
  EXPECT_EQ(dialog.status, "Running");
  EXPECT_EQ(dialog.details, "Running Time: 0.00 seconds\nOutput Size: 0 bytes");
  // A kill stops the script at its next instruction: it is killed once it has written.
  ASSERT_TRUE(eventually([&] {
    controller->onTimer(dialog);
    return dialog.details.find("Output Size: 8 bytes") != std::string::npos;
  })) << dialog.details;
  controller->killScript(dialog);
  ASSERT_TRUE(finish(*controller));
  EXPECT_EQ(dialog.status, "Error running script");
  EXPECT_NE(dialog.details.find("Script Killed"), std::string::npos) << dialog.details;
  controller->outputToClipboard(dialog);
  EXPECT_EQ(clipboard(), "started\n") << "a killed script's output can be copied";

  run("print('again')");
  EXPECT_EQ(dialog.status, "Finished");
  EXPECT_EQ(clipboard(), "again\n");
}

// A new run never waits for the old one: the old one is killed and left to the reaper.
TEST_F(RunScriptDialogControllerTest, ASecondRunReplacesTheFirst) {
  controller->runScript(dialog, script("while true do end").c_str());
  run("print('second')");
  EXPECT_EQ(dialog.status, "Finished");
  EXPECT_EQ(clipboard(), "second\n");
  EXPECT_EQ(dialog.timerStarts, 2);
}

// Closing the window while a script waits for a file chooser: the controller goes at once, and the script
// ends without an answer.
TEST_F(RunScriptDialogControllerTest, AScriptWaitingOnAChooserDoesNotHoldTheWindow) {
  WaitingChooser chooser;
  dialog.chooser = &chooser;
  controller->runScript(dialog, script("local p = require(\"qel\").askUserForFileToOpen() print(p)").c_str());
  ASSERT_TRUE(eventually([&] { return !chooser.answers.empty(); }));
  const auto start = std::chrono::steady_clock::now();
  controller.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the window froze";
  EXPECT_TRUE(eventually([] { return ScriptReaper::instance().poll() == 0; }));
  chooser.answers.front()({Text("/late/answer")}); // an answer after the end touches nothing
}

// A script blocked where no kill reaches it (a look-up that does not return) is left to the reaper: neither a
// new run nor the controller's end waits for it, and it is freed once it ends.
TEST_F(RunScriptDialogControllerTest, AScriptThatWillNotStopIsLeftToTheReaper) {
  for (bool replaced : {true, false}) {
    SCOPED_TRACE(replaced ? "replaced by a new run" : "the controller goes");
    qmtest::BlockingDictionary blocking;
    controller = std::make_unique<RunScriptDialogController>(
        [&] { return std::make_shared<qelLua::QelState>(blocking, known); }, RunScriptDialogData());
    controller->runScript(dialog, script("require('qel').dictionary():definitions('我')").c_str());
    blocking.waitUntilEntered();
    const auto start = std::chrono::steady_clock::now();
    if (replaced)
      controller->runScript(dialog, script("print('next')").c_str());
    else
      controller.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, QelLua::DESTROY_WAIT / 2) << "the main thread waited";
    EXPECT_EQ(ScriptReaper::instance().poll(), 1u) << "the blocked run is the reaper's";
    if (replaced) {
      EXPECT_TRUE(finish(*controller));
      EXPECT_EQ(clipboard(), "next\n");
    }
    blocking.release();
    EXPECT_TRUE(eventually([] { return ScriptReaper::instance().poll() == 0; }));
    controller.reset();
  }
}

// The state a run starts with holds the program's segmentation, open documents and the reader's words.
TEST_F(RunScriptDialogControllerTest, ScriptsSeeTheProgramsData) {
  qmtest::ScopedEnv data("XDG_DATA_HOME", (dir / "xdg").string());
  WordListManager lists((dir / "root").c_str());
  lists.current().add(Span("我"));
  WordHash lookedUp{8};
  lookedUp.add(Span("好"));
  WordHash master{10, nullptr, true};
  ProficiencyLevelHash levels;
  const SegmentEngine chineseOnly(SegmentEngine::ChineseOnly, master);
  DocumentManager documents(master, levels);
  qmtest::writeFile(dir / "open.txt", "我好\n");
  documents.openDocument((dir / "open.txt").c_str(), chineseOnly, false);
  RunScriptDialogController c(
      RunScriptDialogController::programState(dictionary, lists, lookedUp, chineseOnly, documents),
      RunScriptDialogData());
  c.runScript(dialog, script(R"(local qel = require "qel"
print(#qel.openDocuments(), qel.knownWords():contains("我"), qel.lookedUpWords():contains("好"),
      qel.Text("abc 我"):wordList():contains("abc")))")
                          .c_str());
  ASSERT_TRUE(finish(c));
  EXPECT_EQ(dialog.status, "Finished") << dialog.details;
  EXPECT_EQ(clipboard(), "1\ttrue\ttrue\tfalse\n") << "Latin words are no words in the program's mode";
}

} // namespace
