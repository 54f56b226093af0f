#include "script/qelmodule.h"

#include "script/luastate.h"
#include "scriptrun.h"
#include "support/waituntil.h"

#include <gtest/gtest.h>

#include <lua.hpp>

class QelModuleTest : public qmtest::ScriptHostTest {};

TEST_F(QelModuleTest, PrintAndWriteFormats) {
  const auto r = runFile(qmtest::scriptFixture("print_formats.lua"));
  ASSERT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(r.output, "1\tnil\ttrue\n"
                      "ab\t2.5\n"
                      "\tx\t\n"
                      "table text\n");
  EXPECT_EQ(r.counted, r.output.size());
}

TEST_F(QelModuleTest, PrintErrors) {
  expectErrors(
      "", {
              {"tostring = function() return {} end print(1)", "'tostring' must return a string to 'print'"},
              {"print(setmetatable({}, {__tostring = function() error('inside tostring') end}))",
               "inside tostring"},
          });
}

TEST_F(QelModuleTest, ManyLinesReachTheStreamWhole) {
  const auto r = run("for i = 1, 5000 do print(i, ('x'):rep(i % 1500)) end");
  ASSERT_EQ(r.status, 0) << r.message;
  size_t lines = 0, expected = 0;
  for (int i = 1; i <= 5000; ++i)
    expected += std::to_string(i).size() + 1 + size_t(i % 1500) + 1;
  for (char c : r.output)
    lines += c == '\n';
  EXPECT_EQ(lines, 5000u);
  EXPECT_EQ(r.output.size(), expected);
  EXPECT_EQ(r.counted, expected);
}

TEST_F(QelModuleTest, WithoutOutputStreamPrintDoesNothing) {
  LuaState lua;
  lua_State* L = lua.state();
  luaL_requiref(L, "qel", qelLua::luaopen_qel, 0);
  lua_pop(L, 1);
  ASSERT_EQ(luaL_loadstring(L, "print(1, 2) require('qel').write('a') return 'done'"), LUA_OK);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), LUA_OK) << lua_tostring(L, -1);
  EXPECT_STREQ(lua_tostring(L, -1), "done");
}

// The run-script window polls the size from the main thread while the script writes on its own.
TEST_F(QelModuleTest, OutputSizeGrowsWhileTheScriptRuns) {
  QelLua lua(*state);
  MemoryOutputStream out;
  CountingOutputStream counting;
  counting.setTarget(&out);
  lua.setOutputStream(counting);
  ASSERT_EQ(lua.load(writeScript("while true do print('line') end").c_str()), 0);
  lua.run(true);
  EXPECT_TRUE(qmtest::waitUntil([&] { return counting.total() >= 100000; }));
  lua.kill();
  ASSERT_TRUE(lua.waitUntilEnded(std::chrono::seconds(20)));
  EXPECT_STREQ(lua.errorMessage(), "Script Killed");
  counting.flush();
  EXPECT_EQ(out.size(), counting.total());
  EXPECT_EQ(out.size() % 5, 0u); // whole lines only
}
