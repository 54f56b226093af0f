// Runs Lua test scripts for the script host's tests: scripts given as source are written into a temporary
// folder, fixtures live under tests/script/scripts. The resources (level lists, a small CC-CEDICT file)
// are a temporary copy of tests/script/resources, so a test may change them.
#pragma once

#include "dictionary/dictionary.h"
#include "script/luastate.h"
#include "script/qellua.h"
#include "script/qelstate.h"
#include "support/nodictionary.h"
#include "support/tempdir.h"
#include "text/wordhash.h"
#include "utils/countingoutputstream.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

inline std::string scriptFixture(const char* name) {
  return std::string(QM_SCRIPT_FIXTURES) + "/scripts/" + name;
}

struct ScriptResult {
  int status = 0;      // of the run, or of the load when it failed
  std::string message; // errorMessage()
  std::string output;  // what print and write wrote, through the counting stream
  size_t counted = 0;  // the counting stream's total
};

inline std::filesystem::path copyOfResources(TempDir const& dir) {
  std::filesystem::copy(std::string(QM_SCRIPT_FIXTURES) + "/resources", dir.path(),
                        std::filesystem::copy_options::recursive);
  return dir.path();
}

class ScriptHostTest : public ::testing::Test {
protected:
  ScriptHostTest() {
    currentWords.add(Span("我"));
    currentWords.add(Span("好"));
    useDictionary(std::make_unique<NoDictionary>());
  }
  void useDictionary(std::unique_ptr<Dictionary> d) {
    state.reset();
    dictionary = std::move(d);
    state = std::make_unique<qelLua::QelState>(*dictionary, currentWords);
  }

  std::string writeScript(std::string const& source) {
    const auto path = scripts / ("script" + std::to_string(++count) + ".lua");
    writeFile(path, source);
    return path.string();
  }
  // Loads and runs the file inline, its output going through a counting stream as in the program.
  ScriptResult runFile(std::string const& path) {
    QelLua lua(*state);
    if (memoryLimit) lua.setMemoryLimit(memoryLimit);
    MemoryOutputStream out;
    CountingOutputStream counting;
    counting.setTarget(&out);
    lua.setOutputStream(counting);
    ScriptResult r;
    r.status = lua.load(path.c_str());
    if (r.status == 0) {
      lua.run(false);
      r.status = lua.result();
    }
    r.message = lua.errorMessage();
    counting.flush();
    r.output = std::string(out.view());
    r.counted = counting.total();
    return r;
  }
  ScriptResult run(std::string const& source) { return runFile(writeScript(source)); }
  // Runs prefix + each source: each must end in a Lua error whose message holds the text given with it.
  void expectErrors(std::string const& prefix,
                    std::vector<std::pair<std::string, std::string>> const& cases) {
    for (auto const& [source, message] : cases) {
      SCOPED_TRACE(source);
      const ScriptResult r = run(prefix + source);
      EXPECT_EQ(r.status, 2) << r.output;
      EXPECT_NE(r.message.find(message), std::string::npos) << r.message;
    }
  }

  // Each call (a Lua expression) is shown on a line of its own with every result through tostring (line ends
  // escaped), under pcall, once in a state of the Lua library alone and once through the runner: the lines
  // must be the same, error messages too.
  void expectAnswersOfTheLibrary(std::vector<std::string> const& calls) {
    std::string body = "local lines = {}\nlocal function show(...)\n  local t = table.pack(...)\n"
                       "  for i = 1, t.n do t[i] = tostring(t[i]):gsub('\\n', '\\\\n') end\n  lines[#lines + "
                       "1] = table.concat(t, '|')\nend\n";
    for (std::string const& call : calls)
      body += "show(pcall(function() return " + call + " end))\n";
    // The same file for both, so that error messages name the same chunk.
    const std::string path = writeScript(body + "return table.concat(lines, '\\n')");
    LuaState library;
    ASSERT_EQ(luaL_loadfile(library.state(), path.c_str()), LUA_OK);
    ASSERT_EQ(lua_pcall(library.state(), 0, 1, 0), LUA_OK) << lua_tostring(library.state(), -1);
    size_t length = 0;
    const char* answers = lua_tolstring(library.state(), -1, &length);
    std::string expected = std::string(answers, length) + "\n";
    writeFile(path, body + "print(table.concat(lines, '\\n'))");
    const auto r = runFile(path);
    ASSERT_EQ(r.status, 0) << r.message;
    // Line by line, so that a difference names its call.
    std::string actual = r.output;
    for (std::string const& call : calls) {
      SCOPED_TRACE(call);
      const size_t e = expected.find('\n'), a = actual.find('\n');
      ASSERT_NE(a, std::string::npos);
      EXPECT_EQ(actual.substr(0, a), expected.substr(0, e));
      expected.erase(0, e + 1);
      actual.erase(0, a + 1);
    }
    EXPECT_EQ(actual, expected);
  }

  TempDir resources;
  ScopedEnv resourcesEnv{"QUILLMERE_RESOURCES", copyOfResources(resources).string()};
  TempDir scripts;
  WordHash currentWords{16};
  std::unique_ptr<Dictionary> dictionary;
  std::unique_ptr<qelLua::QelState> state;
  size_t memoryLimit = 0; // of the runs; 0: the runner's default

private:
  int count = 0;
};

} // namespace qmtest
