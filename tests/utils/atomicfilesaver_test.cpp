#include "utils/atomicfilesaver.h"
#include "utils/platform/posix/filewriter.h"

#include "support/logcapture.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Saves content to target as every saver of the system does; false when the save failed.
bool save(const std::string& target, const std::string& content) {
  return AtomicFileSaver::save(target.c_str(),
                               [&](OutputStream& out) { out.write(content.data(), content.size()); });
}

size_t entries(fs::path const& folder) {
  size_t n = 0;
  std::error_code ec;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); ++it)
    ++n;
  return n;
}

} // namespace

TEST(AtomicFileSaverTest, WritesNewAndReplacesExistingTargets) {
  qmtest::TempDir dir;
  const std::string target = dir.str() + "/recent";
  EXPECT_TRUE(save(target, "first"));
  EXPECT_EQ(qmtest::readFile(target), "first");
  EXPECT_TRUE(save(target, "second, longer"));
  EXPECT_EQ(qmtest::readFile(target), "second, longer");
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(AtomicFileSaverTest, WritesToAHiddenFileBesideTheTarget) {
  qmtest::TempDir dir;
  const std::string target = dir.str() + "/config";
  qmtest::writeFile(target, "old");
  AtomicFileSaver saver("zun", target.c_str());
  const fs::path temp(saver.path());
  EXPECT_EQ(temp.parent_path(), dir.path());
  EXPECT_EQ(temp.filename().string().rfind(".config.tmp-", 0), 0u);
  EXPECT_STREQ(saver.target(), target.c_str());
}

TEST(AtomicFileSaverTest, AbortedSaveLeavesTheTargetAndNoTemporary) {
  qmtest::TempDir dir;
  const std::string target = dir.str() + "/recent";
  qmtest::writeFile(target, "old content");
  {
    AtomicFileSaver saver("zun", target.c_str());
    FileWriter out(saver.path(), FileWriter::Exclusive);
    out << "half";
    saver.abort();
  }
  EXPECT_EQ(qmtest::readFile(target), "old content");
  EXPECT_EQ(entries(dir.path()), 1u);
  // A new target is not created half-written either.
  {
    AtomicFileSaver saver("zun", (dir.str() + "/new").c_str());
    FileWriter out(saver.path(), FileWriter::Exclusive);
    out << "half";
    saver.abort();
  }
  EXPECT_FALSE(fs::exists(dir / "new"));
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(AtomicFileSaverTest, InjectedFailuresLeaveNothingBehind) {
  qmtest::TempDir dir;
  qmtest::LogCapture log({"ERR"});
  qmtest::writeFile(dir / "file", "a file, not a folder");
  const std::string targets[] = {dir.str() + "/missing/recent", dir.str() + "/file/recent"};
  for (const auto& target : targets) {
    SCOPED_TRACE(target);
    EXPECT_FALSE(save(target, "data"));
    EXPECT_FALSE(fs::exists(target));
  }
  EXPECT_EQ(qmtest::readFile(dir / "file"), "a file, not a folder");
  EXPECT_EQ(entries(dir.path()), 1u);
  // The caller forgot to abort after failing to open: the target is still left alone, and it is logged.
  qmtest::writeFile(dir / "kept", "kept");
  { AtomicFileSaver saver("zun", (dir.str() + "/kept").c_str()); }
  EXPECT_EQ(qmtest::readFile(dir / "kept"), "kept");
  EXPECT_NE(log.all().find("Error replacing file:"), std::string::npos);
}

// A disk that fills up half-way through the save, made real with a file-size limit in a child process: the
// write fails, the save reports it, and the old target stays byte for byte.
TEST(AtomicFileSaverTest, DiskFullKeepsTheOldTarget) {
  qmtest::TempDir dir;
  const std::string target = dir.str() + "/config";
  const std::string old(3000, 'o');
  qmtest::writeFile(target, old);
  EXPECT_EQ(qmtest::withFileSizeLimit(4096, [&] { return save(target, std::string(10000, 'n')); }), false)
      << "the failed write was reported as success";
  EXPECT_EQ(qmtest::readFile(target), old);
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(AtomicFileSaverTest, WriterOnAFullDeviceIsCaught) {
  qmtest::TempDir dir;
  const std::string target = dir.str() + "/config";
  qmtest::writeFile(target, "old");
  {
    AtomicFileSaver saver("zun", target.c_str());
    FileWriter out("/dev/full", 0);
    out << "new";
    if (!out.close()) saver.abort();
  }
  EXPECT_EQ(qmtest::readFile(target), "old");
  EXPECT_EQ(entries(dir.path()), 1u);
}
