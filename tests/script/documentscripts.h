// The fixture of the text and document script tests: ScriptHostTest over the shipped resources (the real
// master word list and level lists), with a prelude of helpers that every script gets.
#pragma once

#include "scriptrun.h"

#include "text/segmentengine.h"

#include <string>

namespace qmtest {

// write: its arguments through tostring, joined with nothing between; join(iterator): every value the
// iterator yields, through tostring, separated by "|".
inline const char* const SCRIPT_PRELUDE = R"(local qel = require "qel"
local function write(...)
  local t = {}
  for i = 1, select("#", ...) do t[i] = tostring((select(i, ...))) end
  qel.write(table.concat(t))
end
local function join(it, a, b)
  local t = {}
  for v in it, a, b do t[#t + 1] = tostring(v) end
  return table.concat(t, "|")
end
)";

class DocumentScriptTest : public ScriptHostTest {
protected:
  // Runs source after the prelude; a failed run fails the test with its message.
  std::string output(std::string const& source) {
    const ScriptResult r = run(std::string(SCRIPT_PRELUDE) + source);
    EXPECT_EQ(r.status, 0) << r.message;
    return r.output;
  }
  // Runs source after the prelude and returns the error message of the failed run.
  std::string failure(std::string const& source) {
    const ScriptResult r = run(std::string(SCRIPT_PRELUDE) + source);
    EXPECT_NE(r.status, 0) << r.output;
    return r.message;
  }
  // A Lua string literal of text.
  static std::string quoted(std::string const& text) {
    std::string q = "\"";
    for (unsigned char c : text) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\%03u", c);
      q += escape;
    }
    return q + "\"";
  }

  ScopedEnv shipped{"QUILLMERE_RESOURCES", resourcesDir().string()};
  TempDir files;
};

} // namespace qmtest
