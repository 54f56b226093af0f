// Hostile scripts (also under AddressSanitizer and ThreadSanitizer): none crashes or ends the host, each that
// used to escape kill ends as killed within a second of it, a script past its memory bound ends alone, a
// runner whose script ignores the kill is destroyed within its bound, and the stoppable library functions
// answer as the library's.
#include "documentscripts.h"

#include "encoding/fileconverter.h"
#include "script/luastate.h"
#include "support/blockingdictionary.h"
#include "support/logcapture.h"
#include "support/testlocale.h"

#include <lua.hpp>

#include <condition_variable>
#include <dlfcn.h>
#include <fstream>
#include <mutex>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using qmtest::BlockingDictionary;

class QelLuaSafetyTest : public qmtest::DocumentScriptTest {
protected:
  // Runs the script (after the prelude) inline in a child process, so that a crash fails its case rather
  // than the whole binary. A child that dies gets status -1 and the cause as its message.
  qmtest::ScriptResult runInChild(std::string const& source) {
    const std::string path = writeScript(std::string(qmtest::SCRIPT_PRELUDE) + source);
    int fds[2];
    if (pipe(fds) != 0) return {-1, "no pipe", "", 0};
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      alarm(60);
      const qmtest::ScriptResult r = runFile(path);
      const std::string report =
          std::to_string(r.status) + "\n" + std::to_string(r.message.size()) + "\n" + r.message + r.output;
      const bool written = ::write(fds[1], report.data(), report.size()) == ssize_t(report.size());
      _exit(written ? 0 : 1);
    }
    close(fds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
      report.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return {-1, WIFSIGNALED(status) ? "died of signal " + std::to_string(WTERMSIG(status)) : "failed", "",
              0};
    qmtest::ScriptResult r;
    size_t at = report.find('\n');
    r.status = std::stoi(report.substr(0, at));
    const size_t next = report.find('\n', at + 1);
    const size_t length = std::stoul(report.substr(at + 1, next - at - 1));
    r.message = report.substr(next + 1, length);
    r.output = report.substr(next + 1 + length);
    return r;
  }

  // A script (after the prelude) that writes once it is about to enter what must be stopped.
  struct KillCase {
    const char* name;
    std::string source;
  };
  // Runs each script on a thread of its own, kills it just after it has written, and expects it to end as
  // killed within a second.
  void expectEachKilledWithinASecond(std::vector<KillCase> const& cases) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      QelLua lua(*state);
      lua.setMemoryLimit(size_t(16) << 30); // a character list reserves for a word per three bytes
      CountingOutputStream out;
      lua.setOutputStream(out);
      ASSERT_EQ(lua.load(writeScript(std::string(qmtest::SCRIPT_PRELUDE) + c.source).c_str()), 0);
      lua.run(true);
      for (int i = 0; i < 6000 && out.total() == 0 && lua.running(); ++i)
        std::this_thread::sleep_for(10ms);
      std::this_thread::sleep_for(100ms);
      ASSERT_TRUE(lua.running()) << lua.errorMessage();
      lua.kill();
      const bool stopped = lua.waitUntilEnded(1s);
      EXPECT_TRUE(stopped);
      if (!stopped) lua.waitUntilEnded(60s);
      EXPECT_EQ(lua.result(), 2);
      EXPECT_STREQ(lua.errorMessage(), "Script Killed");
    }
  }

  std::string corpus = quoted((qmtest::sharedDataDir() / "corpus/pku_test.utf8").string());
};

// The file of the Lua library this program runs on, as a Lua string: a script that loads it gets a fresh
// os library, exit included.
std::string luaLibrary() {
  Dl_info info{};
  dladdr(reinterpret_cast<void*>(&lua_close), &info);
  return info.dli_fname ? info.dli_fname : "";
}

