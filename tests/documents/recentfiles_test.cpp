#include "documents/recentfiles.h"

#include "support/tempdir.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, uint64_t>>;

Entries entriesOf(RecentFiles const& r) {
  Entries out;
  for (size_t i = 0; i < r.totalFiles(); ++i) {
    EXPECT_STREQ(r[i], r.info(i)->path.c_str());
    out.emplace_back(r.info(i)->path.c_str(), r.info(i)->position);
  }
  EXPECT_EQ(r.info(r.totalFiles()), nullptr);
  return out;
}

std::string saved(RecentFiles const& r) {
  MemoryOutputStream out;
  r.saveToOutputStream(out);
  return std::string(out.view());
}

TEST(RecentFilesTest, ReadsPositionsAndLineEnds) {
  qmtest::TempDir dir;
  const std::string a = (dir / "a.txt").string(), b = (dir / "b.txt").string();
  qmtest::writeFile(a, "x");
  qmtest::writeFile(b, "x");
  const std::pair<std::string, uint64_t> cases[] = {
      {"\t 42", 42},
      {"\t\t+42xyz", 42},
      {"", 0},
      {"\tabc", 0},
      {"\t-5", 0}, // a negative position never becomes a huge offset
      {"\t5000000000", 5000000000ull},
      {"\t99999999999999999999999", 0},
      {"\t18446744073709551615", UINT64_MAX},
  };
  for (auto const& [tail, position] : cases) {
    SCOPED_TRACE(tail);
    const std::string text = a + tail + "\r\n" + b + "\n";
    RecentFiles r;
    r.loadFromUtf8Range(Utf8Range(text.data(), text.size()));
    EXPECT_EQ(entriesOf(r), (Entries{{a, position}, {b, 0}}));
  }
}

// A file that no longer exists is skipped; a path that could not be read back as it is, is not written.
TEST(RecentFilesTest, LoadAndSave) {
  qmtest::TempDir dir;
  std::string text = "\xEF\xBB\xBF\n\t12\n" + (dir / "gone.txt").string() + "\t3\r\n";
  std::vector<std::string> paths;
  for (int i = 0; i < 15; ++i) {
    paths.push_back((dir / ("f" + std::to_string(i))).string());
    qmtest::writeFile(paths.back(), "x");
    text += paths.back() + (i == 1 ? "\t 42\r\n" : "\n");
  }
  qmtest::writeFile(dir / "recent", text);
  RecentFiles r;
  r.loadFromFile((dir / "recent").c_str());
  const auto entries = entriesOf(r);
  ASSERT_EQ(entries.size(), 10u);
  EXPECT_EQ(entries[0].first, paths[0]);
  EXPECT_EQ(entries[9].first, paths[9]);
  const std::string written = saved(r);
  EXPECT_EQ(written.substr(0, paths[0].size() + paths[1].size() + 5), paths[0] + "\n" + paths[1] + "\t42\n");
  RecentFiles back;
  back.loadFromUtf8Range(Utf8Range(written.data(), written.size()));
  EXPECT_EQ(entriesOf(back), entries);

  RecentFiles odd;
  odd.addFile(paths[0].c_str(), 7);
  for (const char* name : {"tab\tname", "line\nbreak", "cr\rname"}) {
    qmtest::writeFile(dir / name, "x");
    odd.addFile((dir / name).c_str(), 8);
  }
  EXPECT_EQ(saved(odd), paths[0] + "\t7\n");
  qmtest::writeFile(dir / "empty", "");
  r.loadFromFile((dir / "empty").c_str());
  EXPECT_EQ(r.totalFiles(), 0u);
  EXPECT_ANY_THROW(r.loadFromFile((dir / "missing").c_str()));
}

} // namespace
