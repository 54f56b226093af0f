// Scripts and program documents on two threads, run under ThreadSanitizer in CI: a script reads a program
// document while the main thread pages through it for its view (the script reads through a reader of its
// own), a script waiting for processing is killed, and custom words are added while scripts segment.
#include "documentscripts.h"

#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "documents/textdocument.h"
#include "support/waituntil.h"
#include "text/oldwordlistmanager.h"
#include "text/wordhash.h"
#include "utils/utf8.h"

#include <condition_variable>
#include <mutex>
#include <random>

namespace {

class QelDocumentThreadTest : public qmtest::DocumentScriptTest {};

TEST_F(QelDocumentThreadTest, ScriptReadsLinesWhileTheViewPages) {
  const auto path = qmtest::sharedDataDir() / "corpus/pku_test.utf8";
  OldWordListManager& words = OldWordListManager::instance();
  Document document(path.c_str(), Text("pku"), words.privateMasterList(), words.privateProficiencyLevel(),
                    state->segmentEngine());
  document.processor()->beginProcessing(false);
  state->setOpenDocuments({&document});

  QelLua lua(*state);
  MemoryOutputStream out;
  lua.setOutputStream(out);
  ASSERT_EQ(lua.load(writeScript(R"(local qel = require "qel"
local d = qel.openDocuments()[1]
local lines, found = 0, 0
for round = 1, 3 do
  for l in d:lines() do lines = lines + 1 end
  for w in d:findLinesContaining("中国") do found = found + 1 end
end
qel.write(lines, found > 0 and "found" or "none", #d:allStatistics() > 5000 and "words" or "few"))")
                         .c_str()),
            0);
  lua.run(true);
  // The view pages back and forth through the same document meanwhile.
  TextDocument& view = *document.textDocument();
  std::mt19937 random(7);
  std::vector<char> buffer(TextDocument::PIECE);
  unsigned long pages = 0;
  EXPECT_TRUE(qmtest::waitUntil(
      [&] {
        const unsigned long offset = random() % view.totalBytes();
        const unsigned long start = view.startOfLine(offset);
        view.copyToBuffer(start, buffer.data(),
                          std::min<unsigned long>(buffer.size(), view.nextLine(start) - start));
        document.statisticsForWord(Span("中国"));
        return ++pages >= 100 && !lua.running();
      },
      std::chrono::minutes(1), std::chrono::microseconds(0)));
  ASSERT_TRUE(lua.waitUntilEnded(std::chrono::seconds(60)));
  EXPECT_EQ(lua.result(), 0) << lua.errorMessage();
  EXPECT_EQ(std::string(out.view()), "5835\tfound\twords");
}

// A script that waits for processing is stopped by kill, however long the processing takes.
class BlockingDocument : public Document {
public:
  using Document::Document;
  ~BlockingDocument() override {
    release();
    processor()->cancelProcessing(); // before the members that processToken uses go
  }
  void processToken(Token const& token, unsigned long offset) override {
    {
      std::unique_lock lock(mutex);
      started = true;
      changed.notify_all();
      changed.wait(lock, [this] { return released; });
    }
    Document::processToken(token, offset);
  }
  void waitUntilStarted() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return started; });
  }
  void release() {
    std::lock_guard lock(mutex);
    released = true;
    changed.notify_all();
  }

private:
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool released = false;
};

TEST_F(QelDocumentThreadTest, KillStopsWaitUntilProcessed) {
  qmtest::writeFile(files / "slow.txt", "我喜欢你。\n");
  OldWordListManager& words = OldWordListManager::instance();
  BlockingDocument document((files / "slow.txt").c_str(), Text("slow"), words.privateMasterList(),
                            words.privateProficiencyLevel(), state->segmentEngine());
  state->setOpenDocuments({&document});
  QelLua lua(*state);
  ASSERT_EQ(lua.load(writeScript("local d = require('qel').openDocuments()[1]\nd:startProcessing()\n"
                                 "d:waitUntilProcessed()\n")
                         .c_str()),
            0);
  lua.run(true);
  document.waitUntilStarted();
  lua.kill();
  EXPECT_TRUE(lua.waitUntilEnded(std::chrono::seconds(10)));
  EXPECT_EQ(lua.result(), 2);
  EXPECT_NE(std::string(lua.errorMessage()).find("Script Killed"), std::string::npos);
  document.release();
}

