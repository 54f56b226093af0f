#include "utils/platform/posix/filelock.h"
#include "utils/platform/posix/namedfilelock.h"

#include "support/logcapture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

TEST(FileLockTest, SecondLockFailsUntilTheFirstIsReleased) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/lock";
  auto first = std::make_unique<FileLock>(path.c_str());
  EXPECT_TRUE(fs::exists(path));
  EXPECT_THROW(FileLock second(path.c_str()), FileLock::already_exists);
  EXPECT_TRUE(fs::exists(path)); // a failed lock leaves the lock file in place
  first.reset();
  EXPECT_FALSE(fs::exists(path));
  FileLock again(path.c_str());
  EXPECT_STREQ(again.path(), path.c_str());
}

// A lock file left by a crashed holder is taken over; a missing folder or no path is an error.
TEST(FileLockTest, StaleLockFileIsTakenOverAndFailures) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/lock";
  qmtest::writeFile(path, "left by a crashed holder");
  FileLock lock(path.c_str());
  EXPECT_THROW(FileLock(path.c_str()), FileLock::already_exists);
  EXPECT_THROW(FileLock((dir.str() + "/missing/lock").c_str()), FileHandle::open_error);
  EXPECT_THROW(FileLock(nullptr), FileLock::create_error);
}

TEST(FileLockTest, OverlongPathIsRefusedNotCut) {
  qmtest::TempDir dir;
  qmtest::LogCapture log({"ERR"});
  // Cut to 1,023 bytes this would name a lock file of its own in dir.
  std::string path = dir.str() + "/";
  path += std::string(1023 - path.size(), 'a');
  const std::string longer = path + "b";
  EXPECT_THROW(FileLock(longer.c_str()), FileLock::create_error);
  EXPECT_THROW(NamedFileLock(dir.str().c_str(), longer.substr(dir.str().size() + 1).c_str()),
               FileLock::create_error);
  EXPECT_TRUE(fs::is_empty(dir.path()));
  EXPECT_NE(log.all().find("too long"), std::string::npos);
}

TEST(NamedFileLockTest, FolderWithOrWithoutSlashLocksTheSamePath) {
  qmtest::TempDir dir;
  NamedFileLock lock(dir.str().c_str(), "wordlists.lock");
  EXPECT_STREQ(lock.fullPath(), (dir.str() + "/wordlists.lock").c_str());
  EXPECT_THROW(NamedFileLock((dir.str() + "/").c_str(), "wordlists.lock"), FileLock::already_exists);
}
