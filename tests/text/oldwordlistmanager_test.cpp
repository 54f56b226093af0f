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
  OldWordListManagerTest() {
    fs::create_directories(dir / "res/wordlists");
    fs::create_directories(dir / "res/data");
    qmtest::writeFile(dir / "res/data/words.u8", "中国\n中国人民\n学习\n");
  }
  fs::path customFile() const { return dir / "user/OrvaneSoftware/data/words.u8"; }

  qmtest::TempDir dir;
  qmtest::ScopedEnv resources{"QUILLMERE_RESOURCES", (dir / "res").string()};
  qmtest::ScopedEnv user{"XDG_DATA_HOME", (dir / "user").string()};
};

TEST_F(OldWordListManagerTest, LoadsTheMasterListWithPrefixesAndTheLevels) {
  qmtest::writeFile(dir / "res/wordlists/hsk-2.txt", "\xEF\xBB\xBF学习\r\n");
  qmtest::writeFile(dir / "res/wordlists/hsk-3.txt", "学习\r中国");
  qmtest::writeFile(dir / "res/wordlists/tocfl-5.txt", "學習\n");
  OldWordListManager manager;
  EXPECT_EQ(manager.privateMasterList().totalWords(), 3u);
  EXPECT_EQ(manager.privateMasterList().exists(Span("中国人")), WordHash::PrefixOnly);
  ProficiencyLevelHash const& levels = manager.privateProficiencyLevel();
  EXPECT_EQ(levels.level(Span("学习")), (ProficiencyLevel{6, 0}));
  EXPECT_EQ(levels.level(Span("中国")), (ProficiencyLevel{4, 0}));
  EXPECT_EQ(levels.level(Span("學習")), (ProficiencyLevel{0, 16}));

  fs::remove_all(dir / "res");
  OldWordListManager nothing;
  EXPECT_EQ(nothing.privateMasterList().totalWords() + nothing.privateProficiencyLevel().size(), 0u);
}

// Custom words are appended to the user's file (an unfinished last line is ended first) and seen again
// after a restart.
TEST_F(OldWordListManagerTest, CustomWordsArePersisted) {
  fs::create_directories(customFile().parent_path());
  qmtest::writeFile(customFile(), "电脑");
  {
    OldWordListManager manager;
    EXPECT_TRUE(manager.privateAddCustomWord(Span("人工智能")));
    EXPECT_TRUE(manager.privateAddCustomWord(Span("人工智能")));
    EXPECT_EQ(manager.privateMasterList().exists(Span("人工")), WordHash::PrefixOnly);
  }
  EXPECT_EQ(qmtest::readFile(customFile()), "电脑\n人工智能\n人工智能\n");
  OldWordListManager restarted;
  EXPECT_EQ(restarted.privateMasterList().exists(Span("电脑")), WordHash::Word);
  EXPECT_EQ(restarted.privateMasterList().exists(Span("人工智能")), WordHash::Word);
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
          const Token word{"中", 3, 1, Token::Chinese};
          const WordHash& master = OldWordListManager::instance().privateMasterList();
          std::_Exit(master.exists(Span("中")) && engine->getAttribute(word, master) >> 32 == 4 ? 0 : 1);
        });
        engine = new SegmentEngine(SegmentEngine::ChineseOnly);
        std::exit(2);
      },
      testing::ExitedWithCode(0), "");
}