TEST_F(QelLuaSafetyTest, HostileScriptsEndInALuaErrorNotACrash) {
  qmtest::writeFile(files / "doc.txt", "我们喜欢中国。\n你好！\n");
  const std::string doc = quoted((files / "doc.txt").string());
  const std::string chunk = quoted((files / "chunk.lua").string());
  const std::string resurrect = R"(do
  local wl = qel.hskLevel(1)
  setmetatable({}, {__gc = function() kept = wl end})
end
collectgarbage() collectgarbage()
)";
  const struct {
    const char* name;
    std::string source;
    int status;
    std::string message; // a part of it
    std::string output;
  } cases[] = {
      {"a list passed as a temporary",
       "local a = qel.WordList()\na:addFromWordList(qel.hskLevel(1, 6))\n"
       "print(#a == #qel.hskLevel(1, 6))",
       0, "", "true\n"},
      {"lists of characters passed as temporaries",
       "local chars = qel.WordList()\nfor line in qel.Document(" + corpus +
           ", {process = false}):lines() do chars:addFromWordList(line:characterList()) end\nprint(#chars)",
       0, "", "2907\n"},
      {"a list's __gc as a method", "local wl = qel.hskLevel(1)\nwl:__gc()\nwl:addWord('x')", 2,
       "attempt to call a nil value (method '__gc')", ""},
      {"a list's __gc from its metatable", "local wl = qel.hskLevel(1)\ngetmetatable(wl).__gc(wl)", 2,
       "attempt to call a nil value (field '__gc')", ""},
      {"a document's __gc while its statistics are read",
       "local d = qel.Document(" + doc +
           ")\nd:allStatistics(setmetatable({}, {__index = function() qel.Document.__gc(d) end}))",
       2, "attempt to call a nil value (field '__gc')", ""},
      {"a collected list handed back by a finalizer, adding a word", resurrect + "kept:addWord('x')", 2,
       "WordList - the list is no longer available", ""},
      {"a collected list handed back by a finalizer, adding a file",
       resurrect + "kept:addFromFile(" + doc + ")", 2, "WordList - the list is no longer available", ""},
      {"statistics options whose __index makes a list",
       "local d = qel.Document(" + doc +
           ")\nprint(#d:knownStatistics(setmetatable({}, {__index = function(_, key)\n"
           "  if key == 'wordList' then return qel.hskLevel(1, 6) end\n"
           "  collectgarbage() collectgarbage()\nend})))",
       0, "", "3\n"},
      {"the debug library through package.loaded",
       "package.loaded.debug.setmetatable(qel.Text('x'), getmetatable(qel.WordList()))\n"
       "qel.Text('x'):addWord('y')",
       2, "attempt to index a nil value (field 'debug')", ""},
      {"the debug library by require", "require 'debug'", 2, "module 'debug' not found", ""},
      {"a C library by package.loadlib",
       "package.loadlib(" + quoted(luaLibrary()) + ", 'luaopen_os')().exit(7)", 2,
       "attempt to call a nil value (field 'loadlib')", ""},
      {"a C library along package.cpath",
       "package.cpath = " + quoted(luaLibrary()) + "\npackage.loaded.os = nil\nrequire('os').exit(7)", 2,
       "module 'os' not found", ""},
      {"the program's memory as a file",
       "print(io.open('/proc/self/mem', 'r+'))\nprint(pcall(io.output, '/proc/thread-self/mem'))", 0, "",
       "nil\t/proc/self/mem: Permission denied\t13\n"
       "false\tcannot open file '/proc/thread-self/mem' (Permission denied)\n"},
      {"the program's locale", "print(os.setlocale('C.UTF-8'), os.setlocale(), os.setlocale('C'))", 0, "",
       "nil\tC\tC\n"},
      {"a write to a pipe nobody reads",
       "local p = io.popen('exit 0', 'w')\nos.execute('sleep 0.2')\nprint(p:write(('x'):rep(1 << 20)))", 0,
       "", "nil\tBroken pipe\t32\n"},
      {"empty pieces repeated without end", "print(#(''):rep(math.maxinteger), #(''):rep(1e15, ''))", 0, "",
       "0\t0\n"},
      {"precompiled chunks",
       "local binary = 'attempt to load a binary chunk'\n"
       "local function refused(ok, message)\n"
       "  return not ok and message:find(binary, 1, true) ~= nil\nend\n"
       "local f = io.open(" +
           chunk +
           ", 'wb')\n"
           "f:write(string.dump(function() return 1 end))\nf:close()\n"
           "package.path = " +
           quoted((files / "?.lua").string()) +
           "\n"
           "print(refused(load(string.dump(function() end))), refused(loadfile(" +
           chunk +
           ")),\n"
           "  refused(pcall(dofile, " +
           chunk +
           ")), refused(pcall(require, 'chunk')),\n"
           "  refused(load(string.dump(function() end), 'x', 'bt')))",
       0, "", "true\ttrue\ttrue\ttrue\ttrue\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = runInChild(c.source);
    EXPECT_EQ(r.status, c.status) << r.message;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
    EXPECT_EQ(r.output, c.output);
  }
}

