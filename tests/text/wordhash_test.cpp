#include "text/wordhash.h"
#include "text/wordstatistics.h"

#include "support/tempdir.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

namespace {

std::set<std::string> wordsOf(WordHash const& h) {
  std::set<std::string> out;
  for (Span const& w : h.words())
    out.insert(std::string(w.view()));
  return out;
}

std::string written(WordHash const& h) {
  MemoryOutputStream out;
  h.writeToStream(out);
  return std::string(out.view());
}

TEST(WordHashTest, PrefixEntries) {
  WordHash h(8, nullptr, true);
  h.add(Span("甲乙丙"));
  EXPECT_EQ(h.exists(Span("甲")), 2u);
  EXPECT_EQ(h.exists(Span("甲乙")), 2u);
  EXPECT_EQ(h.exists(Span("甲乙丙")), 1u);
  EXPECT_EQ(h.exists(Span("乙")), 0u);
  EXPECT_EQ(h.totalWords(), 1u);
  h.add(Span("甲乙"));
  EXPECT_EQ(h.exists(Span("甲乙")), 1u);
  EXPECT_EQ(h.totalWords(), 2u);
  EXPECT_EQ(h.longestWord(), 9u);
  EXPECT_EQ(wordsOf(h), (std::set<std::string>{"甲乙", "甲乙丙"}));
  EXPECT_EQ(written(h), "甲乙\n甲乙丙\n"); // prefix entries are never written
  // Removing a word that starts a longer one leaves it a prefix, so the longer word is still reached.
  h.remove(Span("甲乙"));
  EXPECT_EQ(h.exists(Span("甲乙")), 2u);
  EXPECT_EQ(h.exists(Span("甲乙丙")), 1u);
  EXPECT_EQ(h.totalWords(), 1u);
  h.add(Span(""));
  EXPECT_EQ(h.exists(Span("")), 0u); // no empty word in a prefix set
}

TEST(WordHashTest, ChangeCountsAndWordCounts) {
  WordHash h(4);
  h.add(Span("a"));
  const uint64_t changes = h.changeCount();
  h.add(Span("a")); // present: nothing at all changes
  EXPECT_EQ(h.changeCount(), changes);
  h.remove(Span("zz")); // absent: nothing at all
  EXPECT_EQ(h.changeCount(), changes);
  h.remove(Span("a"));
  EXPECT_EQ(h.changeCount(), changes + 1);
  EXPECT_EQ(h.totalWords(), 0u);
  EXPECT_EQ(h.exists(Span("a")), 0u);

  WordHash p(4, nullptr, true);
  p.add(Span("ab"));
  const uint64_t before = p.changeCount();
  p.remove(Span("a")); // prefix only: just the change count
  EXPECT_EQ(p.changeCount(), before + 1);
  EXPECT_EQ(p.exists(Span("a")), 2u);
  EXPECT_EQ(p.totalWords(), 1u);
  p.clear();
  EXPECT_EQ(p.totalWords(), 0u);
  EXPECT_EQ(p.exists(Span("ab")), 0u);
  EXPECT_EQ(p.longestWord(), 2u); // clear keeps the longest word
}

TEST(WordHashTest, ReadingWordListText) {
  const struct {
    std::string text;
    std::string written; // writeToStream afterwards
    uint64_t words;
  } cases[] = {
      {"b\nab\na", "a\nab\nb\n", 3}, // unsorted input is written sorted
      {"\xEF\xBB\xBFx\r\ny\rz", "x\ny\nz\n", 3},
      {"a\nb\na\r\n", "a\nb\n", 2}, // a duplicate line is one word
      {"a\n\nb", "\na\nb\n", 3},    // an empty line is an empty word
      {"a\nb\n", "a\nb\n", 2},
      {"\xC3\xA9\n\x7A", "z\n\xC3\xA9\n", 2}, // bytes compare unsigned
      // A first word that begins with U+FEFF is written behind a mark of its own, which the reader skips.
      {"\xEF\xBB\xBF\xEF\xBB\xBFx", "\xEF\xBB\xBF\xEF\xBB\xBFx\n", 1},
      {"\xEF\xBB\xBF\xEF\xBB\xBF\n\xF0\x9F\x98\x80", "\xEF\xBB\xBF\xEF\xBB\xBF\n\xF0\x9F\x98\x80\n", 2},
      {"a\n\xEF\xBB\xBFx", "a\n\xEF\xBB\xBFx\n", 2},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    WordHash h(6);
    h.readFromUtf8Range(Utf8Range(c.text.data(), c.text.size()));
    EXPECT_EQ(h.totalWords(), c.words);
    EXPECT_EQ(written(h), c.written);
    WordHash back(6);
    back.readFromUtf8Range(Utf8Range(c.written.data(), c.written.size()));
    EXPECT_EQ(wordsOf(back), wordsOf(h)) << "saved words reload byte for byte";
  }
}

TEST(WordHashTest, IteratorVisitsEveryEntry) {
  WordHash h(3, nullptr, true); // 8 buckets: chains are long
  for (const char* w : {"abc", "abd", "x", "xyz", "q"})
    h.add(Span(w));
  size_t entries = 0, whole = 0;
  for (auto it = h.begin(); !it.atEnd(); it = h.next(it)) {
    ++entries;
    if (it.exists() == 1) ++whole;
  }
  EXPECT_EQ(whole, h.totalWords());
  EXPECT_EQ(entries, 8u); // a ab abc abd x xy xyz q
  WordHash empty(2);
  EXPECT_TRUE(empty.begin().atEnd());
  EXPECT_EQ(empty.begin().bucket, ~uint64_t(0));
  EXPECT_EQ(empty.begin().exists(), 0u);
}

TEST(WordHashTest, DiffAndApplyDiff) {
  WordHash a(6), b(6), prefixOnly(6, nullptr, true);
  a.readFromUtf8Range(Utf8Range("x\ny\nz", 5));
  b.readFromUtf8Range(Utf8Range("y\nz\nw", 5));
  EXPECT_EQ(std::string(a.diff(b).view()), "-x\n+w\n");
  EXPECT_TRUE(a.diff(a).empty());
  prefixOnly.add(Span("xx"));
  WordHash one(4);
  one.add(Span("x"));
  EXPECT_EQ(std::string(one.diff(prefixOnly).view()), "-x\n+xx\n"); // x is only a prefix there
  const uint64_t changes = a.changeCount();
  a.applyDiff(Span(""));
  EXPECT_EQ(a.changeCount(), changes);
  a.applyDiff(Span("junk\r\n+v\r-x"));
  EXPECT_EQ(wordsOf(a), (std::set<std::string>{"v", "y", "z"}));
}

TEST(WordHashTest, DiffRoundTripsOnRandomSets) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    WordHash a(8), b(8);
    for (int i = 0; i < 300; ++i) {
      const std::string w = std::to_string(rng() % 500);
      (rng() % 2 ? a : b).add(Span(w));
      if (rng() % 3 == 0) a.add(Span(w)), b.add(Span(w));
    }
    const Text forward = a.diff(b);
    WordHash c(8);
    c.copy(a);
    c.applyDiff(forward);
    EXPECT_EQ(wordsOf(c), wordsOf(b));
    c.applyDiffReverse(forward);
    EXPECT_EQ(wordsOf(c), wordsOf(a));
  }
}

