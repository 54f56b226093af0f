// Locks between processes: each case forks a child that takes a lock or tries to, and reports by its exit
// status (0: as expected). Pipes order the steps, so the cases do not depend on timing.
#include "utils/platform/posix/filehandle.h"
#include "utils/platform/posix/filelock.h"
#include "utils/platform/posix/filewriter.h"

#include "support/childprocess.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using qmtest::Child;

template <typename E, typename F> int throws(F f) {
  try {
    f();
  } catch (E const&) {
    return 0;
  } catch (...) {
    return 2;
  }
  return 1;
}

} // namespace

TEST(FileLockProcessTest, AnotherProcessHoldingTheLockExcludesUs) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/lock";
  Child holder([&](Child& self) {
    FileLock lock(path.c_str());
    self.signalAndWait();
    return 0;
  });
  ASSERT_TRUE(holder.waitForChild());
  EXPECT_EQ(throws<FileLock::already_exists>([&] { FileLock lock(path.c_str()); }), 0);
  holder.resume();
  EXPECT_EQ(holder.wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(path));
  FileLock ours(path.c_str());
  Child other([&](Child&) { return throws<FileLock::already_exists>([&] { FileLock lock(path.c_str()); }); });
  EXPECT_EQ(other.wait(), 0);
}

TEST(FileLockProcessTest, SharedReadersExclusiveWriters) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/words";
  qmtest::writeFile(path, "original");
  Child reader([&](Child& self) {
    FileHandle handle(path.c_str());
    self.signalAndWait();
    return 0;
  });
  ASSERT_TRUE(reader.waitForChild());
  EXPECT_NO_THROW(FileHandle second(path.c_str())); // shared with the other reader
  EXPECT_THROW(FileWriter(path.c_str(), 0), FileWriter::open_error);
  EXPECT_EQ(qmtest::readFile(path), "original"); // not truncated by the failed writer
  reader.resume();
  EXPECT_EQ(reader.wait(), 0);

  Child writer([&](Child& self) {
    FileWriter out(path.c_str(), 0);
    out << "the holder's data";
    self.signalAndWait();
    return out.close() ? 0 : 1;
  });
  ASSERT_TRUE(writer.waitForChild());
  EXPECT_THROW(FileHandle(path.c_str()), FileHandle::open_error);
  for (int flags : {0, int(FileWriter::ReadWrite), int(FileWriter::Append)}) {
    SCOPED_TRACE(flags);
    EXPECT_THROW(FileWriter(path.c_str(), flags), FileWriter::open_error);
  }
  EXPECT_EQ(qmtest::readFile(path), "the holder's data");
  writer.resume();
  EXPECT_EQ(writer.wait(), 0);
  EXPECT_EQ(qmtest::readFile(path), "the holder's data");
}

// Several processes take and release the same lock as fast as they can; while holding it, each creates a
// marker file exclusively. Two holders at once would find the other's marker.
TEST(FileLockProcessTest, NeverTwoHoldersUnderContention) {
  qmtest::TempDir dir;
  const std::string path = dir.str() + "/lock", marker = dir.str() + "/holder";
  std::vector<std::unique_ptr<Child>> children;
  for (int i = 0; i < 4; ++i)
    children.push_back(std::make_unique<Child>([&](Child&) {
      // Contend for 400 ms, longer on a loaded machine until this child has held the lock once.
      const auto start = std::chrono::steady_clock::now();
      int held = 0;
      for (auto now = start; now < start + std::chrono::milliseconds(400) ||
                             (held == 0 && now < start + std::chrono::seconds(20));
           now = std::chrono::steady_clock::now()) {
        try {
          FileLock lock(path.c_str());
          const int fd = open(marker.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
          if (fd < 0) return 1; // someone else holds the lock too
          close(fd);
          ++held;
          unlink(marker.c_str());
        } catch (FileLock::already_exists const&) {
        } catch (FileHandle::open_error const&) {
        }
      }
      return held > 0 ? 0 : 2;
    }));
  for (auto& child : children)
    EXPECT_EQ(child->wait(), 0);
}