TEST_F(QelLuaSafetyTest, KilledScriptsEndAsKilledWithinASecond) {
  const std::string fifo = (files / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string text = "local f = io.open(" + corpus +
                           ", 'rb')\nlocal t = qel.Text(f:read('a'):rep(160))\nf:close()\ncollectgarbage()\n";
  const std::string blocked = "local f = io.open(" + quoted(fifo) + ", 'r+')\n";
  const std::string loop = "function() while true do end end";
  // Each operation on them is one instruction to the kill hook.
  const std::string lists = "local function list(p)\n  local l = qel.WordList()\n"
                            "  for i = 1, 200000 do l:addWord(p .. i) end\n  return l\nend\n"
                            "local a, b = list('a'), list('b')\n";
  const std::string master = quoted((qmtest::resourcesDir() / "data/words.u8").string());
  // Long texts walked in one call: malformed bytes, which no character iterator hands out, and a sentence
  // of truncated sequences, the slowest to walk.
  const std::string malformed = "local t = qel.Text(('\\255'):rep(1024):rep(320 << 10))\ncollectgarbage()\n";
  const std::string truncated =
      "local t = qel.Text(('\\226\\128'):rep(512):rep(384 << 10))\ncollectgarbage()\n";
  const std::string heap = "local keep = {}\nfor i = 1, 1e6 do keep[i] = {} end\n";
  const std::string utf16 = quoted((files / "utf16.txt").string());
  // A command that moves itself into the program's own process group, out of the one it was started in.
  const std::string leftItsGroup = "\"exec perl -e 'setpgrp(0, getpgrp(getppid())); sleep 30'\"";
  const std::vector<KillCase> cases = {
      {"a message handler of the kill that loops", "qel.write('r')\nxpcall(" + loop + ", " + loop + ")"},
      {"a message handler of an error that loops", "qel.write('r')\nxpcall(error, " + loop + ")"},
      {"a finalizer that loops", "setmetatable({}, {__gc = " + loop + "})\nqel.write('r')\ncollectgarbage()"},
      {"a finalizer given after setmetatable", "local mt = {__gc = true}\nsetmetatable({}, mt)\nmt.__gc = " +
                                                   loop + "\nqel.write('r')\ncollectgarbage()"},
      {"a finalizer that loops as the script ends",
       "setmetatable({}, {__gc = " + loop + "})\nqel.write('r')"},
      {"a finalizer put on io's files", "getmetatable(io.stdout).__gc = " + loop +
                                            "\nio.open('/dev/null')\nqel.write('r')\ncollectgarbage()\n"
                                            "while true do end"},
      {"a pattern that backtracks", "qel.write('r')\nstring.find(('a'):rep(100000), '.-.-.-b')"},
      {"a shell command", "qel.write('r')\nos.execute('sleep 30')"},
      {"a read of a blocked input", blocked + "io.input(f)\nqel.write('r')\nio.read()"},
      {"blocked reads caught in a loop", blocked + "qel.write('r')\nwhile true do pcall(f.read, f) end"},
      {"a child's output", "qel.write('r')\nio.popen('sleep 30'):read('a')"},
      {"a shell command that left its process group", "qel.write('r')\nos.execute(" + leftItsGroup + ")"},
      {"a child that left its process group",
       "local p = io.popen(" + leftItsGroup + ")\nqel.write('r')\np:read('a')"},
      {"the word list of a long text", text + "qel.write('r')\nt:wordList()"},
      {"a cloze text of a long text", text + "qel.write('r')\nt:clozeText('中国')"},
      {"unions of large lists", lists + "qel.write('r')\nwhile true do local c = a + b end"},
      {"intersections of large lists", lists + "qel.write('r')\nwhile true do local c = a - (a - b) end"},
      {"differences of large lists", lists + "qel.write('r')\nwhile true do local c = a - b end"},
      {"large lists added to lists",
       lists + "qel.write('r')\nwhile true do qel.WordList():addFromWordList(a) end"},
      {"large word-list files", "qel.write('r')\nwhile true do qel.WordList(" + master + ") end"},
      {"document reads over a large list",
       lists + "local d = qel.Document(" + master +
           ")\nqel.write('r')\n"
           "while true do d:knownWords(a) d:knownStatistics{wordList = a} end"},
      {"a table moved a long way", "qel.write('r')\ntable.move({}, 1, math.maxinteger - 1, 2)"},
      {"a table whose length has no end", "qel.write('r')\ntable.remove(setmetatable({}, {__len = function() "
                                          "return math.maxinteger - 1 end}), 1)"},
      {"characters past a long run of malformed bytes",
       malformed + "qel.write('r')\nfor c in t:characters() do end"},
      {"the character list of a long run of malformed bytes",
       malformed + "qel.write('r')\nt:characterList()"},
      {"one long sentence", truncated + "qel.write('r')\nt:sentences()()"},
      {"a large UTF-16 document converted",
       "local f = io.open(" + utf16 +
           ", 'wb')\nf:write('\\255\\254', ('\\17\\98'):rep(192 << 20))\nf:close()\n"
           "qel.write('r')\nqel.Document(" +
           utf16 + ", {process = false})"},
      {"a sort of many numbers",
       "local t = {}\nfor i = 1, 4e6 do t[i] = i * 7919 % 4000037 end\nqel.write('r')\ntable.sort(t)"},
      {"full collections of a large heap", heap + "qel.write('r')\nwhile true do collectgarbage() end"},
      {"full collections in a coroutine",
       heap + "qel.write('r')\ncoroutine.wrap(function() while true do collectgarbage() end end)()"},
      {"joins of a long string",
       "local s = ('x'):rep(64 << 20)\nqel.write('r')\nwhile true do local j = s .. s end"},
      {"a string repeated many times", "qel.write('r')\nlocal s = ('x'):rep(2e9)"},
      {"a read of an endless file", "local f = io.open('/dev/zero', 'rb')\nqel.write('r')\nf:read('a')"},
  };
  expectEachKilledWithinASecond(cases);
  // The conversion stopped by the kill left no partial copy.
  std::error_code ec;
  EXPECT_TRUE(std::filesystem::is_empty(FileConverter::folder().c_str(), ec) || ec);
}

// A killed command ends and is reaped, leaving no zombie, also when it has left the process group it was
// started in; one that cannot be reaped yet (a tracer has the first claim on its end) does not hold the run,
// which ends within a second, and is reaped once it can be.
TEST_F(QelLuaSafetyTest, AKilledCommandEndsAndIsReapedWithoutHoldingTheRun) {
  const auto pidFile = files / "pid";
  const std::string record = "echo $$ > " + pidFile.string() + "; exec ";
  for (const bool traced : {false, true}) {
    SCOPED_TRACE(traced ? "held by a tracer" : "out of its process group");
    std::filesystem::remove(pidFile);
    QelLua lua(*state);
    CountingOutputStream out;
    lua.setOutputStream(out);
    const std::string command = traced ? "sleep 30" : "perl -e \"setpgrp(0, getpgrp(getppid())); sleep 30\"";
    ASSERT_EQ(lua.load(writeScript("os.execute('" + record + command + "')").c_str()), 0);
    lua.run(true);
    pid_t pid = 0;
    for (int i = 0; i < 500 && pid <= 0; ++i) {
      std::this_thread::sleep_for(10ms);
      std::ifstream(pidFile) >> pid;
    }
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(100ms); // perl has left its group
    // The tracer seizes the command, says whether it could, and holds it until its pipe is closed.
    int said[2], hold[2];
    ASSERT_EQ(pipe(said), 0);
    ASSERT_EQ(pipe(hold), 0);
    const pid_t tracer = traced ? fork() : -1;
    if (tracer == 0) {
      close(said[0]);
      close(hold[1]);
      const char seized = ptrace(PTRACE_SEIZE, pid, nullptr, nullptr) == 0 ? 'y' : 'n';
      char c;
      if (write(said[1], &seized, 1) == 1) (void)!read(hold[0], &c, 1);
      _exit(0);
    }
    close(said[1]);
    close(hold[0]);
    char seized = 'n';
    if (traced) (void)!read(said[0], &seized, 1);
    close(said[0]);
    lua.kill();
    const bool stopped = lua.waitUntilEnded(1s);
    // Gone within a second of the kill, or of the tracer's end.
    const auto reaped = [pid] {
      for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(10ms))
        if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
      return false;
    };
    const bool reapedWhileHeld = traced && reaped();
    close(hold[1]);
    if (traced) waitpid(tracer, nullptr, 0);
    EXPECT_TRUE(reaped());
    if (!stopped) lua.waitUntilEnded(60s);
    if (traced && seized != 'y') GTEST_SKIP() << "no process can be traced here";
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(reapedWhileHeld);
    EXPECT_STREQ(lua.errorMessage(), "Script Killed");
  }
}

