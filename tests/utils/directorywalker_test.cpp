#include "utils/directorywalker.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
struct Collector : DirectoryWalker::Visitor {
  explicit Collector(bool deep) : deep(deep) {}
  bool file(const char* path, void* reserved) override {
    EXPECT_EQ(*static_cast<unsigned long*>(reserved), 0u);
    files.push_back(path);
    return true;
  }
  bool directory(const char* path, void*) override {
    folders.push_back(path);
    return true;
  }
  bool recurse() override {
    ++asked;
    return deep;
  }
  bool deep;
  int asked = 0;
  std::vector<std::string> files, folders;
};
} // namespace

// Files and folders under the folder, deeper ones only when the visitor asks; a folder that cannot be read
// gives no callback.
TEST(DirectoryWalkerTest, RecursesOnlyWhenAsked) {
  qmtest::TempDir dir;
  fs::create_directories(dir / "sub/deeper");
  qmtest::writeFile(dir / "top.txt", "1");
  qmtest::writeFile(dir / "sub/inner.txt", "2");
  using Paths = std::vector<std::string>;
  const std::string d = dir.str();
  const struct {
    std::string folder;
    bool deep;
    Paths files, folders;
  } cases[] = {
      {d, false, {d + "/top.txt"}, {d + "/sub"}},
      {d, true, {d + "/sub/inner.txt", d + "/top.txt"}, {d + "/sub", d + "/sub/deeper"}},
      {d + "/missing", true, {}, {}},
      {d + "/top.txt", true, {}, {}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.folder + (c.deep ? " deep" : ""));
    Collector visitor(c.deep);
    DirectoryWalker(visitor).process(c.folder.c_str(), nullptr);
    std::sort(visitor.files.begin(), visitor.files.end());
    std::sort(visitor.folders.begin(), visitor.folders.end());
    EXPECT_EQ(visitor.files, c.files);
    EXPECT_EQ(visitor.folders, c.folders);
  }
}
