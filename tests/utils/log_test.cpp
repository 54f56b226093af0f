#include "utils/log.h"

#include "support/resourcelimits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {
std::string logged;
void capture(const char* text) {
  logged += text;
}

std::atomic<size_t> bytesSeen{0};
void count(const char* text) {
  bytesSeen += std::strlen(text);
}

class LogTest : public testing::Test {
protected:
  void SetUp() override {
    logged.clear();
    Log::setLogFn(&capture);
  }
  void TearDown() override { Log::shutdown(); }
};
} // namespace

// Only enabled keys print, case counting; raw entries always do; an entry keeps its first 1,023 bytes.
// Shutdown restores the silent state.
TEST_F(LogTest, OnlyEnabledKeysPrint) {
  Log::print("LOG", "before %d\n", 1);
  Log::addKey("LOG");
  Log::addKey("LOG");
  Log::addKey("ERR");
  Log::print("LOG", "on %s\n", "yes");
  Log::print("WARN", "off\n");
  Log::print("Log", "case matters\n");
  Log::print(nullptr, "no key\n");
  Log::rawLog("raw %d\n", 2);
  Log::print("ERR", "%s", std::string(2000, 'e').c_str());
  EXPECT_EQ(logged, "on yes\nraw 2\n" + std::string(1023, 'e'));
  Log::shutdown();
  EXPECT_EQ(Log::logFn(), &Log::defaultLogFn);
  EXPECT_FALSE(Log::isEnabled("LOG"));
  Log::setLogFn(&capture);
  Log::print("LOG", "gone\n");
  Log::rawLog("raw\n");
  EXPECT_EQ(logged, "on yes\nraw 2\n" + std::string(1023, 'e') + "raw\n");
  Log::setLogFn(nullptr); // null means the silent default
  EXPECT_EQ(Log::logFn(), &Log::defaultLogFn);
}

TEST_F(LogTest, WorkerKeepsLoggingWhileTheLogShutsDown) {
  // Also run under ThreadSanitizer and AddressSanitizer in CI: a worker must never read a key or function
  // that shutdown dropped, and what it logs arrives whole.
  const std::string line = "worker 42 text\n";
  std::atomic<bool> stop{false};
  Log::setLogFn(&count);
  Log::addKey("LOG");
  std::thread worker([&] {
    while (!stop)
      Log::print("LOG", "worker %d %s\n", 42, "text");
  });
  for (int i = 0; i < 1000 && bytesSeen == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  for (int i = 0; i < 2000; ++i) {
    Log::setLogFn(&count);
    Log::addKey("LOG");
    Log::addKey(i % 2 ? "WARN" : "ERR");
    Log::shutdown();
  }
  stop = true;
  worker.join();
  EXPECT_GT(bytesSeen.load(), 0u);
  EXPECT_EQ(bytesSeen.load() % line.size(), 0u);
  EXPECT_FALSE(Log::isEnabled("LOG"));
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#endif

TEST(LogKeysTest, ManyKeysTakeLittleMemory) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        qmtest::limitAddressSpace(32 << 20);
        bool ok = true;
        for (int round = 0; round < 3; ++round) {
          for (int i = 0; i < 4000; ++i)
            Log::addKey(("key-" + std::to_string(i)).c_str());
          ok = ok && Log::isEnabled("key-0") && Log::isEnabled("key-3999") && !Log::isEnabled("key-4000");
          Log::shutdown();
          ok = ok && !Log::isEnabled("key-0");
        }
        std::_Exit(ok ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