// The standard library's calls that walk a long input in one call, and a kill caught by the script, in the
// program's locale; and comparisons in the reader's collation.
TEST_F(QelLuaSafetyTest, KilledLibraryCallsEndWithinASecond) {
  const qmtest::ReaderLocale reader;
  // Walked in one call of the library: a format of options that take no value, a text, a numeral.
  const std::string format = "local f = (' '):rep(1 << 20):rep(512)\n";
  // One and two bytes long at random, which no branch predictor guesses: the slowest walk of characters.
  const std::string longText = "local t = {}\nmath.randomseed(1)\n"
                               "for i = 1, 1 << 16 do t[i] = math.random(2) == 1 and 'x' or '\\u{e9}' end\n"
                               "local s = table.concat(t):rep(8192)\n";
  const std::string find = "s:find(p, 1, true) ";
  const std::string repeating = "local s, p = ('a'):rep(1 << 26), ('a'):rep(1 << 14) .. 'b'\n";
  // A class read at every place of the text, whole where the character is not in it.
  const std::string longClass = "local class = ('a'):rep(600 << 10)\nlocal s = ('b'):rep(1 << 20)\n";
  std::vector<KillCase> cases = {
      {"a plain find over repeating text", repeating + "qel.write('r')\n" + find},
      {"a long format measured", format + "qel.write('r')\nstring.packsize(f)"},
      {"a long format packed", format + "qel.write('r')\nstring.pack(f)"},
      {"a long format unpacked", format + "qel.write('r')\nstring.unpack(f, '')"},
      {"the characters of a long text counted", longText + "qel.write('r')\nutf8.len(s)"},
      {"a long numeral in a base", "local s = ('1'):rep(1 << 20):rep(512)\nqel.write('r')\ntonumber(s, 36)"},
      // The statements before leave room in the code for the chain, whose every 'and' walks the ones before.
      {"a chunk slow to parse", "local s = ('x = 1 '):rep(300000) .. 'return ' .. ('a and '):rep(60000) .. "
                                "'a'\nqel.write('r')\nload(s)"},
      // Nothing after the pcall checks for kill but what ends a caught kill.
      {"a kill caught by pcall, with a loop after it on its line",
       "local t = {}\nfor i = 1, 4e6 do t[i] = i * 7919 % 4000037 end\nqel.write('r')\n"
       "pcall(table.sort, t) while true do end"},
      {"a long class found", longClass + "qel.write('r')\ns:find('[' .. class .. ']')"},
      {"a long complemented class repeated",
       longClass + "qel.write('r')\nfor w in s:gmatch('[^' .. class .. ']+') do end"},
      {"a long pattern tried at every place",
       "local s, p = ('a'):rep(1 << 18), ('a'):rep(1 << 17) .. 'b.'\nqel.write('r')\ns:find(p)"},
  };
  // Lua compares strings with strcoll: in the reader's collation one comparison of these takes seconds.
  if (reader.active())
    cases.push_back({"long strings compared",
                     "local s = ('中文 '):rep(9 << 20)\nlocal a, b = s .. 'a', s .. 'b'\n"
                     "qel.write('r')\nwhile true do local c = a < b end"});
  expectEachKilledWithinASecond(cases);
  if (!reader.active()) GTEST_SKIP() << "no zh_CN.UTF-8 locale: no strings were compared in its collation";
}