TEST(WordHashTest, DiffOfOneVeryLongLineIsSizedToItsText) {
  // An estimate of (difference in word count) x (longest word) would ask for 200 GB here.
  WordHash a(18), b(4);
  for (int i = 0; i < 100000; ++i)
    a.add(Span(std::to_string(i)));
  const std::string longLine(2'000'000, 'x');
  b.add(Span(longLine));
  const Text d = a.diff(b);
  size_t expected = longLine.size() + 2;
  for (int i = 0; i < 100000; ++i)
    expected += std::to_string(i).size() + 2;
  EXPECT_EQ(d.length(), expected);
}

TEST(WordHashTest, SetOperationsTakeTheOtherChangeCount) {
  WordHash a(4), b(4);
  b.add(Span("p"));
  b.add(Span("q"));
  a.add(b);
  EXPECT_EQ(wordsOf(a), (std::set<std::string>{"p", "q"}));
  EXPECT_EQ(a.changeCount(), b.changeCount());
  a.add(Span("r"));
  a.remove(b);
  EXPECT_EQ(wordsOf(a), (std::set<std::string>{"r"}));
  EXPECT_EQ(a.changeCount(), b.changeCount());
  a.copy(b);
  EXPECT_EQ(wordsOf(a), wordsOf(b));
  a.remove(a); // a set removed from itself ends empty
  EXPECT_EQ(a.totalWords(), 0u);
}

