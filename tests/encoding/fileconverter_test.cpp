#include "encoding/fileconverter.h"

#include "support/recode.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"
#include "utils/messagecenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using E = EncodingDetector;

namespace {

const std::string TEXT = "中文，English 123。香港\n";

class FileConverterTest : public testing::Test, public FileConverter::Listener {
protected:
  // A job for a new source file holding bytes.
  std::unique_ptr<FileConverter::Info> job(std::string const& bytes, E::Encoding encoding) {
    const fs::path source = dir / ("source" + std::to_string(++files));
    qmtest::writeFile(source, bytes);
    return std::make_unique<FileConverter::Info>(7, encoding, this, Text(source.c_str()));
  }
  fs::path converted() const { return dir / "xdg/OrvaneSoftware/converted"; }
  fs::path own() const { return converted() / std::to_string(getpid()); }
  // What comes back to the main thread.
  void finished(FileConverter::Status status, std::unique_ptr<FileConverter::Info> info) override {
    statuses.push_back(status);
    last = std::move(info);
  }
  // Runs the main thread's queue until a call has come and gone, or ten seconds pass.
  static bool drainOne() {
    for (int i = 0; i < 10000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
      if (MessageCenter::instance().processMessages()) return true;
    return false;
  }

  qmtest::TempDir dir;
  qmtest::ScopedEnv data{"XDG_DATA_HOME", (dir / "xdg").string()};
  int files = 0;
  std::vector<FileConverter::Status> statuses;
  std::unique_ptr<FileConverter::Info> last;
};

} // namespace

TEST_F(FileConverterTest, ConvertsOrSaysWhyNot) {
  const struct {
    E::Encoding encoding;
    std::string bytes;
    FileConverter::Status status; // a job that is not refused names a copy, written only when converted
  } cases[] = {
      {E::Gb18030, qmtest::recode(TEXT, "UTF-8", "GB18030"), FileConverter::Converted},
      {E::Utf16LE, "\xFF\xFE", FileConverter::NoBytes}, // only a mark
      {E::Gb18030, "", FileConverter::NoBytes},
      {E::Utf8, "abc", FileConverter::UnknownError}, // nothing to convert
      {E::Unknown, "abc", FileConverter::UnknownError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    auto info = job(c.bytes, c.encoding);
    EXPECT_EQ(FileConverter::runWithInfo(*info), c.status);
    EXPECT_EQ(fs::path(info->converted.c_str()).parent_path() == own(),
              c.status != FileConverter::UnknownError);
    EXPECT_EQ(fs::exists(info->converted.c_str()), c.status == FileConverter::Converted);
    if (c.status == FileConverter::Converted) {
      EXPECT_EQ(qmtest::readFile(info->converted.c_str()), TEXT);
    }
  }
  FileConverter::Info missing(0, E::Gb18030, nullptr, Text((dir / "missing").c_str()));
  EXPECT_EQ(FileConverter::runWithInfo(missing), FileConverter::UnknownError);
}

// No copy that is not whole is left: the folder cannot be made, the disk fills up, the job is cancelled.
TEST_F(FileConverterTest, CopyThatIsNotWholeIsNotLeft) {
  auto big = job(qmtest::recode(std::string(1 << 20, 'a'), "UTF-8", "GB18030"), E::Gb18030);
  big->setCancelled(true);
  EXPECT_EQ(FileConverter::runWithInfo(*big), FileConverter::UnknownError);
  big->setCancelled(false);
  int pieces = 0; // stopped after some of the copy is written
  EXPECT_EQ(FileConverter::runWithInfo(*big, [&pieces] { return ++pieces > 3; }),
            FileConverter::UnknownError);
  EXPECT_TRUE(big->converted.empty());
  EXPECT_TRUE(fs::is_empty(own()));
  const auto notWritten = qmtest::withFileSizeLimit(200000, [&] { // writes past it fail, as on a full disk
    return FileConverter::runWithInfo(*big) == FileConverter::NotWritten && big->converted.empty() &&
           fs::is_empty(FileConverter::folder().c_str()); // the child's own folder
  });
  EXPECT_EQ(notWritten, true);
  EXPECT_TRUE(fs::is_empty(own()));
  fs::remove_all(converted());
  qmtest::writeFile(converted(), "a file where the folder should be");
  EXPECT_EQ(FileConverter::runWithInfo(*big), FileConverter::NotWritten);
  EXPECT_TRUE(big->converted.empty());
  EXPECT_EQ(FileConverter::writeToTempFile(*big, "abc", 3), FileConverter::NotWritten);
}

// Only this process's copies are deleted at shutdown; folders of processes that have ended are swept.
TEST_F(FileConverterTest, CleanupAndSweepKeepOtherProcessesCopies) {
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0); // a process id that no process has
  const fs::path running = converted() / std::to_string(getppid()),
                 gone = converted() / std::to_string(ended);
  for (const auto& d : {running, gone, converted() / "notes"})
    qmtest::writeFile((fs::create_directories(d), d / "copy"), "x");
  FileConverter::sweepStale();
  EXPECT_FALSE(fs::exists(gone));
  EXPECT_TRUE(fs::exists(converted() / "notes/copy"));

  FileConverter::Info info(0, E::Gb18030, nullptr, Text("unused"));
  EXPECT_EQ(FileConverter::writeToTempFile(info, "", 0), FileConverter::NoBytes);
  ASSERT_EQ(FileConverter::writeToTempFile(info, "abc", 3), FileConverter::Converted);
  EXPECT_EQ(qmtest::readFile(info.converted.c_str()), "abc");
  FileConverter::cleanup();
  EXPECT_FALSE(fs::exists(own()));
  EXPECT_TRUE(fs::exists(running / "copy"));
  fs::remove_all(converted());
  FileConverter::cleanup(); // no "converted" folder at all
}

// Jobs come back on the main thread; a job cancelled while it runs never reaches its listener, and one
// whose thread cannot start comes back failed instead of never.
TEST_F(FileConverterTest, WorkerHandsJobsBackOnTheMainThread) {
  ASSERT_TRUE(FileConverter::launch(job(qmtest::recode(TEXT, "UTF-8", "GB18030"), E::Gb18030)));
  ASSERT_TRUE(drainOne());
  ASSERT_EQ(statuses, std::vector{FileConverter::Converted});
  EXPECT_EQ(last->userData, 7u);
  EXPECT_EQ(qmtest::readFile(last->converted.c_str()), TEXT);

  auto info = job(qmtest::recode(std::string(8 << 20, 'a'), "UTF-8", "GB18030"), E::Gb18030);
  FileConverter::Info* running = info.get(); // the owner's handle, valid until the job comes back
  ASSERT_TRUE(FileConverter::launch(std::move(info)));
  running->setCancelled(true);
  ASSERT_TRUE(drainOne());
  EXPECT_EQ(statuses.size(), 1u);

  {
    qmtest::NoNewThreads noThreads;
    EXPECT_FALSE(FileConverter::launch(job(TEXT, E::Gb18030)));
  }
  ASSERT_TRUE(drainOne());
  EXPECT_EQ(statuses, (std::vector{FileConverter::Converted, FileConverter::UnknownError}));
}
