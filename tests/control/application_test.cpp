// Start-up and shutdown of the whole core over a FakeGUI: the program information verified against the key
// built into the program, failures that end in order without touching the user's files, a word list held
// by another running copy or a pipe among the word lists, and the end while a script will not stop.
#include "control/application.h"

#include "control/scriptreaper.h"
#include "script/qellua.h"
#include "script/qelstate.h"
#include "support/blockingdictionary.h"
#include "support/controllerfixture.h"
#include "text/wordhash.h"
#include "utils/filesystem.h"
#include "utils/platform/posix/namedfilelock.h"
#include "views/mainwindowdelegate.h"
#include "views/wordlistdelegate.h"
#include "wordlists/wordlistmanager.h"
#include "wordlists/wordliststate.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

class ApplicationTest : public qmtest::ControllerFixture {
protected:
  // A program-information file in the base folder (looked for after the resources), removed at the end.
  std::string placeInfo(std::string const& folder, std::string const& content) {
    placed.push_back(fs::path(FileSystem::path(CommonDirectory::Base).c_str()) / folder);
    write(placed.back() / "program.properties", content);
    return folder + "/program.properties";
  }
  ~ApplicationTest() override {
    for (fs::path const& p : placed)
      fs::remove_all(p);
  }
  std::vector<fs::path> placed;
};

} // namespace

TEST_F(ApplicationTest, StartsOnlyOnVerifiedProgramInformation) {
  const std::string shipped = qmtest::readFile(qmtest::resourcesDir() / "data/program.properties");
  std::string tampered = shipped;
  tampered.replace(tampered.find("Quillmere"), 9, "Quillmore");
  const std::string tamperedFile = placeInfo("tampered", tampered);
  write(user("data/config"), "[general]\nshowWelcome = true\n");
  const auto before = snapshot(home / "data-home");

  const struct {
    std::string file;
    std::string box;
  } failures[] = {
      {"missing/program.properties", "The program information file is missing."},
      {tamperedFile, "Invalid program info."},
  };
  for (auto const& f : failures) {
    SCOPED_TRACE(f.file);
    Application application(gui);
    EXPECT_FALSE(application.init(f.file.c_str()));
    EXPECT_FALSE(application.init(f.file.c_str())) << "effective once";
    EXPECT_EQ(takeBoxes(), Strings{"Quillmere|" + f.box + "  This program will now exit."});
    EXPECT_EQ(gui.splash.displayed, 0);
    EXPECT_TRUE(log.all().find("Start-up failed") != std::string::npos);
    application.applicationWillTerminate();
    application.shutdown();
  }
  EXPECT_EQ(snapshot(home / "data-home"), before);

  // Converted copies and temporary files of saves: those left by a run that crashed (no process has that
  // id) go from every folder that saves write into; those of a copy still running stay, and so does a
  // look-alike where the program saves nothing.
  const std::string crashed = write(user("converted/999999999/copy.txt"), "x");
  const std::string running = write(user("converted/1/copy.txt"), "x");
  const std::string hex(24, 'A');
  std::vector<std::string> crashedSaves;
  for (const char* folder :
       {"data", "data/script-config", "colour-schemes", "wordlists", "wordlists/lists", "wordlists/cache"})
    crashedSaves.push_back(write(user(folder) / (".x.tmp-999999999-" + hex), "x"));
  const std::string runningSave = write(user("data/.config.tmp-1-" + hex), "x");
  const std::string elsewhere = write(user(".x.tmp-999999999-" + hex), "x");
  {
    Application application(gui);
    ASSERT_TRUE(application.init());
    EXPECT_FALSE(fs::exists(crashed));
    EXPECT_TRUE(fs::exists(running));
    for (std::string const& save : crashedSaves)
      EXPECT_FALSE(fs::exists(save)) << save;
    EXPECT_TRUE(fs::exists(runningSave) && fs::exists(elsewhere));
    EXPECT_EQ(gui.splash.displayed, 1);
    EXPECT_EQ(gui.splash.delegate, &application);
    EXPECT_TRUE(gui.window.calls.empty()) << "the window waits for the splash";
    gui.splash.close();
    EXPECT_EQ(gui.window.calls, (Strings{"restoreState", "show"}));
    EXPECT_EQ(gui.calls, Strings{"welcome"});
    const std::string text = write(docs / "a.txt", "中国");
    EXPECT_TRUE(application.openFile(text.c_str()));
    EXPECT_FALSE(application.openFile((docs / "none.txt").c_str()));
    application.applicationWillTerminate();
    application.shutdown();
  }
  EXPECT_EQ(gui.splash.delegate, nullptr);
  EXPECT_NE(qmtest::readFile(user("data/config")).find("showWelcome = false"), std::string::npos);
}

