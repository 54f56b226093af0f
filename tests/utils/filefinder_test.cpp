#include "utils/filefinder.h"

#include "support/logcapture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

class FileFinderTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* sub : {"res/data", "user/OrvaneSoftware/data", "base"})
      fs::create_directories(dir / sub);
  }
  qmtest::TempDir dir;
  qmtest::ScopedEnv resources{"QUILLMERE_RESOURCES", dir.str() + "/res"};
  qmtest::ScopedEnv data{"XDG_DATA_HOME", dir.str() + "/user"};
  std::string userRoot() const { return FileSystem::instance().userPath().c_str(); }
};

TEST_F(FileFinderTest, SearchesInTheOrderAddedWithoutDuplicates) {
  qmtest::writeFile(dir / "res/data/config", "r");
  qmtest::writeFile(dir / "user/OrvaneSoftware/data/config", "u");
  FileFinder finder;
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::UserAppSupport, "OrvaneSoftware");
  finder.add(CommonDirectory::Resources); // keeps its first place
  finder.add((dir.str() + "/res/").c_str(), nullptr);
  const char* first = finder.find("data/config");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(std::string(first), dir.str() + "/res/data/config");
  const char* second = finder.next();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(std::string(second), userRoot() + "/data/config");
  EXPECT_EQ(finder.next(), nullptr);
  EXPECT_EQ(finder.next(), nullptr);
  // A new search starts from the first base again.
  EXPECT_NE(finder.find("data/config"), nullptr);
  EXPECT_EQ(finder.find(""), nullptr);
  EXPECT_EQ(finder.find(nullptr), nullptr);
  EXPECT_EQ(finder.find("data/none"), nullptr);
  // A copy in a later folder only is found there.
  std::filesystem::remove(dir / "res/data/config");
  ASSERT_NE(finder.find("data/config"), nullptr);
  EXPECT_EQ(std::string(finder.find("data/config")), userRoot() + "/data/config");
  EXPECT_EQ(finder.next(), nullptr);
}

TEST_F(FileFinderTest, OverlongPathsAreNeverCutAndUsed) {
  qmtest::LogCapture log({"ERR"});
  const std::string base = dir.str() + "/base/";
  fs::create_directories(dir / "base/folder");
  qmtest::writeFile(dir / "base/x", "x");
  // Cut at 4,096 bytes, these would name base/////... and base/folder////..., which exist.
  FileFinder finder;
  finder.add((base + std::string(4096, '/') + "missing").c_str(), nullptr);
  EXPECT_EQ(finder.find("x"), nullptr);
  FileFinder exact;
  exact.add(base.c_str(), nullptr);
  EXPECT_NE(exact.find("x"), nullptr);
  EXPECT_EQ(exact.find(("folder" + std::string(4096, '/') + "missing").c_str()), nullptr);
  EXPECT_NE(log.all().find("FileFinder - folder name too long"), std::string::npos);
  EXPECT_NE(log.all().find("FileFinder - path too long"), std::string::npos);
}
