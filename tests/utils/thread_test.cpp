#include "utils/exception.h"
#include "utils/thread.h"

#include "support/logcapture.h"
#include "support/resourcelimits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using Runner = Thread::Runner<void (*)(void*)>;

struct Probe {
  std::atomic<int> calls{0};
  std::atomic<bool> done{false};
};

bool waitUntil(std::atomic<bool> const& flag) {
  for (int i = 0; i < 1000 && !flag; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return flag;
}

struct Thrower {
  ZUN_ERROR(test_error);
};

} // namespace

// A detached worker runs once with its argument and is never joined; a joinable one is joined once; a null
// runner is refused.
TEST(ThreadTest, WorkersRunOnceWithTheirArgument) {
  Probe probe;
  Thread detached, joinable, none;
  ASSERT_TRUE(Thread::launch(detached, new Runner(
                                           [](void* p) {
                                             ++static_cast<Probe*>(p)->calls;
                                             static_cast<Probe*>(p)->done = true;
                                           },
                                           &probe)));
  ASSERT_TRUE(waitUntil(probe.done));
  EXPECT_FALSE(detached.join());
  ASSERT_TRUE(Thread::launch(joinable, new Runner([](void* p) { ++static_cast<Probe*>(p)->calls; }, &probe),
                             Thread::Mode::Joinable));
  EXPECT_TRUE(joinable.join());
  EXPECT_FALSE(joinable.join());
  EXPECT_EQ(probe.calls, 2);
  EXPECT_FALSE(Thread::launch(none, nullptr));
  EXPECT_FALSE(none.launched());
}

// The runner is freed (the leak checker would see it otherwise), the thread ends and the error is logged.
TEST(ThreadTest, ThrowingFunctionIsLoggedAndFreed) {
  qmtest::LogCapture log;
  const struct {
    const char* name;
    void (*fn)(void*);
    const char* logged;
  } cases[] = {
      {"zun::exception", [](void*) { ZUN_THROW(Thrower::test_error); }, "Thrower::test_error"},
      {"std::exception", [](void*) { throw std::runtime_error("boom"); }, "boom"},
      {"anything else", [](void*) { throw 42; }, "Uncaught exception in thread\n"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    Thread thread;
    ASSERT_TRUE(Thread::launch(thread, new Runner(c.fn, nullptr), Thread::Mode::Joinable));
    EXPECT_TRUE(thread.join());
    EXPECT_NE(log.all().find(c.logged), std::string::npos) << log.all();
  }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// With no address space left for a stack the thread cannot start: the caller is told, the work never runs and
// the runner is freed. Runs in a child process, whose address-space limit does not reach the test.
TEST(ThreadTest, LaunchFailureIsReported) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        qmtest::LogCapture log;
        static std::atomic<bool> ran{false};
        qmtest::limitAddressSpace(1 << 20);
        Thread thread;
        const bool launched = Thread::launch(thread, new Runner([](void*) { ran = true; }, nullptr));
        const bool logged = log.all().find("Unable to launch thread") != std::string::npos;
        _exit(!launched && !thread.launched() && logged && !ran ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
#endif
