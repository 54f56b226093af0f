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

TEST(DirectoryWalkerTest, RecursesOnlyWhenAsked) {
  qmtest::TempDir dir;
  fs::create_directories(dir / "sub/deeper");
  qmtest::writeFile(dir / "top.txt", "1");
  qmtest::writeFile(dir / "sub/inner.txt", "2");
  for (bool deep : {false, true}) {
    SCOPED_TRACE(deep);
    Collector visitor(deep);
    DirectoryWalker(visitor).process(dir.str().c_str(), nullptr);
    std::sort(visitor.files.begin(), visitor.files.end());
    std::sort(visitor.folders.begin(), visitor.folders.end());
    EXPECT_EQ(visitor.asked, 1);
    if (deep) {
      EXPECT_EQ(visitor.files,
                (std::vector<std::string>{dir.str() + "/sub/inner.txt", dir.str() + "/top.txt"}));
      EXPECT_EQ(visitor.folders, (std::vector<std::string>{dir.str() + "/sub", dir.str() + "/sub/deeper"}));
    } else {
      EXPECT_EQ(visitor.files, std::vector<std::string>{dir.str() + "/top.txt"});
      EXPECT_EQ(visitor.folders, std::vector<std::string>{dir.str() + "/sub"});
    }
  }
}

TEST(DirectoryWalkerTest, UnreadableFolderGivesNoCallback) {
  qmtest::TempDir dir;
  qmtest::writeFile(dir / "file", "x");
  for (const std::string& folder : {dir.str() + "/missing", dir.str() + "/file"}) {
    Collector visitor(true);
    DirectoryWalker(visitor).process(folder.c_str(), nullptr);
    EXPECT_TRUE(visitor.files.empty() && visitor.folders.empty()) << folder;
  }
}
