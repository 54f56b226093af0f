#include "encoding/fileconverter.h"

#include "encoding/encodingdetector.h"

#include "support/recode.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"
#include "utils/messagecenter.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string TEXT = "中文，English 123。香港\n";

class FileConverterTest : public testing::Test {
protected:
  // A job for a new source file holding bytes.
  std::unique_ptr<FileConverter::Info> job(std::string const& bytes, EncodingDetector::Encoding encoding) {
    const fs::path source = dir / ("source" + std::to_string(++files));
    qmtest::writeFile(source, bytes);
    return std::make_unique<FileConverter::Info>(7, encoding, nullptr, Text(source.c_str()));
  }
  fs::path converted() const { return dir / "xdg/OrvaneSoftware/converted"; }
  fs::path own() const { return converted() / std::to_string(getpid()); }
  size_t copies() const {
    std::error_code ec;
    size_t n = 0;
    for (fs::directory_iterator it(own(), ec), end; !ec && it != end; it.increment(ec))
      ++n;
    return n;
  }

  qmtest::TempDir dir;
  qmtest::ScopedEnv data{"XDG_DATA_HOME", (dir / "xdg").string()};
  int files = 0;
};

// A process id that no process has: a child that has ended and been reaped.
pid_t deadProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

} // namespace

