#include "script/qelfilerequest.h"

#include "scriptrun.h"
#include "support/waituntil.h"
#include "utils/messagecenter.h"

#include <gtest/gtest.h>

#include <optional>

using namespace std::chrono_literals;
using Kind = QelLua::FileChooser::Kind;

namespace {

// Records each request; answers at once with the given paths, or keeps the answer for later.
class FakeChooser : public QelLua::FileChooser {
public:
  void choose(Kind kind, Text const& title, Answer answer) override {
    kinds.push_back(kind);
    titles.push_back(std::string(title.view()));
    if (holdAnswer)
      held = answer;
    else
      answer(paths);
  }
  std::vector<Text> paths;
  bool holdAnswer = false;
  Answer held;
  std::vector<Kind> kinds;
  std::vector<std::string> titles;
};

} // namespace

class QelFileRequestTest : public qmtest::ScriptHostTest {
protected:
  // Runs source on a worker thread while this thread plays the main thread, draining the message queue.
  qmtest::ScriptResult runThreaded(std::string const& source, QelLua::FileChooser* chooser) {
    QelLua lua(*state);
    MemoryOutputStream out;
    lua.setOutputStream(out);
    lua.setFileChooser(chooser);
    qmtest::ScriptResult r;
    r.status = lua.load(writeScript(source).c_str());
    if (r.status != 0) return r;
    lua.run(true);
    EXPECT_TRUE(qmtest::waitUntil([&] {
      MessageCenter::instance().processMessages();
      return lua.waitUntilEnded(1ms);
    }));
    r.status = lua.result();
    r.message = lua.errorMessage();
    r.output = std::string(out.view());
    return r;
  }

  FakeChooser chooser;
};

TEST_F(QelFileRequestTest, ChoosersReturnTheAnswerOnTheScriptThread) {
  const struct {
    const char* source;
    std::vector<Text> paths;
    Kind kind;
    std::string title;
    std::string output;
  } cases[] = {
      {"print(qel.askUserForFileToOpen())", {"/a"}, Kind::openFile, "Please choose a file", "/a\n"},
      {"local p = qel.askUserForFileToOpen{allowMultiple = true}\n"
       "local n = 0 for i, v in ipairs(p) do n = n + 1 end print(#p, n, p[1], p[2])",
       {"/1", "/2"},
       Kind::openFiles,
       "Please choose one or more files",
       "2\t2\t/1\t/2\n"},
      {"print(qel.askUserForFileToOpen{title = ('x'):rep(1100)})",
       {},
       Kind::openFile,
       std::string(1024, 'x'),
       "nil\n"},
      {"print(qel.askUserForDirectory(42))", {}, Kind::directory, "42", "nil\n"},
      {"print(qel.askUserForFileToSave())", {"/s.txt"}, Kind::saveFile, "", "/s.txt\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    chooser = FakeChooser();
    chooser.paths = c.paths;
    const auto r = runThreaded(std::string("local qel = require 'qel'\n") + c.source, &chooser);
    EXPECT_EQ(r.status, 0) << r.message;
    EXPECT_EQ(r.output, c.output);
    ASSERT_EQ(chooser.kinds.size(), 1u);
    EXPECT_EQ(chooser.kinds[0], c.kind);
    EXPECT_EQ(chooser.titles[0], c.title);
  }
}

TEST_F(QelFileRequestTest, ArgumentErrors) {
  const struct {
    const char* source;
    const char* message;
  } cases[] = {
      {"qel.askUserForFileToOpen('x')", "qel.askUserForFileToOpen expects a table as a parameter"},
      {"qel.askUserForDirectory('a', 'b')", "qel.askUserForDirectory expects no more than 1 parameter"},
      {"qel.askUserForFileToSave(true)", "qel.askUserForFileToSave expects a string parameter"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const auto r = runThreaded(std::string("local qel = require 'qel'\n") + c.source, &chooser);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
    EXPECT_TRUE(chooser.kinds.empty());
  }
}

TEST_F(QelFileRequestTest, WithoutChooserOrInlineTheAnswerIsNil) {
  const char* source =
      "local qel = require 'qel' print(qel.askUserForFileToOpen(), qel.askUserForDirectory())";
  auto r = runThreaded(source, nullptr);
  EXPECT_EQ(r.output, "nil\tnil\n");
  // Inline the script runs on the main thread itself, which would wait for its own answer.
  QelLua lua(*state);
  MemoryOutputStream out;
  lua.setOutputStream(out);
  lua.setFileChooser(&chooser);
  ASSERT_EQ(lua.load(writeScript(source).c_str()), 0);
  lua.run(false);
  EXPECT_EQ(lua.result(), 0);
  EXPECT_EQ(out.view(), "nil\tnil\n");
  EXPECT_TRUE(chooser.kinds.empty());
}

TEST_F(QelFileRequestTest, KillWakesAScriptWaitingForAChooser) {
  chooser.holdAnswer = true;
  chooser.paths = {"/late"};
  QelLua::FileChooser::Answer late;
  {
    QelLua lua(*state);
    lua.setFileChooser(&chooser);
    ASSERT_EQ(lua.load(writeScript("local qel = require 'qel'\n"
                                   "pcall(qel.askUserForFileToOpen)\n"
                                   "while true do end")
                           .c_str()),
              0);
    lua.run(true);
    ASSERT_TRUE(qmtest::waitUntil([&] {
      MessageCenter::instance().processMessages();
      return bool(chooser.held);
    }));
    lua.kill();
    ASSERT_TRUE(lua.waitUntilEnded(20s));
    EXPECT_EQ(lua.result(), 2);
    EXPECT_STREQ(lua.errorMessage(), "Script Killed");
    late = chooser.held;
  }
  late({Text("/late")}); // the reader answers after the runner is gone
}

TEST_F(QelFileRequestTest, RequestQueuedForAGoneRunnerShowsNothing) {
  {
    QelLua lua(*state);
    lua.setFileChooser(&chooser);
    ASSERT_EQ(lua.load(writeScript("local qel = require 'qel' qel.askUserForFileToSave()").c_str()), 0);
    lua.run(true);
    ASSERT_TRUE(qmtest::waitUntil([] { return MessageCenter::instance().pendingMessages() > 0; }));
    lua.kill();
    ASSERT_TRUE(lua.waitUntilEnded(20s));
    lua.setFileChooser(nullptr);
  }
  MessageCenter::instance().processMessages();
  EXPECT_TRUE(chooser.kinds.empty());
}
