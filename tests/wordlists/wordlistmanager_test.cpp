#include "support/childprocess.h"
#include "support/logcapture.h"
#include "support/tempdir.h"
#include "support/wordsof.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/namedfilelock.h"
#include "wordlists/objectstore.h"
#include "wordlists/wordlistmanager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>

using OpenSSL::SHA1;
namespace fs = std::filesystem;

namespace {

using qmtest::wordsOf;

bool contains(std::string const& text, std::string const& part) {
  return text.find(part) != std::string::npos;
}

// The entry for a "current" that could not be read: the warning, then on the same line the error after a
// tab.
bool toldWithItsError(qmtest::LogCapture const& log) {
  const std::vector<std::string> entries = log.lines();
  const auto warning =
      std::find(entries.begin(), entries.end(), "Error loading current list name, defaulting to 'known' ");
  return warning != entries.end() && warning + 1 != entries.end() &&
         warning[1].rfind("\tObjectFile::read_error\n\tCaught at:\n", 0) == 0;
}

class WordListManagerTest : public ::testing::Test {
protected:
  std::string root() const { return dir.str() + "/"; }
  fs::path folder(const char* sub) const { return dir / "wordlists" / sub; }
  std::string listFile(const char* base) const { return qmtest::readFile(folder("lists") / base); }
  // The store as another process would see it.
  std::unique_ptr<ObjectStore> store(const char* base) const {
    NamedFileLock lock(folder("").c_str(), base);
    return std::make_unique<ObjectStore>(lock, (folder("objects") / base).c_str());
  }
  SHA1 revisionInFile(const char* base) const {
    const std::string text = listFile(base);
    const size_t at = text.find("currentRevision = ");
    return at == std::string::npos ? SHA1() : SHA1::fromHex(text.substr(at + 18, 40).c_str());
  }

  // The list "known" saved once with two words: its list file, revisions, cache and "current".
  void saveKnown() const {
    WordListManager manager(root().c_str());
    manager.current().add(Span("甲"));
    manager.current().add(Span("乙"));
    ASSERT_TRUE(manager.saveVersion());
  }
  // Every entry under the folder: the bytes of a file, or what else it is.
  std::map<std::string, std::string> snapshot() const {
    std::map<std::string, std::string> entries;
    for (auto const& e : fs::recursive_directory_iterator(dir.path())) {
      const auto type = e.symlink_status().type();
      entries[e.path().lexically_relative(dir.path()).string()] =
          type == fs::file_type::symlink     ? "link to " + fs::read_symlink(e.path()).string()
          : type == fs::file_type::fifo      ? "pipe"
          : type == fs::file_type::directory ? "folder"
                                             : qmtest::readFile(e.path());
    }
    return entries;
  }

  qmtest::TempDir dir;
};

} // namespace

TEST_F(WordListManagerTest, CurrentNameThatNamesNoListFallsBackToKnown) {
  {
    qmtest::LogCapture log; // no "current" yet: the read fails as for any other file
    WordListManager fresh(root().c_str());
    EXPECT_STREQ(fresh.currentList(), "known");
    EXPECT_TRUE(toldWithItsError(log)) << log.all();
  }
  for (const char* name : {"gone\n", "../../escape\n", "\n", "lists\r\n"}) {
    SCOPED_TRACE(name);
    qmtest::writeFile(folder("current"), name);
    WordListManager manager(root().c_str());
    EXPECT_STREQ(manager.currentList(), "known");
    EXPECT_FALSE(fs::exists(folder("lists") / "gone"));
  }
}

TEST_F(WordListManagerTest, BaseNamesFromDisplayNames) {
  const struct {
    std::string display;
    std::string base;
  } cases[] = {
      {"Hello World!", "hello-world-"},
      {"Hello  World", "hello-world"},
      {"  leading", "leading"},
      {"汉字 List", "汉字-list"},
      {"a\x01 b", "ab"}, // no "-" right after a dropped byte
      {"a_b-c", "a_b-c"},
      {"a- b", "a-b"},          // no "-" after a copied one
      {"\xE4\xB8", "\xE4\xB8"}, // a cut character at the very end is copied as it is
      {"\xFF\x80x", "x"},
      {"!!!", ""},
      {std::string(300, 'a'), std::string(200, 'a')}, // longer than a file name may be
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.display);
    EXPECT_EQ(std::string(WordListManager::baseNameFor(c.display.c_str()).c_str()), c.base);
  }
}

