#include "utils/log.h"

#include <gtest/gtest.h>

#include <atomic>
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

TEST_F(LogTest, OnlyEnabledKeysPrint) {
  Log::print("LOG", "before %d\n", 1);
  Log::addKey("LOG");
  Log::addKey("LOG");
  Log::print("LOG", "on %s\n", "yes");
  Log::print("WARN", "off\n");
  Log::print("Log", "case matters\n");
  Log::print(nullptr, "no key\n");
  Log::rawLog("raw %d\n", 2);
  EXPECT_EQ(logged, "on yes\nraw 2\n");
  EXPECT_TRUE(Log::isEnabled("LOG"));
  EXPECT_FALSE(Log::isEnabled("WARN"));
}

TEST_F(LogTest, LongTextsKeepTheirFirst1023Bytes) {
  Log::addKey("ERR");
  const std::string text(2000, 'e');
  Log::print("ERR", "%s", text.c_str());
  EXPECT_EQ(logged, text.substr(0, 1023));
}

TEST_F(LogTest, ShutdownRestoresTheSilentState) {
  Log::addKey("LOG");
  Log::shutdown();
  EXPECT_EQ(Log::logFn(), &Log::defaultLogFn);
  Log::setLogFn(&capture);
  Log::print("LOG", "gone\n");
  EXPECT_FALSE(Log::isEnabled("LOG"));
  Log::rawLog("raw\n");
  EXPECT_EQ(logged, "raw\n");
  Log::setLogFn(nullptr); // null means the silent default
  EXPECT_EQ(Log::logFn(), &Log::defaultLogFn);
}

TEST_F(LogTest, WorkerKeepsLoggingWhileTheLogShutsDown) {
  // Run under ASan in CI: a worker must never read a key set or function that shutdown dropped.
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    while (!stop)
      Log::print("LOG", "worker %d %s\n", 42, "text");
  });
  for (int i = 0; i < 2000; ++i) {
    Log::setLogFn(&count);
    Log::addKey("LOG");
    Log::addKey(i % 2 ? "WARN" : "ERR");
    Log::shutdown();
  }
  stop = true;
  worker.join();
  SUCCEED() << bytesSeen.load() << " bytes logged";
}
