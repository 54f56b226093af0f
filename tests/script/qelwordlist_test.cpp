#include "script/qelwordlist.h"

#include "scriptrun.h"
#include "support/resourcelimits.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

class QelWordListTest : public qmtest::ScriptHostTest {
protected:
  std::string quoted(std::filesystem::path const& p) { return "'" + p.string() + "'"; }
};

TEST_F(QelWordListTest, Algebra) {
  const auto r = runFile(qmtest::scriptFixture("wordlist_algebra.lua"));
  ASSERT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(r.output, "sizes\t3\t2\t4\t2\t1\t0\n"
                      "sum\ttrue\ttrue\tfalse\n"
                      "self\ttrue\t3\n"
                      "added\t4\t2\n"
                      "prefix\tfalse\ttrue\n"
                      "words\t中国,我\n"
                      "numbers\ttrue\ttrue\tfalse\n");
}

// A list written out word by word reads back whole; byte-order marks, CR and CR LF, an empty file and
// an unfinished last line are all read.
TEST_F(QelWordListTest, SaveAndLoadFilesOfEveryShape) {
  const auto saved = scripts / "saved.txt";
  qmtest::writeFile(scripts / "empty.txt", "");
  qmtest::writeFile(scripts / "crlf.txt", "\xEF\xBB\xBF甲\r\n乙\r丙\n丙");
  const auto r = run("local qel = require 'qel'\n"
                     "local a = qel.WordList()\n"
                     "for i = 1, 5000 do a:addWord('词' .. i) end\n"
                     "local f = assert(io.open(" +
                     quoted(saved) +
                     ", 'w'))\n"
                     "for w in a:words() do f:write(w, '\\n') end\n"
                     "f:close()\n"
                     "local b = qel.WordList(" +
                     quoted(saved) +
                     ")\n"
                     "local e = qel.WordList() e:addFromFile(" +
                     quoted(scripts / "empty.txt") +
                     ")\n"
                     "local c = qel.WordList() c:addFromFile(" +
                     quoted(scripts / "crlf.txt") +
                     ")\n"
                     "print(#b, #(a - b), #(b - a), #e, #c, c:contains('甲'), c:contains('乙'))\n");
  ASSERT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(r.output, "5000\t0\t0\t0\t3\ttrue\ttrue\n");
}

TEST_F(QelWordListTest, Errors) {
  const std::string missing = (scripts / "missing.txt").string();
  expectErrors("local qel = require 'qel'\n",
               {
                   {"qel.WordList('" + missing + "')",
                    "qel.WordList() - error loading WordList from file '" + missing + "'."},
                   {"qel.WordList('a', 'b')", "qel.WordList() - expects 1 or 0 parameters"},
                   {"qel.WordList():addFromFile('" + missing + "')",
                    "WordList:addFromFile - unable to add words from '" + missing +
                        "', please check the file exists."},
                   {"tostring = function() return nil end qel.WordList():addWord(1)",
                    "WordList:addWord() - cannot convert parameter to string"},
                   {"tostring = function() return {} end qel.WordList():contains(1)",
                    "WordList:contains() - cannot convert parameter to string"},
                   {"local x = qel.WordList() + 1", "qel.WordList expected"},
                   {"qel.WordList():addFromWordList(qel.dictionary())", "qel.WordList expected"},
                   {"qel.hskLevel(0, 9)", "HSK level cannot be less than 1"},
                   {"qel.hskLevel(7)", "HSK level cannot be greater than 6"},
                   {"qel.tocflLevel(6)", "TOCFL level cannot be greater than 5"},
                   {"qel.tocflLevel(4, 1)", "TOCFL upper level cannot be lower than the lower level"},
               });
}

TEST_F(QelWordListTest, IteratorKeepsItsListAliveAndEndsWhenTheListIsRebuilt) {
  const auto r =
      run("local qel = require 'qel'\n"
          "local it = (function() local l = qel.WordList() l:addWord('a') return l:words() end)()\n"
          "collectgarbage() collectgarbage()\n"
          "print(it(), it())\n"
          "local grow = qel.WordList() grow:addWord('x')\n"
          "local seen = 0\n"
          "for w in grow:words() do\n"
          "  seen = seen + 1\n"
          "  for i = 1, 5000 do grow:addWord(w .. i) end\n"
          "end\n"
          "print(seen > 0, #grow > 5000)\n");
  ASSERT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(r.output, "a\tnil\ntrue\ttrue\n");
}

// The script gets a copy: changing it must not change the reader's word list.
TEST_F(QelWordListTest, KnownAndLookedUpWordsAreCopies) {
  state->lookedUpWords().add(Span("查"));
  const auto r = run("local qel = require 'qel'\n"
                     "local k = qel.knownWords()\n"
                     "print(#k, k:contains('我'), #qel.lookedUpWords(), qel.lookedUpWords():contains('查'))\n"
                     "k:addWord('新')\n"
                     "print(#(k + qel.lookedUpWords()))\n");
  ASSERT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(r.output, "2\ttrue\t1\ttrue\n4\n");
  EXPECT_EQ(currentWords.exists(Span("新")), 0u);
  EXPECT_EQ(currentWords.totalWords(), 2u);
}

TEST_F(QelWordListTest, Levels) {
  const auto r =
      run("local qel = require 'qel'\n"
          "print(#qel.hskLevel(2), qel.hskLevel(2):contains('老师'), qel.hskLevel(2):contains('我'))\n"
          "print(#qel.hskLevel(1, 6), #qel.hskLevel(1, 2), #qel.hskLevel(6))\n"
          "print(#qel.tocflLevel(1, 5), #qel.tocflLevel(5), qel.tocflLevel(2):contains('學生'))\n");
  ASSERT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(r.output, "3\ttrue\tfalse\n11\t6\t2\n8\t0\ttrue\n");
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Lists made in a loop must be collected as they go: with the address space capped at 256 MiB more than in
// use, a thousand sums of two 20,000-word lists (about 1.5 MiB each) must still run to the end.
TEST_F(QelWordListTest, ListsMadeInALoopDoNotExhaustMemory) {
  const std::string path = writeScript("local qel = require 'qel'\n"
                                       "local a, b = qel.WordList(), qel.WordList()\n"
                                       "for i = 1, 20000 do a:addWord('a' .. i) b:addWord('b' .. i) end\n"
                                       "for i = 1, 1000 do local c = a + b end\n");
  EXPECT_EXIT(
      {
        QelLua lua(*state);
        if (lua.load(path.c_str()) != 0) _exit(3);
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = qmtest::addressSpaceInUse() + (256u << 20);
        setrlimit(RLIMIT_AS, &limit);
        lua.run(false);
        _exit(lua.result() == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
#endif