TEST_F(WordListManagerTest, CreateSwitchRenameAndDeleteLists) {
  WordListManager manager(root().c_str());
  const struct {
    const char* display;
    const char* base;
  } created[] = {{"My List", "my-list"},  {"My List", "my-list1"}, {"Current", "current1"},
                 {"Objects", "objects1"}, {"[Known]", "known-"},   {"Known", "known1"}};
  for (auto const& c : created) {
    SCOPED_TRACE(c.display);
    auto list = manager.createList(c.display, false);
    ASSERT_TRUE(list);
    EXPECT_STREQ(list->baseName(), c.base);
    EXPECT_TRUE(fs::exists(folder("lists") / c.base));
  }
  EXPECT_FALSE(manager.createList("", false));
  EXPECT_FALSE(manager.createList("?!", false));
  EXPECT_EQ(manager.wordLists().size(), 7u);
  EXPECT_EQ(qmtest::readFile(folder("current")), "known\n"); // "current1" did not touch the current file

  manager.setCurrent("my-list");
  EXPECT_EQ(qmtest::readFile(folder("current")), "my-list\n");
  manager.current().add(Span("书"));
  WordList renamed(*manager.wordLists()[4]);
  ASSERT_STREQ(renamed.baseName(), "my-list");
  renamed.setDisplayName("Renamed");
  renamed.setReadOnly(true);
  manager.save(renamed);
  EXPECT_TRUE(manager.currentListReadOnly());
  manager.setCurrent("known"); // saves my-list first
  EXPECT_EQ(WordList((folder("lists") / "my-list").c_str()).displayName(), std::string("Renamed"));
  EXPECT_EQ(wordsOf(manager.wordHash("my-list")), std::set<std::string>{"书"});

  manager.deleteList("known"); // the current list stays
  EXPECT_TRUE(fs::exists(folder("lists") / "known"));
  manager.deleteList("my-list");
  for (const char* sub : {"lists", "objects", "cache"})
    EXPECT_FALSE(fs::exists(folder(sub) / "my-list")) << sub;
  EXPECT_THROW(manager.wordHash("../escape"), WordListManager::invalid_name);
}

TEST_F(WordListManagerTest, ListThatCannotBeCreatedIsReported) {
  WordListManager manager(root().c_str());
  fs::remove_all(folder("lists"));
  qmtest::writeFile(folder("lists"), "a file where the folder was");
  qmtest::LogCapture log;
  EXPECT_FALSE(manager.createList("New", false));
  EXPECT_NE(log.all().find("Error creating list 'new'"), std::string::npos);
}

TEST_F(WordListManagerTest, MarksBecomeOneRevisionMatchingTheCache) {
  WordListManager manager(root().c_str());
  for (const char* w : {"你好", "世界", "a@b"})
    manager.current().add(Span(w));
  EXPECT_TRUE(manager.saveVersion());
  auto s = store("known");
  ASSERT_EQ(s->size(), 1u);
  const ObjectStore::Revision first = *s->mostRecent();
  EXPECT_TRUE(first.parent == SHA1());
  EXPECT_EQ(first.other, SHA1::of(Span(qmtest::readFile(folder("cache") / "known"))));
  EXPECT_EQ(revisionInFile("known"), first.id);

  EXPECT_TRUE(manager.saveVersion()); // nothing new: nothing appended
  manager.current().remove(Span("世界"));
  manager.current().add(Span("line\nbreak"));
  qmtest::LogCapture log;
  EXPECT_TRUE(manager.saveVersion());
  EXPECT_NE(log.all().find("line break"), std::string::npos);
  s = store("known");
  ASSERT_EQ(s->size(), 2u);
  EXPECT_EQ(s->mostRecent()->parent, first.id);
  EXPECT_EQ(qmtest::readFile(folder("cache") / "known"), "a@b\n你好\n");
}

TEST_F(WordListManagerTest, LostCacheIsRebuiltFromRevisions) {
  // Words holding "@", even one shaped like a whole record header, stay inside their record.
  const std::string header = "x@" + std::string(40, 'a') + " " + std::string(40, '0') + " " +
                             std::string(40, 'b') + " 2020-01-01 00:00:00.000";
  {
    WordListManager manager(root().c_str());
    manager.current().add(Span("一"));
    manager.current().add(Span("@"));
    manager.saveVersion();
    manager.current().add(Span("二"));
    manager.current().add(Span(header));
    manager.current().remove(Span("一"));
    manager.saveVersion();
  }
  fs::remove(folder("cache") / "known");
  WordListManager manager(root().c_str());
  EXPECT_EQ(wordsOf(manager.current()), (std::set<std::string>{"二", "@", header}));
  EXPECT_EQ(qmtest::readFile(folder("cache") / "known"), "@\n" + header + "\n二\n");
}