TEST_F(ApplicationTest, WaitsForAWordListAnotherCopyHoldsAndEndsInOrderWhenItStaysHeld) {
  fs::create_directories(user("wordlists"));
  const Text locks(user("wordlists/").c_str());
  {
    auto held = WordListState::lock(locks, "known");
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      held.reset();
    });
    Application application(gui);
    const bool started = application.init();
    release.join();
    EXPECT_TRUE(started);
    application.shutdown();
  }
  EXPECT_TRUE(takeBoxes().empty());
  const auto before = snapshot(user());
  {
    const auto held = WordListState::lock(locks, "known");
    Application application(gui);
    EXPECT_FALSE(application.init());
    application.shutdown();
  }
  EXPECT_EQ(takeBoxes(),
            Strings{"Quillmere|The word lists are in use by another running copy of the program.  This "
                    "program will now exit."});
  EXPECT_EQ(snapshot(user()), before);
}

// A pipe among the word-list files ends the start with a box that names it, and nothing is changed.
TEST_F(ApplicationTest, APipeAmongTheWordListsIsNamed) {
  fs::create_directories(user("wordlists/objects"));
  const fs::path pipe = user("wordlists/objects/known");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const auto before = snapshot(user());
  {
    Application application(gui);
    EXPECT_FALSE(application.init());
    application.shutdown();
  }
  EXPECT_EQ(takeBoxes(), Strings{"Quillmere|'" + pipe.string() +
                                 "' is not a regular file, so it cannot hold a word list.  Move it out of "
                                 "the word-list folder and start again.  This program will now exit."});
  EXPECT_EQ(snapshot(user()), before);
}

// A script blocked where no kill reaches it (a look-up that does not return) as the program ends: the marks
// are saved and the process ends with status 0, before anything the script's thread may still use is freed.
TEST_F(ApplicationTest, QuittingWhileAScriptWillNotStopSavesAndEndsWell) {
  write(user("data/config"), "[general]\nshowWelcome = false\n");
  const std::string script =
      write(docs / "blocked.lua", "local qel = require 'qel'\n"
                                  "qel.dictionary():definitions('我')\n"
                                  "while true do qel.knownWords():contains('我') end\n");
  EXPECT_EXIT(
      {
        const qmtest::BlockingDictionary blocking;
        {
          Application application(gui);
          if (!application.init()) std::_Exit(2);
          gui.splash.close();
          open("a.txt", "中国中国\n");
          gui.wordList.delegate->rowAction(gui.wordList, 0, true); // 中国 known
          ScriptReaper::Run run;
          run.lua = std::make_unique<QelLua>(std::make_shared<qelLua::QelState>(blocking, WordHash(10)));
          if (run.lua->load(script.c_str()) != 0) std::_Exit(3);
          run.lua->run(true);
          blocking.waitUntilEntered();
          ScriptReaper::instance().adopt(std::move(run));
          application.applicationWillTerminate();
          application.shutdown();
        }
        blocking.release(); // as the program went on to its end, the script would run on
        std::exit(4);
      },
      testing::ExitedWithCode(0), "");
  WordListManager lists(nullptr);
  EXPECT_EQ(lists.current().exists(Span("中国")), WordHash::Word);
}
