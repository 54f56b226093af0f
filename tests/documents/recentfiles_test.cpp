#include "documents/recentfiles.h"

#include "support/tempdir.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Entry {
  std::string path;
  uint64_t position;
  bool operator==(Entry const& o) const { return path == o.path && position == o.position; }
};
void PrintTo(Entry const& e, std::ostream* os) {
  *os << e.path << "@" << e.position;
}

std::vector<Entry> entriesOf(RecentFiles const& r) {
  std::vector<Entry> out;
  for (size_t i = 0; i < r.totalFiles(); ++i) {
    EXPECT_STREQ(r[i], r.info(i)->path.c_str());
    out.push_back({r.info(i)->path.c_str(), r.info(i)->position});
  }
  EXPECT_EQ(r.info(r.totalFiles()), nullptr);
  return out;
}

std::string saved(RecentFiles const& r) {
  MemoryOutputStream out;
  r.saveToOutputStream(out);
  return std::string(out.view());
}

class RecentFilesTest : public ::testing::Test {
protected:
  // An existing file in the test's folder.
  std::string touch(std::string const& name) {
    qmtest::writeFile(dir / name, "x");
    return (dir / name).string();
  }
  qmtest::TempDir dir;
};

TEST_F(RecentFilesTest, AddKeepsTenNewestFirst) {
  RecentFiles r;
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(r.addFile(("/f" + std::to_string(i)).c_str(), uint64_t(i)), uint64_t(i));
  ASSERT_EQ(r.totalFiles(), 10u);
  EXPECT_EQ(entriesOf(r).front(), (Entry{"/f11", 11}));
  EXPECT_EQ(entriesOf(r).back(), (Entry{"/f2", 2}));
  EXPECT_EQ(r.changeCount(), 12u);
  // A listed path moves to the front with its old position; the given one is not stored.
  EXPECT_EQ(r.addFile("/f5", 500), 5u);
  EXPECT_EQ(entriesOf(r).front(), (Entry{"/f5", 5}));
  EXPECT_EQ(r.totalFiles(), 10u);
  EXPECT_EQ(r.changeCount(), 13u);
}

TEST_F(RecentFilesTest, NullAndEmptyPathsChangeNothing) {
  RecentFiles r;
  r.addFile("/a", 1);
  const uint64_t changes = r.changeCount();
  EXPECT_EQ(r.addFile(nullptr, 7), 0u);
  EXPECT_EQ(r.addFile("", 7), 0u);
  r.updateFilePosition(nullptr, 9);
  EXPECT_EQ(r.changeCount(), changes);
  r.updateFilePosition("/unlisted", 9);
  EXPECT_EQ(r.changeCount(), changes + 1);
  EXPECT_EQ(entriesOf(r), (std::vector<Entry>{{"/a", 1}}));
  r.updateFilePosition("/a", 1ull << 40); // positions are 64-bit
  EXPECT_EQ(entriesOf(r), (std::vector<Entry>{{"/a", 1ull << 40}}));
  r.clear();
  EXPECT_EQ(r.totalFiles(), 0u);
  EXPECT_EQ(r.changeCount(), changes + 3);
}

TEST_F(RecentFilesTest, CopiesAreIndependent) {
  RecentFiles r;
  r.addFile("/a", 1);
  RecentFiles copy(r);
  copy.addFile("/b", 2);
  EXPECT_EQ(r.totalFiles(), 1u);
  EXPECT_EQ(copy.changeCount(), r.changeCount() + 1);
  RecentFiles assigned;
  assigned = copy;
  EXPECT_EQ(entriesOf(assigned), entriesOf(copy));
  RecentFiles moved;
  moved = std::move(assigned);
  EXPECT_EQ(entriesOf(moved), entriesOf(copy));
}

TEST_F(RecentFilesTest, ReadsPositionsAndLineEnds) {
  const std::string a = touch("a.txt"), b = touch("b.txt");
  const struct {
    std::string line;
    uint64_t position;
  } cases[] = {
      {a + "\t 42", 42},
      {a + "\t\t+42xyz", 42},
      {a, 0},
      {a + "\t", 0},
      {a + "\tabc", 0},
      {a + "\t-5", 0}, // a negative position never becomes a huge offset
      {a + "\t5000000000", 5000000000ull},
      {a + "\t99999999999999999999999", 0},
      {a + "\t18446744073709551615", UINT64_MAX},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string text = c.line + "\r\n" + b + "\n";
    RecentFiles r;
    r.loadFromUtf8Range(Utf8Range(text.data(), text.size()));
    EXPECT_EQ(entriesOf(r), (std::vector<Entry>{{a, c.position}, {b, 0}}));
  }
}

TEST_F(RecentFilesTest, SaveFormatAndRoundTrip) {
  const std::string a = touch("a.txt"), b = touch("b.txt");
  const std::string text = "\xEF\xBB\xBF" + a + "\t 42\r\n" + b + "\n";
  qmtest::writeFile(dir / "recent", text);
  RecentFiles r;
  const uint64_t before = r.changeCount();
  r.loadFromFile((dir / "recent").c_str());
  EXPECT_EQ(r.changeCount(), before + 2);
  EXPECT_EQ(saved(r), a + "\t42\n" + b + "\n");
  RecentFiles back;
  const std::string out = saved(r);
  back.loadFromUtf8Range(Utf8Range(out.data(), out.size()));
  EXPECT_EQ(entriesOf(back), entriesOf(r));
}

TEST_F(RecentFilesTest, LoadSkipsMissingFilesAndStopsAtTen) {
  std::string text = "\n\t12\n" + (dir / "gone.txt").string() + "\t3\n";
  std::vector<std::string> paths;
  for (int i = 0; i < 15; ++i) {
    paths.push_back(touch("f" + std::to_string(i)));
    text += paths.back() + "\n";
  }
  RecentFiles r;
  r.loadFromUtf8Range(Utf8Range(text.data(), text.size()));
  const auto entries = entriesOf(r);
  ASSERT_EQ(entries.size(), 10u);
  EXPECT_EQ(entries.front().path, paths[0]);
  EXPECT_EQ(entries.back().path, paths[9]);
}

TEST_F(RecentFilesTest, EmptyTextAndEmptyFile) {
  RecentFiles r;
  r.addFile("/a", 0);
  const uint64_t before = r.changeCount();
  r.loadFromUtf8Range(Utf8Range());
  EXPECT_EQ(r.totalFiles(), 0u);
  EXPECT_EQ(r.changeCount(), before + 2);
  touch("empty");
  qmtest::writeFile(dir / "empty", "");
  r.addFile("/a", 0);
  r.loadFromFile((dir / "empty").c_str());
  EXPECT_EQ(r.totalFiles(), 0u);
  EXPECT_ANY_THROW(r.loadFromFile((dir / "missing").c_str()));
}

TEST_F(RecentFilesTest, PathsWithLineBreaksOrTabsNeverCorruptTheFile) {
  const std::string good = touch("good.txt");
  const std::string tabbed = touch("tab\tname.txt");
  const std::string broken = touch("line\nbreak.txt");
  RecentFiles r;
  r.addFile(good.c_str(), 7);
  r.addFile(tabbed.c_str(), 8);
  r.addFile(broken.c_str(), 9);
  r.addFile("/cr\rpath", 0);
  EXPECT_EQ(saved(r), good + "\t7\n");
}

} // namespace