TEST_F(WordListManagerTest, UnknownRevisionFallsBackToTheMostRecent) {
  SHA1 latest;
  {
    WordListManager manager(root().c_str());
    manager.current().add(Span("一"));
    manager.saveVersion();
    latest = store("known")->mostRecent()->id;
  }
  std::string text = listFile("known");
  text.replace(text.find("currentRevision = ") + 18, 40, std::string(40, 'f'));
  qmtest::writeFile(folder("lists") / "known", text);
  qmtest::LogCapture log;
  WordListManager manager(root().c_str());
  EXPECT_NE(log.all().find("Invalid object revision '" + std::string(40, 'f') + "' for list 'known'"),
            std::string::npos);
  EXPECT_EQ(revisionInFile("known"), latest);
  EXPECT_EQ(wordsOf(manager.current()), std::set<std::string>{"一"});
  EXPECT_NE(listFile("known").find("[Known]"), std::string::npos);
}

TEST_F(WordListManagerTest, UnverifiedRebuildKeepsTheCache) {
  {
    WordListManager manager(root().c_str());
    manager.current().add(Span("一"));
    manager.saveVersion();
    manager.current().add(Span("二"));
    manager.saveVersion();
  }
  // The first record's data is damaged and the cache no longer matches: the history cannot be trusted.
  std::string objects = qmtest::readFile(folder("objects") / "known");
  objects[objects.find("+一")] = '-';
  qmtest::writeFile(folder("objects") / "known", objects);
  qmtest::writeFile(folder("cache") / "known", "一\n二\n三\n");
  qmtest::LogCapture log;
  WordListManager manager(root().c_str());
  EXPECT_NE(log.all().find("Unable to verify"), std::string::npos);
  EXPECT_EQ(qmtest::readFile(folder("cache") / "known"), "一\n二\n三\n");
  EXPECT_EQ(wordsOf(manager.current()), (std::set<std::string>{"一", "二", "三"}));
}

// One damaged record is dropped by the store. The load keeps the intact cache byte for byte (it may be
// newer than anything left), or without a cache rebuilds from the intact records, losing only the damaged
// diff; the next save records the words on a verified parent, so that a later rebuild finds them all.
TEST_F(WordListManagerTest, DamagedRecordLosesOnlyItsOwnDiff) {
  const struct {
    const char* damaged;
    bool dropCache;
    std::set<std::string> words;
  } cases[] = {
      {"+三", false, {"一", "二", "三"}},
      {"+二", true, {"一", "三"}},
      {"+一", true, {"二", "三"}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.damaged) + (c.dropCache ? " without cache" : ""));
    fs::remove_all(folder(""));
    {
      WordListManager manager(root().c_str());
      for (const char* w : {"一", "二", "三"}) {
        manager.current().add(Span(w));
        ASSERT_TRUE(manager.saveVersion());
      }
    }
    std::string objects = qmtest::readFile(folder("objects") / "known");
    objects[objects.find(c.damaged)] = '-';
    qmtest::writeFile(folder("objects") / "known", objects);
    if (c.dropCache) fs::remove(folder("cache") / "known");
    const std::string cache = c.dropCache ? "" : qmtest::readFile(folder("cache") / "known");
    const std::string list = listFile("known");
    {
      qmtest::LogCapture log;
      WordListManager manager(root().c_str());
      EXPECT_EQ(wordsOf(manager.current()), c.words);
      if (!c.dropCache) {
        EXPECT_EQ(qmtest::readFile(folder("cache") / "known"), cache);
      }
      EXPECT_EQ(listFile("known"), list);
      manager.current().add(Span("新"));
      ASSERT_TRUE(manager.saveVersion());
    }
    const SHA1 latest = revisionInFile("known");
    EXPECT_FALSE(store("known")->revisionList(SHA1(), latest).empty());
    fs::remove(folder("cache") / "known");
    WordListManager manager(root().c_str());
    auto expected = c.words;
    expected.insert("新");
    EXPECT_EQ(wordsOf(manager.current()), expected);
  }
}

TEST_F(WordListManagerTest, ListFileIsNeverRewrittenFromDefaults) {
  fs::create_directories(folder("lists"));
  const std::string mineText = "    .version = 2\n    readOnly = true\n    displayName = Mine\n";
  qmtest::writeFile(folder("lists") / "mine", mineText);
  qmtest::writeFile(folder("current"), "mine\n");
  fs::create_directories(folder("lists") / "broken"); // exists, cannot be read as a file
  {
    WordListManager manager(root().c_str());
    EXPECT_STREQ(manager.currentList(), "mine");
    EXPECT_TRUE(manager.currentListReadOnly());
    EXPECT_EQ(manager.wordLists().size(), 1u); // "broken" is skipped
    qmtest::LogCapture log;
    manager.setCurrent("broken");
    manager.current().add(Span("x"));
    EXPECT_FALSE(manager.saveVersion()); // its revision cannot be recorded: the mark stays
    EXPECT_TRUE(fs::is_directory(folder("lists") / "broken"));
  }
  EXPECT_EQ(listFile("mine"), mineText); // no revision yet: nothing to write
  const WordList mine((folder("lists") / "mine").c_str());
  EXPECT_STREQ(mine.displayName(), "Mine");
  EXPECT_TRUE(mine.readOnly());
}