// A kill that is already pending stops a script at its next wait for processing, whichever call waits.
TEST_F(QelDocumentThreadTest, KillStopsProcessingCalls) {
  qmtest::writeFile(files / "doc.txt", "我喜欢你。\n");
  const std::string open = "local d = require('qel').Document(" + quoted((files / "doc.txt").string());
  for (std::string const& script :
       {open + ")", open + ", {process = false})\nd:process()",
        open + ", {process = false})\nd:startProcessing()\nd:waitUntilProcessed()"}) {
    SCOPED_TRACE(script);
    QelLua lua(*state);
    MemoryOutputStream out;
    lua.setOutputStream(out);
    ASSERT_EQ(lua.load(writeScript(script + "\nprint('went on')").c_str()), 0);
    lua.kill(); // before the script has run as many instructions as the kill hook waits for
    lua.run(false);
    EXPECT_EQ(lua.result(), 2);
    EXPECT_NE(std::string(lua.errorMessage()).find("Script Killed"), std::string::npos);
    EXPECT_EQ(std::string(out.view()), "");
  }
}

// The main thread adds custom words to the master list, as the reader does from a selection, while scripts
// segment against it on theirs: one splits a text, one opens the corpus (processed on a worker) and searches
// it. Every word added is then segmented as a word.
TEST_F(QelDocumentThreadTest, CustomWordsAreAddedWhileScriptsSegment) {
  const std::string corpus = quoted((qmtest::sharedDataDir() / "corpus/pku_test.utf8").string());
  const std::string texts = R"(local f = io.open()" + corpus + R"(, "rb")
local text = qel.Text(f:read(100000))
f:close()
local n = 0
for round = 1, 4 do
  for w in text:words() do n = n + 1 end
  n = n + #text:wordList() + #text:clozeText("中国", "_")
end
write(n > 0 and "split" or "none"))";
  const std::string documents = R"(local n = 0
for round = 1, 2 do
  for w in qel.Document()" + corpus +
                                R"():findWord("中国") do n = n + 1 end
end
write(n > 0 and "found" or "none"))";
  OldWordListManager& master = OldWordListManager::instance();
  // "中国" and two rare ideographs: new words whose prefixes the corpus is full of.
  auto customWord = [](size_t i) {
    std::string word = "中国";
    char bytes[4];
    for (const uint32_t c : {0x9F00u + uint32_t(i % 64), 0x9F40u + uint32_t(i / 64 % 64)})
      word.append(bytes, utf8::encode(c, bytes));
    return word;
  };
  ASSERT_NE(master.privateMasterList().exists(Span(customWord(0))), WordHash::Word);

  state->segmentEngine(); // built here: the scripts share it
  std::vector<std::unique_ptr<QelLua>> scripts;
  std::vector<std::unique_ptr<MemoryOutputStream>> outputs;
  for (std::string const& source : {texts, documents}) {
    scripts.push_back(std::make_unique<QelLua>(*state));
    outputs.push_back(std::make_unique<MemoryOutputStream>());
    scripts.back()->setOutputStream(*outputs.back());
    ASSERT_EQ(scripts.back()->load(writeScript(qmtest::SCRIPT_PRELUDE + source).c_str()), 0);
    scripts.back()->run(true);
  }
  size_t added = 0;
  EXPECT_TRUE(qmtest::waitUntil(
      [&] {
        if (added < 4096) {
          EXPECT_TRUE(master.privateAddCustomWord(Span(customWord(added++))));
        }
        return !scripts[0]->running() && !scripts[1]->running();
      },
      std::chrono::minutes(1)));
  EXPECT_GT(added, 1u);
  for (size_t i = 0; i < scripts.size(); ++i)
    EXPECT_EQ(scripts[i]->result(), 0) << scripts[i]->errorMessage();
  EXPECT_EQ(std::string(outputs[0]->view()) + std::string(outputs[1]->view()), "splitfound");
  EXPECT_EQ(output("write(join(qel.Text(\"我们" + customWord(added - 1) + "好\"):words()))"),
            "我们|" + customWord(added - 1) + "|好");
}

} // namespace