TEST_F(FileConverterTest, ConvertsEachEncoding) {
  const struct {
    const char* name;
    EncodingDetector::Encoding encoding;
    std::string bytes;
  } cases[] = {
      {"GB18030", EncodingDetector::Gb18030, qmtest::recode(TEXT, "UTF-8", "GB18030")},
      {"Big5", EncodingDetector::Big5, qmtest::recode(TEXT, "UTF-8", "BIG5-HKSCS")},
      {"UTF-16LE with mark", EncodingDetector::Utf16LE,
       "\xFF\xFE" + qmtest::recode(TEXT, "UTF-8", "UTF-16LE")},
      {"UTF-16BE with mark", EncodingDetector::Utf16BE,
       "\xFE\xFF" + qmtest::recode(TEXT, "UTF-8", "UTF-16BE")},
      {"UTF-16LE without mark", EncodingDetector::Utf16LE, qmtest::recode(TEXT, "UTF-8", "UTF-16LE")},
      {"UTF-16BE without mark", EncodingDetector::Utf16BE, qmtest::recode(TEXT, "UTF-8", "UTF-16BE")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto info = job(c.bytes, c.encoding);
    EXPECT_EQ(FileConverter::runWithInfo(*info), FileConverter::Converted);
    EXPECT_EQ(info->status, FileConverter::Converted);
    EXPECT_EQ(fs::path(info->converted.c_str()).parent_path(), own());
    EXPECT_EQ(qmtest::readFile(info->converted.c_str()), TEXT);
  }
  EXPECT_EQ(copies(), std::size(cases));
}

TEST_F(FileConverterTest, NothingToConvert) {
  const struct {
    const char* name;
    EncodingDetector::Encoding encoding;
    std::string bytes;
    FileConverter::Status status;
    bool named; // the job names a copy (that was never written)
  } cases[] = {
      {"only a mark", EncodingDetector::Utf16LE, "\xFF\xFE", FileConverter::NoBytes, true},
      {"empty file", EncodingDetector::Gb18030, "", FileConverter::NoBytes, true},
      {"UTF-8 is not converted", EncodingDetector::Utf8, "abc", FileConverter::UnknownError, false},
      {"unknown is not converted", EncodingDetector::Unknown, "abc", FileConverter::UnknownError, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto info = job(c.bytes, c.encoding);
    EXPECT_EQ(FileConverter::runWithInfo(*info), c.status);
    EXPECT_EQ(!info->converted.empty(), c.named);
    if (c.named) {
      EXPECT_FALSE(fs::exists(info->converted.c_str()));
    }
  }
  EXPECT_TRUE(fs::is_directory(own()));
  EXPECT_EQ(copies(), 0u);

  FileConverter::Info missing(0, EncodingDetector::Gb18030, nullptr, Text((dir / "missing").c_str()));
  EXPECT_EQ(FileConverter::runWithInfo(missing), FileConverter::UnknownError);
}

// One bad byte in the middle of a real text: the copy has U+FFFD there and the rest intact.
TEST_F(FileConverterTest, BadByteInRealText) {
  std::string pku = qmtest::readFile(qmtest::sharedDataDir() / "corpus/pku_test.txt");
  const std::string twin = qmtest::readFile(qmtest::sharedDataDir() / "corpus/pku_test.utf8");
  size_t middle = pku.size() / 2;
  while (static_cast<unsigned char>(pku[middle]) >= 0x80)
    ++middle; // between two characters
  pku.insert(middle, "\xFF");
  auto info = job(pku, EncodingDetector::Gb18030);
  ASSERT_EQ(FileConverter::runWithInfo(*info), FileConverter::Converted);
  const std::string copy = qmtest::readFile(info->converted.c_str());
  const std::string head = twin.substr(0, qmtest::recode(pku.substr(0, middle), "GB18030", "UTF-8").size());
  EXPECT_TRUE(copy == head + "\xEF\xBF\xBD" + twin.substr(head.size()));
}

// Detection lets a few bad bytes pass, so conversion must too: such a file is detected and then opens.
TEST_F(FileConverterTest, DetectedFileWithBadByteConverts) {
  std::string big5 = qmtest::readFile(qmtest::sharedDataDir() / "corpus/cityu_test.txt");
  size_t at = 0;
  while (at < 100) // to a character boundary
    at += static_cast<unsigned char>(big5[at]) < 0x80 ? 1 : 2;
  big5.insert(at, "\xFF");
  auto info = job(big5, EncodingDetector::Unknown);
  info->encoding = EncodingDetector().detect(info->source.c_str());
  ASSERT_EQ(info->encoding, EncodingDetector::Big5);
  ASSERT_EQ(FileConverter::runWithInfo(*info), FileConverter::Converted);
  EXPECT_NE(qmtest::readFile(info->converted.c_str()).find("\xEF\xBF\xBD"), std::string::npos);
}

TEST_F(FileConverterTest, CopyThatCannotBeWrittenIsNotLeft) {
  // The folder for copies cannot be made: a file stands where it should be.
  fs::create_directories(converted().parent_path());
  qmtest::writeFile(converted(), "not a folder");
  auto info = job(qmtest::recode(TEXT, "UTF-8", "GB18030"), EncodingDetector::Gb18030);
  EXPECT_EQ(FileConverter::runWithInfo(*info), FileConverter::NotWritten);
  EXPECT_TRUE(info->converted.empty());
  EXPECT_EQ(FileConverter::writeToTempFile(*info, "abc", 3), FileConverter::NotWritten);
}

// The disk fills up during the conversion: the partial copy is deleted and the job says it was not written.
TEST_F(FileConverterTest, ShortWriteDeletesPartialCopy) {
  auto info =
      job(qmtest::recode(std::string(1 << 20, 'a') + TEXT, "UTF-8", "GB18030"), EncodingDetector::Gb18030);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 200000; // writes past this size fail, as on a full disk
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto status = FileConverter::runWithInfo(*info);
  const auto small_write = FileConverter::writeToTempFile(*info, std::string(300000, 'x').data(), 300000);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(status, FileConverter::NotWritten);
  EXPECT_EQ(small_write, FileConverter::NotWritten);
  EXPECT_TRUE(info->converted.empty());
  EXPECT_EQ(copies(), 0u);
}

TEST_F(FileConverterTest, CancelledConversionStopsAndLeavesNoCopy) {
  auto info = job(qmtest::recode(std::string(1 << 20, 'a'), "UTF-8", "GB18030"), EncodingDetector::Gb18030);
  info->setCancelled(true);
  EXPECT_EQ(FileConverter::runWithInfo(*info), FileConverter::UnknownError);
  EXPECT_TRUE(info->converted.empty());
  EXPECT_EQ(copies(), 0u);
}

TEST_F(FileConverterTest, WriteToTempFile) {
  FileConverter::Info info(0, EncodingDetector::Gb18030, nullptr, Text("unused"));
  EXPECT_EQ(FileConverter::writeToTempFile(info, "abc", 3), FileConverter::Converted);
  EXPECT_EQ(qmtest::readFile(info.converted.c_str()), "abc");
  const Text first = info.converted;
  EXPECT_EQ(FileConverter::writeToTempFile(info, "", 0), FileConverter::NoBytes);
  EXPECT_FALSE(info.converted == first);
  EXPECT_FALSE(fs::exists(info.converted.c_str()));
}

// Only this process's copies are deleted at shutdown; folders of processes that have ended are swept.
TEST_F(FileConverterTest, CleanupAndSweepKeepOtherProcessesCopies) {
  const fs::path running = converted() / std::to_string(getppid());
  const fs::path ended = converted() / std::to_string(deadProcess());
  const fs::path other = converted() / "notes";
  for (const auto& d : {running, ended, other})
    qmtest::writeFile((fs::create_directories(d), d / "copy"), "x");

  FileConverter::sweepStale();
  EXPECT_FALSE(fs::exists(ended));
  EXPECT_TRUE(fs::exists(running / "copy"));
  EXPECT_TRUE(fs::exists(other / "copy"));

  FileConverter::Info info(0, EncodingDetector::Gb18030, nullptr, Text("unused"));
  ASSERT_EQ(FileConverter::writeToTempFile(info, "abc", 3), FileConverter::Converted);
  FileConverter::cleanup();
  EXPECT_FALSE(fs::exists(own()));
  EXPECT_TRUE(fs::exists(running / "copy"));
  FileConverter::cleanup(); // nothing left to delete
  fs::remove_all(converted());
  FileConverter::cleanup(); // no "converted" folder at all
  EXPECT_FALSE(fs::exists(converted()));
}

namespace {

// Keeps what comes back to the main thread.
struct Receiver : FileConverter::Listener {
  void finished(FileConverter::Status status, std::unique_ptr<FileConverter::Info> info) override {
    statuses.push_back(status);
    jobs.push_back(std::move(info));
  }
  std::vector<FileConverter::Status> statuses;
  std::vector<std::unique_ptr<FileConverter::Info>> jobs;
};

// Runs the main thread's queue until a call has come and gone, or ten seconds pass.
bool drainOne() {
  for (int i = 0; i < 10000; ++i) {
    if (MessageCenter::instance().processMessages()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

} // namespace

TEST_F(FileConverterTest, WorkerHandsJobBackOnMainThread) {
  Receiver receiver;
  auto info = job(qmtest::recode(TEXT, "UTF-8", "GB18030"), EncodingDetector::Gb18030);
  info->listener = &receiver;
  ASSERT_TRUE(FileConverter::launch(std::move(info)));
  ASSERT_TRUE(drainOne());
  ASSERT_EQ(receiver.statuses, std::vector{FileConverter::Converted});
  EXPECT_EQ(receiver.jobs[0]->userData, 7u);
  EXPECT_EQ(qmtest::readFile(receiver.jobs[0]->converted.c_str()), TEXT);
}

// A job cancelled while it runs never reaches its listener; the main thread frees it.
TEST_F(FileConverterTest, CancelledWhileRunningIsNeverReported) {
  Receiver receiver;
  auto info = job(qmtest::recode(std::string(8 << 20, 'a'), "UTF-8", "GB18030"), EncodingDetector::Gb18030);
  info->listener = &receiver;
  FileConverter::Info* running = info.get(); // the owner's handle, valid until the job comes back
  ASSERT_TRUE(FileConverter::launch(std::move(info)));
  running->setCancelled(true);
  ASSERT_TRUE(drainOne());
  EXPECT_TRUE(receiver.statuses.empty());
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// No thread can start (no address space for its stack): the job comes back failed instead of never. Run in
// a fresh process, which has no stacks of ended threads to reuse.
TEST_F(FileConverterTest, ThreadThatCannotStartReportsFailure) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto attempt = [this] {
    Receiver receiver;
    auto info = job(qmtest::recode(TEXT, "UTF-8", "GB18030"), EncodingDetector::Gb18030);
    info->listener = &receiver;
    MessageCenter::instance(); // made before the limit
    rlimit old;
    getrlimit(RLIMIT_AS, &old);
    rlimit tight = old;
    tight.rlim_cur = qmtest::addressSpaceInUse() + (1 << 20); // less than a thread's stack
    if (setrlimit(RLIMIT_AS, &tight) != 0) std::exit(2);
    const bool launched = FileConverter::launch(std::move(info));
    setrlimit(RLIMIT_AS, &old);
    if (launched) std::exit(3);
    if (!drainOne()) std::exit(4);
    std::exit(receiver.statuses == std::vector{FileConverter::UnknownError} ? 0 : 5);
  };
  EXPECT_EXIT(attempt(), testing::ExitedWithCode(0), "");
}
#endif
