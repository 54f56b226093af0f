#include "utils/threadedlogger.h"

#include "support/resourcelimits.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string contents(OwnedBuffer const& b) {
  return b.data ? std::string(b.data, b.size) : std::string();
}

// The writer runs on its own thread: wait (up to ten seconds) until the log holds what was logged.
std::string waitForLog(ThreadedLogger& logger, size_t size) {
  std::string log;
  for (int i = 0; i < 1000 && (log = contents(logger.fullLog())).size() < size; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return log;
}

} // namespace

// The log file has no folder entry, yet reads back whole; an entry is cut at its buffer's size; a second
// file is ignored.
TEST(ThreadedLoggerTest, LogFileHasNoFolderEntryAndReadsBackWhole) {
  qmtest::TempDir dir;
  ThreadedLogger logger;
  EXPECT_TRUE(contents(logger.fullLog()).empty()) << "no file yet";
  logger.setLogFile(Text((dir / "zun-1.log").c_str()), true);
  ASSERT_TRUE(logger.hasLogFile());
  logger.setLogFile(Text((dir / "second.log").c_str()), true);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_EQ(logger.fullLog().data, nullptr) << "nothing written yet";
  logger("first\n");
  logger(nullptr);
  logger(std::string(3000, 'x').c_str());
  EXPECT_EQ(waitForLog(logger, 6 + ThreadedLogger::ENTRY_SIZE),
            "first\n" + std::string(ThreadedLogger::ENTRY_SIZE, 'x'));
}

TEST(ThreadedLoggerTest, UnopenableFileLeavesLoggingWithoutAFile) {
  qmtest::TempDir dir;
  qmtest::writeFile(dir / "plain", "");
  const struct {
    const char* name;
    std::filesystem::path path;
  } cases[] = {{"missing folder", dir / "missing" / "x.log"}, {"parent is a file", dir / "plain" / "x.log"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    ThreadedLogger logger;
    logger.setLogFile(Text(c.path.c_str()), true);
    EXPECT_FALSE(logger.hasLogFile());
    logger("dropped\n");
    EXPECT_EQ(logger.fullLog().size, 0u);
  }
}

// Entries from several threads: none lost, each thread's in its order.
TEST(ThreadedLoggerTest, ConcurrentEntriesKeepEachThreadsOrder) {
  qmtest::TempDir dir;
  constexpr int threads = 4, perThread = 300;
  {
    ThreadedLogger logger;
    logger.setLogFile(Text((dir / "c.log").c_str()), false);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
      workers.emplace_back([&logger, t] {
        for (int i = 0; i < perThread; ++i)
          logger((std::to_string(t) + " " + std::to_string(i) + "\n").c_str());
      });
    for (auto& w : workers)
      w.join();
  }
  std::vector<int> next(threads, 0);
  std::istringstream in(qmtest::readFile(dir / "c.log"));
  int t, i, lines = 0;
  while (in >> t >> i) {
    ASSERT_EQ(i, next[size_t(t)]) << "thread " << t;
    ++next[size_t(t)];
    ++lines;
  }
  EXPECT_EQ(lines, threads * perThread);
}

// The writer blocks on a pipe that nobody reads: callers wait for free buffers instead of dropping entries,
// and everything arrives in order once the pipe is read.
TEST(ThreadedLoggerTest, BlockedWriterMakesCallersWaitWithoutLoss) {
  qmtest::TempDir dir;
  const auto fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ThreadedLogger logger;
  logger.setLogFile(Text(fifo.c_str()), false);
  ASSERT_TRUE(logger.hasLogFile());
  constexpr int entries = 200; // 200 kB: far more than a pipe holds
  std::string expected;
  for (int i = 0; i < entries; ++i)
    expected += std::to_string(i) + std::string(1000, '.') + "\n";
  std::thread producer([&] {
    for (int i = 0; i < entries; ++i)
      logger((std::to_string(i) + std::string(1000, '.') + "\n").c_str());
  });
  std::string received;
  char buffer[8192];
  for (int tries = 0; received.size() < expected.size() && tries < 100000; ++tries) {
    const ssize_t n = read(reader, buffer, sizeof buffer);
    if (n > 0)
      received.append(buffer, size_t(n));
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  producer.join();
  close(reader);
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected) << "entries lost or out of order";
}

TEST(ThreadedLoggerTest, LoggingAfterShutdownIsDroppedAndNeverHangs) {
  qmtest::TempDir dir;
  ThreadedLogger logger;
  logger.setLogFile(Text((dir / "s.log").c_str()), false);
  logger("before\n");
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t)
    workers.emplace_back([&logger] {
      for (int i = 0; i < 2000; ++i)
        logger("racing\n");
    });
  logger.shutdown();
  for (auto& w : workers)
    w.join(); // would hang if a caller waited for a writer that is gone
  logger("after\n");
  logger.shutdown();
  logger.setLogFile(Text((dir / "late.log").c_str()), false);
  EXPECT_FALSE(std::filesystem::exists(dir / "late.log"));
  const std::string log = qmtest::readFile(dir / "s.log");
  EXPECT_EQ(log.rfind("before\n", 0), 0u);
  EXPECT_EQ(log.find("after"), std::string::npos);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Without address space for the writer's stack the logger writes on the calling thread instead of waiting for
// a writer that never comes. Runs in a child process, whose limit does not reach the test.
TEST(ThreadedLoggerTest, WithoutAWriterThreadEntriesAreWrittenDirectly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  qmtest::TempDir dir;
  const auto path = dir / "direct.log";
  EXPECT_EXIT(
      {
        qmtest::limitAddressSpace(1 << 20);
        ThreadedLogger logger;
        logger.setLogFile(Text(path.c_str()), false);
        for (int i = 0; i < 20; ++i)
          logger("entry\n"); // more than the five buffers
        _exit(contents(logger.fullLog()).size() == 20 * 6 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
#endif
