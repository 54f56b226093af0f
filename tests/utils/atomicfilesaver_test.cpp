#include "utils/atomicfilesaver.h"
#include "utils/exception.h"
#include "utils/platform/posix/filewriter.h"

#include "support/logcapture.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

ZUN_ERROR(AtomicFileSaverTest_error);

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

// Nothing is committed unless asked for: an aborted save, or a saver left without commit (its caller failed
// to open the file), leaves an existing target as it was and creates no new one, and leaves no temporary;
// so does a save into a folder that is missing or a file, and a save over a pipe that someone put in the
// target's place.
TEST(AtomicFileSaverTest, OnlyACommitReplacesTheTarget) {
  qmtest::TempDir dir;
  qmtest::LogCapture log({"ERR"});
  qmtest::writeFile(dir / "recent", "old content");
  for (bool abort : {true, false}) {
    for (const char* name : {"/recent", "/new"}) {
      AtomicFileSaver saver("zun", (dir.str() + name).c_str());
      FileWriter out(saver.path(), FileWriter::Exclusive);
      out << "half";
      if (abort) saver.abort();
    }
  }
  EXPECT_EQ(qmtest::readFile(dir / "recent"), "old content");
  EXPECT_FALSE(fs::exists(dir / "new"));
  qmtest::writeFile(dir / "file", "a file, not a folder");
  for (const char* target : {"/missing/recent", "/file/recent"})
    EXPECT_FALSE(save(dir.str() + target, "data")) << target;
  EXPECT_EQ(qmtest::readFile(dir / "file"), "a file, not a folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(save(dir.str() + "/pipe", "data"));
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  EXPECT_NE(log.all().find("Not replacing '" + dir.str() + "/pipe': it is not a regular file"),
            std::string::npos);
  EXPECT_EQ(entries(dir.path()), 3u);
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

// A writer that throws half-way, whatever it throws, commits nothing: the old target stays byte for byte, a
// new one is not created. Our own errors are reported as a failed save, any other exception goes on up.
TEST(AtomicFileSaverTest, AWriterThatThrowsCommitsNothing) {
  qmtest::TempDir dir;
  qmtest::LogCapture log({"ERR"});
  struct Case {
    const char* name;
    std::function<void()> raise;
    bool propagates;
  };
  const Case cases[] = {
      {"runtime_error", [] { throw std::runtime_error("x"); }, true},
      {"int", [] { throw 1; }, true},
      {"zun", [] { ZUN_THROW(AtomicFileSaverTest_error); }, false},
  };
  for (const Case& c : cases) {
    for (bool existed : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (existed ? " existing" : " new"));
      const std::string target = dir.str() + "/config";
      fs::remove(target);
      if (existed) qmtest::writeFile(target, "old content");
      const auto write = [&](OutputStream& out) {
        out.write("half", 4);
        c.raise();
      };
      if (c.propagates) {
        EXPECT_ANY_THROW(AtomicFileSaver::save(target.c_str(), write));
      } else {
        EXPECT_FALSE(AtomicFileSaver::save(target.c_str(), write));
      }
      if (existed) {
        EXPECT_EQ(qmtest::readFile(target), "old content");
      } else {
        EXPECT_FALSE(fs::exists(target));
      }
      EXPECT_EQ(entries(dir.path()), existed ? 1u : 0u);
    }
  }
}
