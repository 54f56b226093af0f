#include "views/clipboardpaster.h"

#include "support/resourcelimits.h"
#include "support/tempdir.h"
#include "utils/messagecenter.h"
#include "views/clipboard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace {

struct Result {
  int calls = 0;
  ClipboardPaster::Status status = ClipboardPaster::Running;
  std::string path;
  std::thread::id thread;
  bool lockedMeanwhile = false; // another writer could not take the file while the listener ran
};

class Recorder : public ClipboardPaster::Listener {
public:
  void onPasteComplete(ClipboardPaster::Status status, ClipboardPaster::Info const& info) override {
    ++result.calls;
    result.status = status;
    result.path = info.path.c_str();
    result.thread = std::this_thread::get_id();
    const int fd = ::open(info.path.c_str(), O_RDONLY | O_CLOEXEC);
    result.lockedMeanwhile = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (fd >= 0) ::close(fd);
  }
  Result result;
};

// Pastes clipboard (nothing: an empty clipboard) into path and drains the main-thread queue, as the
// desktop's event loop does, until the job has come back.
Result paste(std::optional<std::string> const& clipboard, std::string const& path) {
  Clipboard().setText(Span(clipboard ? clipboard->c_str() : ""));
  Recorder recorder;
  auto info = std::make_unique<ClipboardPaster::Info>();
  info->listener = &recorder;
  info->path = Text(path.c_str());
  ClipboardPaster::start(std::move(info));
  EXPECT_EQ(recorder.result.calls, 0); // never before the main thread drains its queue
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (recorder.result.calls == 0 && std::chrono::steady_clock::now() < deadline) {
    MessageCenter::instance().processMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  MessageCenter::instance().processMessages();
  return recorder.result;
}

TEST(ClipboardPasterTest, WritesTheTextWithALineFeedOrReportsWhyNot) {
  qmtest::TempDir dir;
  qmtest::writeFile(dir / "file", "x");
  // A full disk through a link of our own: a paster that wrongly removed its target loses the link, never the
  // machine's /dev/full.
  const std::string full = (dir / "full").string();
  std::filesystem::create_symlink("/dev/full", full);
  const struct {
    std::optional<std::string> clipboard;
    std::string path;
    ClipboardPaster::Status status;
    std::optional<std::string> written;
  } cases[] = {
      {"abc", (dir / "a").string(), ClipboardPaster::Done, "abc\n"},
      {"abc\n", (dir / "b").string(), ClipboardPaster::Done, "abc\n"},
      {"中文", (dir / "c").string(), ClipboardPaster::Done, "中文\n"},
      {std::nullopt, (dir / "d").string(), ClipboardPaster::NoText, std::nullopt},
      {"abc", (dir / "file" / "e").string(), ClipboardPaster::FileFailed,
       std::nullopt}, // a parent that is a file
      {"abc", (dir / "missing" / "f").string(), ClipboardPaster::FileFailed, std::nullopt},
      {"abc", full, ClipboardPaster::FileFailed, std::nullopt}, // every write fails: never a success
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.path);
    const Result result = paste(c.clipboard, c.path);
    EXPECT_EQ(result.calls, 1);
    EXPECT_EQ(result.thread, std::this_thread::get_id());
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.path, c.path);
    if (c.written) {
      EXPECT_EQ(qmtest::readFile(c.path), *c.written);
      EXPECT_TRUE(result.lockedMeanwhile);
    } else if (c.path != full) {
      EXPECT_FALSE(std::filesystem::exists(c.path));
    }
  }
  EXPECT_TRUE(std::filesystem::is_symlink(full)); // a failed write removes only a file it made
}

TEST(ClipboardPasterTest, AFileAnotherCopyHoldsIsLeftAloneForTheNextName) {
  qmtest::TempDir dir;
  const std::string held = (dir / "Clipboard-1").string();
  qmtest::writeFile(held, "the other copy's document\n");
  const int other = ::open(held.c_str(), O_RDONLY | O_CLOEXEC); // as an open document holds it
  ASSERT_EQ(::flock(other, LOCK_SH | LOCK_NB), 0);
  const Result result = paste("mine", held);
  ::close(other);
  EXPECT_EQ(result.status, ClipboardPaster::Done);
  EXPECT_EQ(result.path, (dir / "Clipboard-2").string());
  EXPECT_EQ(qmtest::readFile(result.path), "mine\n");
  EXPECT_EQ(qmtest::readFile(held), "the other copy's document\n");
}

TEST(ClipboardPasterTest, AWorkerThatCannotStartStillReports) {
  qmtest::TempDir dir;
  Result result;
  {
    const qmtest::NoNewThreads noThreads;
    result = paste("abc", (dir / "a").string());
  }
  EXPECT_EQ(result.calls, 1);
  EXPECT_EQ(result.status, ClipboardPaster::WorkerFailed);
  EXPECT_FALSE(std::filesystem::exists(dir / "a"));
}

} // namespace