// Lua's own memory, the word lists' sets and the documents count; the collector keeps pace with those that
// are dropped.
TEST_F(QelLuaSafetyTest, AScriptPastItsMemoryBoundEndsAlone) {
  memoryLimit = 64 << 20;
  const std::string list = "local a = qel.WordList()\nfor i = 1, 100000 do a:addWord(i) end\n";
  qmtest::writeFile(files / "doc.txt", "我们喜欢中国。\n");
  const std::string doc = "local doc = " + quoted((files / "doc.txt").string()) + "\n";
  const struct {
    const char* name;
    std::string source;
    bool fits;
  } cases[] = {
      {"a table of strings", "local t = {}\nfor i = 1, 4e6 do t[i] = 'x' .. i end", false},
      {"one long string", "local s = ('x'):rep(256 << 20)", false},
      {"word lists kept", list + "local keep = {}\nfor i = 1, 40 do keep[i] = a + qel.WordList() end", false},
      {"the reader's words grown", "local k = qel.knownWords()\nfor i = 1, 3e6 do k:addWord(i) end", false},
      {"word lists dropped", list + "for i = 1, 100 do local c = a + qel.WordList() end", true},
      {"documents kept", doc + "local keep = {}\nfor i = 1, 200 do keep[i] = qel.Document(doc) end", false},
      {"documents dropped", doc + "for i = 1, 200 do local d = qel.Document(doc) end", true},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = run(std::string(qmtest::SCRIPT_PRELUDE) + c.source);
    EXPECT_EQ(r.status == 0, c.fits) << r.message;
    EXPECT_EQ(r.message.find("not enough memory") != std::string::npos, !c.fits) << r.message;
  }
  memoryLimit = 0;
  EXPECT_EQ(run("print('the host goes on')").output, "the host goes on\n");
}