TEST_F(WordListManagerTest, HeldLockFailsTheSaveAndKeepsTheMarks) {
  WordListManager manager(root().c_str());
  manager.current().add(Span("等"));
  {
    NamedFileLock other(folder("").c_str(), "known"); // as another process would hold it
    qmtest::LogCapture log;
    EXPECT_FALSE(manager.saveVersion());
    EXPECT_NE(log.all().find("FileLock::already_exists"), std::string::npos);
  }
  EXPECT_TRUE(manager.saveVersion());
  EXPECT_EQ(qmtest::readFile(folder("cache") / "known"), "等\n");

  // A holder that lets go within the wait does not fail the save.
  manager.current().add(Span("待"));
  auto other = std::make_unique<NamedFileLock>(folder("").c_str(), "known");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    other.reset();
  });
  EXPECT_TRUE(manager.saveVersion());
  release.join();
  EXPECT_EQ(qmtest::readFile(folder("cache") / "known"), "待\n等\n");
}

TEST_F(WordListManagerTest, OldKnownFileIsConverted) {
  fs::create_directories(folder(""));
  qmtest::writeFile(folder("known.txt"), "\xEF\xBB\xBF"
                                         "一\r\n二\n");
  WordListManager manager(root().c_str());
  EXPECT_STREQ(manager.currentList(), "known");
  EXPECT_EQ(wordsOf(manager.current()), (std::set<std::string>{"一", "二"}));
  EXPECT_FALSE(fs::exists(folder("known.txt")));
  EXPECT_TRUE(fs::exists(folder("known.txt.old")));
  EXPECT_EQ(store("known")->size(), 1u);
}

TEST_F(WordListManagerTest, BulkAddIsSaved) {
  {
    WordListManager manager(root().c_str());
    WordHash& words = manager.current();
    for (const char* w : {"一", "二", "三"})
      words.add(Span(w));
    ASSERT_TRUE(manager.saveVersion());
    WordHash bulk(8);
    bulk.add(Span("甲"));
    bulk.add(Span("乙"));
    words.add(bulk);
    EXPECT_TRUE(manager.saveVersion());
  }
  WordListManager manager(root().c_str());
  EXPECT_TRUE(wordsOf(manager.current()).count("甲"));
}

// A pipe in place of any file the lists are read from never blocks the start (an open waiting for a writer
// would hold it, deaf to SIGTERM), nor could it keep the marks of a list: the start ends naming the pipe,
// before anything is created or changed. A pipe as "current" is kept as any unreadable "current" is.
TEST_F(WordListManagerTest, APipeAmongTheListFilesIsNamedAndLeftAlone) {
  for (const char* role : {"objects/known", "lists/known", "cache/known", "known.txt", "objects/other"}) {
    SCOPED_TRACE(role);
    fs::remove_all(dir / "wordlists");
    saveKnown();
    const fs::path pipe = folder(role);
    fs::remove(pipe);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto before = snapshot();
    qmtest::expectInChild([&] {
      try {
        WordListManager manager(root().c_str());
      } catch (WordListManager::not_a_file const&) {
        return WordListManager::irregularFile(root().c_str()) == pipe.string() ? "" : "another file named";
      }
      return "started";
    });
    EXPECT_EQ(snapshot(), before);
  }
}

// "current" names the reader's chosen list. One that exists but cannot be read (not a regular file) may
// still name it: the run uses "known" and leaves the file as it is, also when the reader switches lists.
TEST_F(WordListManagerTest, UnreadableCurrentFileIsKeptAsItWas) {
  const struct {
    const char* name;
    std::function<void(fs::path const&)> make;
  } cases[] = {
      {"a folder", [](fs::path const& p) { fs::create_directories(p / "mine"); }},
      {"a pipe", [](fs::path const& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
      {"a link to a pipe",
       [](fs::path const& p) {
         ASSERT_EQ(::mkfifo((p.string() + "-pipe").c_str(), 0600), 0);
         fs::create_symlink(p.string() + "-pipe", p);
       }},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir / "wordlists");
    saveKnown();
    ASSERT_TRUE(WordListManager(root().c_str()).createList("Mine", false));
    fs::remove(folder("current"));
    c.make(folder("current"));
    const auto before = snapshot();
    qmtest::expectInChild([&] {
      qmtest::LogCapture log;
      WordListManager manager(root().c_str());
      const bool known = std::string(manager.currentList()) == "known";
      manager.setCurrent("mine");
      const bool kept =
          contains(log.all(), "Not saving the current list name: '" + folder("current").string() +
                                  "' could not be read at start-up");
      return known && std::string(manager.currentList()) == "mine" && kept && toldWithItsError(log)
                 ? ""
                 : log.all();
    });
    EXPECT_EQ(snapshot(), before);
  }
}
