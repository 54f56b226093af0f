// The shipped example scripts, run from the build's resources on the PKU corpus text opened as a program
// document, their output checked for sense against the document's own statistics.
#include "documentscripts.h"

#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "support/waituntil.h"
#include "text/oldwordlistmanager.h"
#include "text/wordhash.h"
#include "utils/messagecenter.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

namespace {

std::vector<std::string> linesOf(std::string const& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

class ExampleScriptsTest : public qmtest::DocumentScriptTest {
protected:
  void SetUp() override {
    OldWordListManager& words = OldWordListManager::instance();
    document = std::make_unique<Document>(corpusPath.c_str(), Text("pku"), words.privateMasterList(),
                                          words.privateProficiencyLevel(), state->segmentEngine());
    document->processor()->beginProcessing(false);
    state->setOpenDocuments({document.get()});
  }
  std::string runScript(const char* name) {
    const qmtest::ScriptResult r = runFile((qmtest::resourcesDir() / "scripts" / name).string());
    EXPECT_EQ(r.status, 0) << r.message;
    return r.output;
  }
  size_t wordsOfDocument(DocumentStatistics::FilterType filter) {
    std::vector<WordStatistics*> records;
    document->wordStatisticsList(records, WordStatisticsSort::WordAscending, filter, &state->knownWords());
    return records.size();
  }

  const std::string corpusPath = (qmtest::sharedDataDir() / "corpus/pku_test.utf8").string();
  std::unique_ptr<Document> document;
};

// With no document open, each script asks for a file (answered at once) and works on that one.
TEST_F(ExampleScriptsTest, ChosenFileWhenNoDocumentIsOpen) {
  struct : QelLua::FileChooser {
    std::string path;
    void choose(Kind, Text const&, Answer answer) override { answer({Text(path.c_str())}); }
  } chooser;
  chooser.path = corpusPath;
  state->setOpenDocuments({});
  for (auto const& [name, expected] : {std::pair{"level_counts.lua", "Words by level in " + corpusPath},
                                       {"unknown_words.lua", " unknown words in " + corpusPath},
                                       {"cloze.lua", std::string("20. ")}}) {
    SCOPED_TRACE(name);
    QelLua lua(*state);
    MemoryOutputStream out;
    lua.setOutputStream(out);
    lua.setFileChooser(&chooser);
    ASSERT_EQ(lua.load((qmtest::resourcesDir() / "scripts" / name).c_str()), 0);
    lua.run(true); // choosers answer only scripts on a thread of their own
    ASSERT_TRUE(qmtest::waitUntil(
        [&] {
          MessageCenter::instance().processMessages();
          return lua.waitUntilEnded(std::chrono::milliseconds(1));
        },
        std::chrono::minutes(1)));
    EXPECT_EQ(lua.result(), 0) << lua.errorMessage();
    EXPECT_NE(std::string(out.view()).find(expected), std::string::npos) << out.view();
  }
}

// Per level the rows add up to the document's unique words and all its word occurrences.
TEST_F(ExampleScriptsTest, LevelCountsAddUp) {
  const std::vector<std::string> lines = linesOf(runScript("level_counts.lua"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "Words by level in " + corpusPath);
  int tables = 0;
  long words = 0, occurrences = 0, levelOneWords = 0;
  double share = 0;
  for (std::string const& line : lines) {
    char level[16];
    long n = 0, f = 0;
    double s = 0;
    if (std::sscanf(line.c_str(), "%15s %ld %ld %lf%%", level, &n, &f, &s) != 4) continue;
    if (std::string(level) == "total") {
      ++tables;
      EXPECT_EQ(n, words);
      EXPECT_EQ(f, occurrences);
      EXPECT_EQ(n, long(wordsOfDocument(DocumentStatistics::AllWords)));
      EXPECT_EQ(f, long(document->totalWords()));
      EXPECT_NEAR(share, 100.0, 0.5);
      EXPECT_GT(levelOneWords, 50);
      words = occurrences = levelOneWords = 0;
      share = 0;
      continue;
    }
    words += n;
    occurrences += f;
    share += s;
    if (std::string(level) == "1") levelOneWords = n;
  }
  EXPECT_EQ(tables, 2);
}

// Every gap has its answer, and every answer is a word of the level.
TEST_F(ExampleScriptsTest, ClozeGapsMatchTheAnswers) {
  const std::string output = runScript("cloze.lua");
  std::set<std::string> level;
  std::ifstream hsk4(qmtest::resourcesDir() / "wordlists/hsk-4.txt");
  for (std::string word; std::getline(hsk4, word);)
    level.insert(word.substr(0, word.find_last_not_of("\r") + 1));
  const std::vector<std::string> lines = linesOf(output);
  const auto answersAt = std::find(lines.begin(), lines.end(), "Answers");
  ASSERT_NE(answersAt, lines.end());
  size_t gaps = 0, sentences = 0, answers = 0;
  for (auto it = lines.begin(); it != answersAt; ++it) {
    if (it->find("____") == std::string::npos) continue;
    ++sentences;
    for (size_t at = it->find("____"); at != std::string::npos; at = it->find("____", at + 4))
      ++gaps;
  }
  for (auto it = answersAt + 1; it != lines.end(); ++it) {
    std::istringstream row(it->substr(it->find(' ') + 1));
    for (std::string word; std::getline(row >> std::ws, word, ',');) {
      ++answers;
      EXPECT_TRUE(level.count(word)) << word;
    }
  }
  EXPECT_EQ(sentences, 20u);
  EXPECT_EQ(lines.end() - answersAt - 1, 20);
  EXPECT_EQ(gaps, answers);
}

} // namespace
