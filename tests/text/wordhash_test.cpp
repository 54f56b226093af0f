#include "text/wordhash.h"

#include "support/tempdir.h"
#include "support/wordsof.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

namespace {

using qmtest::wordsOf;

using Words = std::set<std::string>;

std::string written(WordHash const& h) {
  MemoryOutputStream out;
  h.writeToStream(out);
  return std::string(out.view());
}

TEST(WordHashTest, PrefixEntries) {
  WordHash h(8, nullptr, true);
  h.add(Span("甲乙丙"));
  EXPECT_EQ(h.exists(Span("甲")), WordHash::PrefixOnly);
  EXPECT_EQ(h.exists(Span("甲乙")), WordHash::PrefixOnly);
  EXPECT_EQ(h.exists(Span("甲乙丙")), WordHash::Word);
  EXPECT_EQ(h.exists(Span("乙")), WordHash::Absent);
  h.add(Span("甲乙"));
  EXPECT_EQ(h.exists(Span("甲乙")), WordHash::Word);
  EXPECT_EQ(h.totalWords(), 2u);
  EXPECT_EQ(h.longestWord(), 9u);
  EXPECT_EQ(written(h), "甲乙\n甲乙丙\n"); // prefix entries are never written
  // Removing a word that starts a longer one leaves it a prefix, so the longer word is still reached.
  h.remove(Span("甲乙"));
  EXPECT_EQ(h.exists(Span("甲乙")), WordHash::PrefixOnly);
  EXPECT_EQ(wordsOf(h), Words{"甲乙丙"});
  h.add(Span(""));
  EXPECT_EQ(h.exists(Span("")), WordHash::Absent); // no empty word in a prefix set
}

// Callers keep what they derived from a set until its change count moves: only real changes move it, and
// set operations move it even when the word count comes back to what it was (a cache keyed on the set and
// its count, the document summary, must see the change).
TEST(WordHashTest, ChangeCounts) {
  WordHash a(4), b(4), c(4);
  a.add(Span("p"));
  b.add(Span("p"));
  c.add(Span("q"));
  const uint64_t changes = a.changeCount();
  a.add(Span("p"));     // present: nothing at all changes
  a.remove(Span("zz")); // absent: nothing at all
  EXPECT_EQ(a.changeCount(), changes);
  a.remove(b);
  a.add(c);
  EXPECT_EQ(wordsOf(a), Words{"q"});
  EXPECT_GT(a.changeCount(), changes);
  a.remove(a); // a set removed from itself ends empty
  EXPECT_EQ(a.totalWords(), 0u);
}

TEST(WordHashTest, ReadingWordListText) {
  const struct {
    std::string text;
    std::string written; // writeToStream afterwards
  } cases[] = {
      {"b\nab\na", "a\nab\nb\n"}, // unsorted input is written sorted
      {"\xEF\xBB\xBFx\r\ny\rz", "x\ny\nz\n"},
      {"a\n\nb", "\na\nb\n"},              // an empty line is an empty word
      {"\xC3\xA9\n\x7A", "z\n\xC3\xA9\n"}, // bytes compare unsigned
      // A first word that begins with U+FEFF is written behind a mark of its own, which the reader skips.
      {"\xEF\xBB\xBF\xEF\xBB\xBFx", "\xEF\xBB\xBF\xEF\xBB\xBFx\n"},
      {"a\n\xEF\xBB\xBFx", "a\n\xEF\xBB\xBFx\n"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    WordHash h(6);
    h.readFromUtf8Range(Utf8Range(c.text.data(), c.text.size()));
    EXPECT_EQ(written(h), c.written);
    WordHash back(6);
    back.readFromUtf8Range(Utf8Range(c.written.data(), c.written.size()));
    EXPECT_EQ(wordsOf(back), wordsOf(h)) << "saved words reload byte for byte";
  }
}

TEST(WordHashTest, DiffAndApplyDiff) {
  WordHash a(6), b(6), one(4), prefixOnly(6, nullptr, true);
  a.readFromUtf8Range(Utf8Range("x\ny\nz", 5));
  b.readFromUtf8Range(Utf8Range("y\nz\nw", 5));
  EXPECT_EQ(std::string(a.diff(b).view()), "-x\n+w\n");
  EXPECT_TRUE(a.diff(a).empty());
  prefixOnly.add(Span("xx"));
  one.add(Span("x"));
  EXPECT_EQ(std::string(one.diff(prefixOnly).view()), "-x\n+xx\n"); // x is only a prefix there
  a.applyDiff(Span("junk\r\n+v\r-x"));
  EXPECT_EQ(wordsOf(a), (Words{"v", "y", "z"}));

  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    WordHash c(8), d(8), e(8);
    for (int i = 0; i < 300; ++i) {
      const std::string w = std::to_string(rng() % 500);
      (rng() % 2 ? c : d).add(Span(w));
    }
    const Text forward = c.diff(d);
    e.copy(c);
    e.applyDiff(forward);
    EXPECT_EQ(wordsOf(e), wordsOf(d));
    e.applyDiffReverse(forward);
    EXPECT_EQ(wordsOf(e), wordsOf(c));
  }
}

TEST(WordHashTest, DiffOfOneVeryLongLineIsSizedToItsText) {
  // An estimate of (difference in word count) x (longest word) would ask for 200 GB here.
  WordHash a(18), b(4);
  size_t expected = 2'000'000 + 2;
  for (int i = 0; i < 100000; ++i) {
    a.add(Span(std::to_string(i)));
    expected += std::to_string(i).size() + 2;
  }
  b.add(Span(std::string(2'000'000, 'x')));
  EXPECT_EQ(a.diff(b).length(), expected);
}

TEST(WordHashTest, FilesThatCannotBeReadOrSaved) {
  qmtest::TempDir dir;
  const auto list = dir / "list.txt";
  WordHash h(4), missing(4, (dir / "missing.txt").c_str(), true), folder(4, dir.str().c_str(), false);
  EXPECT_EQ(missing.totalWords() + folder.totalWords(), 0u); // a folder is no word list
  EXPECT_FALSE(h.addFromFile(nullptr));
  EXPECT_FALSE(h.addFromFile((dir / "missing.txt").c_str()));
  qmtest::writeFile(list, "\xEF\xBB\xBF一\r\n二\n");
  EXPECT_TRUE(h.addFromFile(list.c_str()));
  EXPECT_EQ(wordsOf(h), (Words{"一", "二"}));

  qmtest::writeFile(dir / "file", "old\n");
  std::filesystem::create_directory(dir / "folder");
  for (const auto& bad : {dir / "missing/list.txt", dir / "file/list.txt", dir / "folder"})
    EXPECT_FALSE(h.save("wordhash", bad.c_str())) << bad; // a parent that is a file, a folder in the way
  EXPECT_FALSE(h.save("wordhash", nullptr));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
  h.add(Span("三"));
  EXPECT_TRUE(h.save("wordhash", list.c_str())); // over the old file, whole
  EXPECT_EQ(WordHash(4, list.c_str(), false).totalWords(), 3u);
  size_t files = 0; // no temporary file is left behind
  for (auto const& e : std::filesystem::directory_iterator(dir.path()))
    files += e.is_regular_file();
  EXPECT_EQ(files, 2u);
}

} // namespace