TEST(WordHashTest, ListsOfStatistics) {
  WordStatistics a{}, b{};
  a.word = Span("学");
  b.word = Span("习");
  WordHash h(4);
  h.addList({&a, &b, &a});
  EXPECT_EQ(wordsOf(h), (std::set<std::string>{"学", "习"}));
  h.removeList({&b});
  EXPECT_EQ(wordsOf(h), (std::set<std::string>{"学"}));
}

TEST(WordHashTest, FilesThatCannotBeRead) {
  qmtest::TempDir dir;
  WordHash missing(4, (dir / "missing.txt").c_str(), true);
  EXPECT_EQ(missing.totalWords(), 0u);
  WordHash folder(4, dir.str().c_str(), false); // a folder is no word list
  EXPECT_EQ(folder.totalWords(), 0u);
  WordHash h(4);
  EXPECT_FALSE(h.addFromFile(nullptr));
  EXPECT_FALSE(h.addFromFile((dir / "missing.txt").c_str()));
  qmtest::writeFile(dir / "list.txt", "\xEF\xBB\xBF一\r\n二\n");
  EXPECT_TRUE(h.addFromFile((dir / "list.txt").c_str()));
  EXPECT_EQ(wordsOf(h), (std::set<std::string>{"一", "二"}));
  WordHash fromFile(4, (dir / "list.txt").c_str(), true);
  EXPECT_EQ(fromFile.totalWords(), 2u);
}

} // namespace

namespace {

TEST(WordHashTest, SaveReplacesTheFileWhole) {
  qmtest::TempDir dir;
  const auto path = dir / "list.txt";
  WordHash h(6);
  h.readFromUtf8Range(Utf8Range("乙\n甲\n", 8));
  EXPECT_TRUE(h.save("wordhash", path.c_str())); // a new file
  EXPECT_EQ(qmtest::readFile(path), "乙\n甲\n");
  h.add(Span("丙"));
  EXPECT_TRUE(h.save("wordhash", path.c_str())); // over the old one
  EXPECT_EQ(qmtest::readFile(path), "丙\n乙\n甲\n");
  WordHash loaded(6, path.c_str(), false);
  EXPECT_EQ(loaded.totalWords(), 3u);
  size_t files = 0; // no temporary file is left behind
  for (auto const& e : std::filesystem::directory_iterator(dir.path()))
    files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST(WordHashTest, FailedSaveReportsFalseAndKeepsTheOldFile) {
  qmtest::TempDir dir;
  qmtest::writeFile(dir / "file", "old\n");
  WordHash h(4);
  h.add(Span("new"));
  EXPECT_FALSE(h.save("wordhash", (dir / "missing/list.txt").c_str()));
  EXPECT_FALSE(h.save("wordhash", (dir / "file/list.txt").c_str())); // the parent is a file
  EXPECT_FALSE(h.save("wordhash", nullptr));
  std::filesystem::create_directory(dir / "folder");
  EXPECT_FALSE(h.save("wordhash", (dir / "folder").c_str())); // a folder is not replaced
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
  EXPECT_EQ(qmtest::readFile(dir / "file"), "old\n");
}

} // namespace
