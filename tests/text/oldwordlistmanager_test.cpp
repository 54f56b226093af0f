#include "text/oldwordlistmanager.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/token.h"
#include "text/wordhash.h"

#include "support/resourcelimits.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Shipped files in a resources folder of the test's own, and a user folder beside it.
class OldWordListManagerTest : public ::testing::Test {
protected:
  OldWordListManagerTest()
      : resources("QUILLMERE_RESOURCES", (dir / "res").string()),
        user("XDG_DATA_HOME", (dir / "user").string()) {
    fs::create_directories(dir / "res/data");
    fs::create_directories(dir / "res/wordlists");
    qmtest::writeFile(dir / "res/data/words.u8", "中国\n中国人民\n学习\n");
  }
  fs::path customFile() const { return dir / "user/OrvaneSoftware/data/words.u8"; }

  qmtest::TempDir dir;
  qmtest::ScopedEnv resources, user;
};

TEST_F(OldWordListManagerTest, LoadsTheMasterListWithPrefixesAndTheLevels) {
  qmtest::writeFile(dir / "res/wordlists/hsk-2.txt", "\xEF\xBB\xBF学习\r\n");
  qmtest::writeFile(dir / "res/wordlists/hsk-3.txt", "学习\r中国");
  qmtest::writeFile(dir / "res/wordlists/tocfl-5.txt", "學習\n");
  OldWordListManager manager;
  WordHash const& master = manager.privateMasterList();
  EXPECT_EQ(master.totalWords(), 3u);
  EXPECT_EQ(master.exists(Span("中国人")), 2u);
  ProficiencyLevelHash const& levels = manager.privateProficiencyLevel();
  EXPECT_EQ(levels.level(Span("学习")), (ProficiencyLevel{6, 0}));
  EXPECT_EQ(levels.level(Span("中国")), (ProficiencyLevel{4, 0}));
  EXPECT_EQ(levels.level(Span("學習")), (ProficiencyLevel{0, 16}));
  EXPECT_EQ(levels.level(Span("人民")), (ProficiencyLevel{0, 0}));
}

TEST_F(OldWordListManagerTest, NoFilesAtAll) {
  fs::remove_all(dir / "res");
  OldWordListManager manager;
  EXPECT_EQ(manager.privateMasterList().totalWords(), 0u);
  EXPECT_EQ(manager.privateProficiencyLevel().size(), 0u);
}

TEST_F(OldWordListManagerTest, CustomWordsArePersistedAndSeenAfterARestart) {
  {
    OldWordListManager manager;
    EXPECT_TRUE(manager.privateAddCustomWord(Span("人工智能")));
    EXPECT_TRUE(manager.privateAddCustomWord(Span("人工智能")));
    EXPECT_EQ(manager.privateMasterList().exists(Span("人工智能")), 1u);
    EXPECT_EQ(manager.privateMasterList().exists(Span("人工")), 2u);
    EXPECT_EQ(manager.privateMasterList().totalWords(), 4u); // twice in the file, once in the list
  }
  EXPECT_EQ(qmtest::readFile(customFile()), "人工智能\n人工智能\n");
  OldWordListManager restarted;
  EXPECT_EQ(restarted.privateMasterList().exists(Span("人工智能")), 1u);
  EXPECT_EQ(restarted.privateMasterList().totalWords(), 4u);
}

TEST_F(OldWordListManagerTest, AppendingEndsAnUnfinishedLastLineFirst) {
  fs::create_directories(customFile().parent_path());
  qmtest::writeFile(customFile(), "电脑");
  OldWordListManager manager;
  EXPECT_TRUE(manager.privateAddCustomWord(Span("手机")));
  EXPECT_EQ(qmtest::readFile(customFile()), "电脑\n手机\n");
  OldWordListManager restarted;
  EXPECT_EQ(restarted.privateMasterList().exists(Span("电脑")), 1u);
  EXPECT_EQ(restarted.privateMasterList().exists(Span("手机")), 1u);
}

TEST_F(OldWordListManagerTest, FailedAppendsReportFalseAndAddNothing) {
  OldWordListManager manager;
  const uint64_t words = manager.privateMasterList().totalWords();
  EXPECT_FALSE(manager.privateAddCustomWord(Span("")));
  EXPECT_FALSE(manager.privateAddCustomWord(Span("两\n行"))); // would be stored as two words
  // A full device: the write fails.
  fs::create_directories(customFile().parent_path());
  fs::create_symlink("/dev/full", customFile());
  EXPECT_FALSE(manager.privateAddCustomWord(Span("满了")));
  EXPECT_EQ(manager.privateMasterList().exists(Span("满了")), 0u);
  // The user's data folder is a file: nothing can be created there.
  fs::remove_all(dir / "user/OrvaneSoftware");
  qmtest::writeFile(dir / "user/OrvaneSoftware", "not a folder");
  EXPECT_FALSE(manager.privateAddCustomWord(Span("文件")));
  EXPECT_EQ(manager.privateMasterList().totalWords(), words);
}

} // namespace

// Detached document workers may still segment while the process exits, so the shared word sets are never
// destroyed: an exit handler registered before their first use runs after every static object has gone,
// and still finds them.
TEST(OldWordListManagerExitTest, SharedWordsOutliveTheExitOfTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static const SegmentEngine* engine = nullptr;
        std::atexit([] {
          qmtest::scrubFreedMemory();
          Token word;
          word.text = "中";
          word.bytes = 3;
          word.type = Token::Chinese;
          const WordHash& master = OldWordListManager::instance().privateMasterList();
          std::_Exit(master.exists(Span("中")) && engine->getAttribute(word, master) >> 32 == 4 ? 0 : 1);
        });
        engine = new SegmentEngine(SegmentEngine::ChineseOnly);
        std::exit(2);
      },
      testing::ExitedWithCode(0), "");
}