TEST_F(QelLuaSafetyTest, DestroyingARunnerLetsGoOfAScriptThatIgnoresTheKill) {
  auto owned = std::make_unique<BlockingDictionary>();
  BlockingDictionary const& blocking = *owned;
  useDictionary(std::move(owned));
  qmtest::LogCapture log({"WARN"});
  CountingOutputStream out;
  auto lua = std::make_unique<QelLua>(*state);
  lua->setOutputStream(out);
  ASSERT_EQ(lua->load(writeScript("local qel = require 'qel'\nqel.dictionary():definitions('我')\n"
                                  "for i = 1, 1e6 do qel.write(i) end")
                          .c_str()),
            0);
  lua->run(true);
  blocking.waitUntilEntered();
  const auto start = std::chrono::steady_clock::now();
  lua.reset();
  EXPECT_LE(std::chrono::steady_clock::now() - start, QelLua::DESTROY_WAIT + 1s);
  EXPECT_NE(log.all().find("did not stop"), std::string::npos) << log.all();
  // The script goes on once the look-up returns, and then stops at once: killed, its output nowhere.
  blocking.release();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(out.total(), 0u);
}

TEST_F(QelLuaSafetyTest, StoppableFunctionsAnswerAsTheLibrary) {
  expectAnswersOfTheLibrary({
      "('hello world'):find('o w')",
      "('hello world'):find('o', -3)",
      "('hello world'):find('l', 20)",
      "('hello'):find('', 10)",
      "('a.b'):find('.', 1, true)",
      "('key = value'):match('(%w+)%s*=%s*(%w+)')",
      "('hello'):match('()ll()')",
      "('  x'):match('^%s*(.-)%s*$')",
      "('THE (quick) fox'):find('%f[%a]%a+', 5)",
      "('f(a(b)c)d'):match('%b()')",
      "('abcabc'):match('(a)(b)c%1%2')",
      "('x'):match('%')",
      "('x'):match('[a')",
      "('x'):match('(x')",
      "('x'):match('x)')",
      "('x'):match('%1')",
      "('x'):find('%g+%f')",
      "('x'):match(('('):rep(40) .. 'x' .. (')'):rep(40))",
      "('a,b,,c'):gsub(',', ';')",
      "('hello world'):gsub('o', {o = '0'})",
      "('hello world'):gsub('%w+', function(w) return w:upper() end, 1)",
      "('abc'):gsub('', '-')",
      "('abc'):gsub('(b)', '%1%1%0%%')",
      "('abc'):gsub('b', '%2')",
      "('abc'):gsub('b', '%x')",
      "('abc'):gsub('b', {b = true})",
      "('abc'):gsub('b', 1)",
      "('abc'):gsub('^a', 'A')",
      "(function() local t = {} for k, v in ('a=1, b=2'):gmatch('(%w+)=(%w+)') do t[#t + 1] = k .. v end "
      "return table.concat(t, ' ') end)()",
      "(function() local t = {} for w in ('one two  three'):gmatch('%a*') do t[#t + 1] = '[' .. w .. ']' end "
      "return table.concat(t) end)()",
      "(function() local t = {} for p in ('abc'):gmatch('()') do t[#t + 1] = p end return table.concat(t, "
      "',') end)()",
      "string.gsub('x', '.', '%')",
      "(function() local t = {} for c in ('acdglpsuwxACDGLPSUWXz'):gmatch('.') do "
      "t[#t + 1] = select(2, ('Hello, World 42!\\t\\0x\\127中文'):gsub('%' .. c, '')) end "
      "return table.concat(t, ',') end)()",
      "('a_b-C9 中'):gsub('[%w_]+', '<%0>')",
      // Classes and captures longer than a megabyte are read a piece at a time: items across the pieces'
      // ends.
      "(function() local t = {} for k = -3, 3 do local a = ('a'):rep((1 << 20) + k) "
      "t[#t + 1] = tostring(('5'):find('[' .. a .. '%d]')) .. tostring(('5'):find('[' .. a .. '0-9]')) "
      "t[#t + 1] = tostring(('5'):find('[^' .. a .. '0-9]')) end return table.concat(t, ',') end)()",
      "('xyz'):match('[^' .. ('a'):rep(3 << 20) .. ']+'), ('x'):find('[' .. ('a'):rep(3 << 20) .. 'x]')",
      "('THE (quick) fox'):find('%f[' .. ('a'):rep(3 << 20) .. '%a]%a+', 5)",
      "('x'):find('[' .. ('a'):rep(3 << 20))",
      "('x'):find('[' .. ('a'):rep(1 << 20) .. '%')",
      "(function() local h = ('ab'):rep(3 << 19) return #(h .. '=' .. h):match('^([ab]+)=%1$'), "
      "(h .. '=' .. h:sub(1, -2) .. 'c'):match('^([ab]+)=%1$') == nil end)()",
      "string.find(nil, 'x')",
      "('ab'):rep(3, ',')",
      "('x'):rep(0), ('x'):rep(-1, 'y'), (''):rep(5), (''):rep(2, ',')",
      "('x'):rep('n')",
      "(function() local t = {1, 2, 3} table.insert(t, 2, 'x') table.insert(t, 'y') "
      "return table.concat(t, ',') end)()",
      "(function() local t = {1, 2, 3} return table.remove(t, 1), table.remove(t), table.concat(t, ',') "
      "end)()",
      "(function() local t = {} return table.remove(t), table.remove(t, 0), table.remove(t, 1), #t end)()",
      "table.remove({1, 2}, 5)",
      "table.insert({1, 2}, 5, 'x')",
      "table.insert({}, 1, 2, 3)",
      "table.insert(1, 2)",
      "(function() local log = {} local t = setmetatable({}, {__index = function(_, k) return k * 10 end, "
      "__newindex = function(_, k, v) log[#log + 1] = k .. '=' .. v end, __len = function() return 3 end}) "
      "table.insert(t, 2, 'x') table.remove(t, 1) return table.concat(log, ' ') end)()",
      "(function() local t = {1, 2, 3, 4} table.move(t, 1, 3, 2) return table.concat(t, ',') end)()",
      "(function() local t = {1, 2, 3, 4} table.move(t, 2, 4, 1) return table.concat(t, ',') end)()",
      "table.concat(table.move({1, 2}, 1, 2, 2, {7}), ',')",
      "table.move({}, 1, math.maxinteger, 2)",
      "table.move({}, -1, math.maxinteger, 1)",
      "#table.move({1}, 3, 2, 1)",
      "(function() local t = {5, 2, 8, 1, 9, 3} table.sort(t) return table.concat(t, ',') end)()",
      "(function() local t = {} for i = 1, 300 do t[i] = (i * 37) % 101 end table.sort(t, function(a, b) "
      "return a > b end) return table.concat(t, ',') end)()",
      "(function() local t = {'b', 'a', 'c'} table.sort(t, function(a, b) return a < b end) "
      "return table.concat(t) end)()",
      "table.sort({1, 2, 3}, function() return true end)",
      "table.sort({5, 4, 3, 2, 1, 6, 7, 8, 9, 10}, function() return true end)",
      "(function() local t = {5, 4, 3, 2, 1, 6, 7, 8, 9, 10} pcall(table.sort, t, function(a, b) return a <= "
      "b "
      "end) return #t end)()",
      "table.sort({3, 'x', 1})",
      "table.sort({1, 2}, 5)",
      "table.sort(5)",
      "(function() local log = {} local t = setmetatable({}, {__index = function(_, k) return 4 - k end, "
      "__newindex = function(_, k, v) log[#log + 1] = k .. '=' .. v end, __len = function() return 3 end}) "
      "table.sort(t) return table.concat(log, ' ') end)()",
      "table.concat({1, 'a', 2.5}, ', ')",
      "table.concat({1, 2, 3}, '-', 2, 3), table.concat({1, 2}, '-', 3), table.concat({}, 'x')",
      "table.concat({1, {}, 3})",
      "table.concat({1, 2}, '', 1, 5)",
      "('x'):rep(1e10)",
      "('x'):rep(3, ('ab'):rep(2))",
      "collectgarbage('count') > 0, collectgarbage(), collectgarbage('step'), collectgarbage('isrunning')",
      "collectgarbage('bogus')",
      "coroutine.resume(coroutine.create(function(a, b) local c = coroutine.yield(a + b) return c * 2 end), "
      "1, 2)",
      "(function() local co = coroutine.create(function(x) coroutine.yield(x) return 'done' end) "
      "local r = {coroutine.resume(co, 1)} r[#r + 1] = tostring(coroutine.resume(co)) "
      "r[#r + 1] = select(2, coroutine.resume(co)) return table.concat(r, ',') end)()",
      "coroutine.resume(coroutine.create(function() error('boom') end))",
      "(function() local ok, e = coroutine.resume(coroutine.create(function() error({}) end)) return ok, "
      "type(e) end)()",
      "coroutine.resume(5)",
      "coroutine.resume(coroutine.running())",
      "(function() local f = coroutine.wrap(function(a) local b = coroutine.yield(a * 2) return b + 1 end) "
      "return f(4), f(10) end)()",
      "coroutine.wrap(function() error('wrapped') end)()",
      "(function() local f = coroutine.wrap(function() end) f() return f() end)()",
      "coroutine.wrap(5)",
      // A value that is no table needs the metamethods the function uses, which a string lacks.
      "table.sort('a')",
      "table.concat('abc')",
      "table.insert('abc', 1)",
      "table.concat(setmetatable({}, {__index = function() return 'x' end}))",
      "table.sort(setmetatable({}, {__index = function() return 1 end, __len = function() return 2 end}))",
      "table.concat(setmetatable({}, {__len = function() return 2 end}))",
      "table.move({}, 1, 2, 1, 'x')",
  });
}

} // namespace
