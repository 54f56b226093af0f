#include "script/qellua.h"

#include "scriptrun.h"
#include "support/resourcelimits.h"
#include "support/testlocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <thread>

using namespace std::chrono_literals;
using qmtest::scriptFixture;

class QelLuaTest : public qmtest::ScriptHostTest {};

TEST_F(QelLuaTest, LoadFailuresReportStatusAndCause) {
  const std::string missing = (scripts / "missing.lua").string();
  qmtest::writeFile(scripts / "binary.lua", "\x1bLua"); // the signature alone makes a precompiled chunk
  const struct {
    const char* name;
    std::string path;
    int status;
    std::string inMessage;
  } cases[] = {
      {"missing file", missing, 7, missing},
      {"null path", "", 7, "cannot open"},
      {"a folder", scripts.str(), 7, scripts.str()},
      {"syntax error names its line", scriptFixture("syntax_error.lua"), 3, "syntax_error.lua:3:"},
      {"a precompiled chunk", (scripts / "binary.lua").string(), 3, "attempt to load a binary chunk"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QelLua lua(*state);
    EXPECT_EQ(lua.load(c.path.empty() ? nullptr : c.path.c_str()), c.status);
    EXPECT_NE(std::string(lua.errorMessage()).find(c.inMessage), std::string::npos) << lua.errorMessage();
    lua.run(false); // a failed load leaves nothing to run
    EXPECT_FALSE(lua.running());
    EXPECT_NE(lua.result(), 0);
  }
}

TEST_F(QelLuaTest, EnvironmentHasModulesButNoDebugGlobal) {
  const auto r = runFile(scriptFixture("environment.lua"));
  ASSERT_EQ(r.status, 0) << r.message;
  const std::string resources = this->resources.str();
  EXPECT_NE(r.output.find("qel\ttable\tfunction\tfunction\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("lfs\ttable\tfunction\ttable\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("debug\tnil\tnil\n"), std::string::npos) << r.output;
  const std::string pathEnd = ";" + resources + "/lua/?.lua\n";
  EXPECT_TRUE(r.output.ends_with(pathEnd)) << r.output;
}

// os.exit would end the reader's program with the script.
TEST_F(QelLuaTest, OsExitRaisesAnErrorAndTheHostSurvives) {
  const auto r = runFile(scriptFixture("exit.lua"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.message.find("os.exit"), std::string::npos) << r.message;
  EXPECT_TRUE(r.output.starts_with("false\t")) << r.output;
  EXPECT_EQ(r.output.find("not reached"), std::string::npos);
}

TEST_F(QelLuaTest, NonStringErrorObjectsGiveReadableMessages) {
  expectErrors(
      "", {
              {"error(nil)", "(error object is a nil value)"},
              {"error(setmetatable({}, {__tostring = function() return 'custom text' end}))", "custom text"},
              {"error(setmetatable({}, {__tostring = function() error('again') end}))",
               "(error object is a table value)"},
              {"error(setmetatable({}, {__tostring = function() return {} end}))",
               "(error object is a table value)"},
          });
}

TEST_F(QelLuaTest, KillStopsEndlessLoopsEvenInsidePcall) {
  for (const char* name : {"endless.lua", "endless_pcall.lua", "endless_coroutine.lua"}) {
    SCOPED_TRACE(name);
    QelLua lua(*state);
    ASSERT_EQ(lua.load(scriptFixture(name).c_str()), 0);
    lua.run(true);
    EXPECT_TRUE(lua.running()); // set before the thread starts
    EXPECT_STREQ(lua.errorMessage(), "");
    EXPECT_FALSE(lua.waitUntilEnded(30ms));
    lua.kill();
    ASSERT_TRUE(lua.waitUntilEnded(20s));
    EXPECT_FALSE(lua.running());
    EXPECT_EQ(lua.result(), 2);
    EXPECT_STREQ(lua.errorMessage(), "Script Killed");
  }
}

// The script's thread shares the program data: once the runner is gone, nothing holds the data but its
// owner (the script has ended), and no more output comes.
TEST_F(QelLuaTest, DestroyingARunningRunnerStopsItsScript) {
  auto data = std::make_shared<qelLua::QelState>(*dictionary, currentWords);
  CountingOutputStream out;
  auto lua = std::make_unique<QelLua>(data);
  lua->setOutputStream(out);
  ASSERT_EQ(lua->load(writeScript("while true do require('qel').write('x') end").c_str()), 0);
  lua->run(true);
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (out.total() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  ASSERT_GT(out.total(), 0u);
  const auto start = std::chrono::steady_clock::now();
  lua.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, QelLua::DESTROY_WAIT) << "waited out, not stopped";
  EXPECT_EQ(data.use_count(), 1) << "the script's thread still holds the program data";
  const size_t written = out.total();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(out.total(), written);
}

TEST_F(QelLuaTest, RunnerCanLoadAndRunAgainAfterAThreadedRun) {
  QelLua lua(*state);
  MemoryOutputStream out;
  lua.setOutputStream(out);
  for (const char* source : {"print('first')", "print('second')"}) {
    SCOPED_TRACE(source);
    ASSERT_EQ(lua.load(writeScript(source).c_str()), 0);
    lua.run(true);
    ASSERT_TRUE(lua.waitUntilEnded(20s));
    EXPECT_EQ(lua.result(), 0) << lua.errorMessage();
  }
  EXPECT_EQ(out.view(), "first\nsecond\n");
}

// No thread can start: the run must end as failed rather than leave its owner polling a run that never began.
TEST_F(QelLuaTest, RunWhoseThreadCannotStartEndsAsFailed) {
  QelLua lua(*state);
  ASSERT_EQ(lua.load(scriptFixture("endless.lua").c_str()), 0);
  {
    qmtest::NoNewThreads noThreads;
    lua.run(true);
  }
  EXPECT_FALSE(lua.running());
  EXPECT_NE(lua.result(), 0);
  EXPECT_STRNE(lua.errorMessage(), "");
}

// lfs.chdir moves the whole process: each run puts the working folder back however it ends, and a
// threaded script's move reaches no other thread while it runs.
TEST_F(QelLuaTest, AScriptsWorkingFolderDoesNotOutliveItsRun) {
  qmtest::TempDir home, elsewhere;
  struct Kept {
    std::filesystem::path folder = std::filesystem::current_path();
    ~Kept() { std::filesystem::current_path(folder); }
  } kept;
  std::filesystem::current_path(home.path());
  const std::string move = "require('lfs').chdir('" + elsewhere.str() + "')\n";
  const struct {
    const char* name;
    std::string source;
    bool killed; // once it has written
  } endings[] = {
      {"an end", move, false},
      {"an error", move + "error('x')", false},
      {"a finalizer as the state closes", "setmetatable({}, {__gc = function() " + move + " end})", false},
      {"a kill", move + "require('qel').write('r')\nwhile true do end", true},
  };
  for (bool threaded : {false, true}) {
    for (auto const& ending : endings) {
      SCOPED_TRACE(std::string(ending.name) + (threaded ? ", threaded" : ", inline"));
      if (ending.killed && !threaded) continue; // only another thread can kill it
      QelLua lua(*state);
      CountingOutputStream out;
      lua.setOutputStream(out);
      ASSERT_EQ(lua.load(writeScript(ending.source).c_str()), 0);
      lua.run(threaded);
      if (ending.killed) {
        for (int i = 0; i < 2000 && out.total() == 0; ++i)
          std::this_thread::sleep_for(10ms);
        EXPECT_EQ(std::filesystem::current_path(), home.path()) << "moved while the script runs";
        lua.kill();
      }
      ASSERT_TRUE(lua.waitUntilEnded(20s));
      EXPECT_EQ(std::filesystem::current_path(), home.path());
      const auto r = run("local f = assert(io.open('written.txt', 'w'))\nf:close()");
      EXPECT_EQ(r.status, 0) << r.message;
      EXPECT_TRUE(std::filesystem::exists(home / "written.txt"));
      EXPECT_FALSE(std::filesystem::exists(elsewhere / "written.txt"));
      std::filesystem::remove(home / "written.txt");
    }
  }
}

// Lua compares strings with strcoll: a script's thread collates in byte order, as the stock interpreter
// does, and os.setlocale tells it the locale it has; the program keeps the reader's collation, also on the
// thread that ran a script inline.
TEST_F(QelLuaTest, ScriptsCollateInByteOrderAndAreToldTheirLocale) {
  const qmtest::ReaderLocale reader;
  if (!reader.active()) GTEST_SKIP() << "no zh_CN.UTF-8 locale, and localedef could not build one";
  const std::string chinese = std::setlocale(LC_COLLATE, nullptr);
  const auto r = run("local t = {'b', 'B', 'a'}\ntable.sort(t)\nprint(table.concat(t), 'a' < 'B')\n"
                     "for _, c in ipairs{'all', 'collate', 'ctype', 'numeric', 'time', 'monetary'} do\n"
                     "  print(os.setlocale(nil, c))\nend\n"
                     "print(os.setlocale('" +
                     chinese + "', 'collate'), os.setlocale('C', 'collate'), os.setlocale('" + chinese +
                     "', 'ctype'), os.setlocale('C'))");
  ASSERT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(uselocale(locale_t(0)), LC_GLOBAL_LOCALE);
  EXPECT_LT(std::strcoll("a", "B"), 0);
  // The C library's name for the script's locale: the program's, collating in byte order.
  std::setlocale(LC_COLLATE, "C");
  EXPECT_EQ(r.output, "Bab\tfalse\n" + std::string(std::setlocale(LC_ALL, nullptr)) + "\nC\n" + chinese +
                          "\nC\n" + chinese + "\n" + chinese + "\nnil\tC\t" + chinese + "\tnil\n");
}
