#include "desktop-ui/messagepump.h"

#include "support/qtspin.h"

#include <QCoreApplication>
#include <QDialog>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Queues fn for the GUI thread; the call owns it.
void post(std::function<void()> fn) {
  MessageCenter::instance().addMessage(new std::function<void()>(std::move(fn)), [](void* data) {
    std::unique_ptr<std::function<void()>> call(static_cast<std::function<void()>*>(data));
    (*call)();
  });
}

using qmtest::spinFor;
using qmtest::spinUntil;

bool onGuiThread() {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

class MessagePumpTest : public testing::Test {
protected:
  void TearDown() override {
    MessageCenter::instance().setListener(nullptr);
    while (MessageCenter::instance().processMessages()) {
    }
  }
};

} // namespace

TEST_F(MessagePumpTest, CallsFromSeveralThreadsRunOnTheGuiThreadInOrder) {
  MessagePump pump;
  pump.start();
  constexpr int THREADS = 4, CALLS = 500;
  std::mutex ticketMutex; // makes the ticket order the queue order
  int nextTicket = 0;
  std::vector<int> ran;
  bool allOnGuiThread = true;
  std::vector<std::thread> workers;
  for (int t = 0; t < THREADS; ++t)
    workers.emplace_back([&] {
      for (int i = 0; i < CALLS; ++i) {
        std::lock_guard lock(ticketMutex);
        const int ticket = nextTicket++;
        post([&, ticket] {
          allOnGuiThread = allOnGuiThread && onGuiThread();
          ran.push_back(ticket);
        });
      }
    });
  for (auto& w : workers)
    w.join();
  ASSERT_TRUE(spinUntil([&] { return ran.size() == size_t(THREADS * CALLS); })) << ran.size() << " ran";
  for (size_t i = 0; i < ran.size(); ++i)
    ASSERT_EQ(ran[i], int(i));
  EXPECT_TRUE(allOnGuiThread);
}

// A queued call that runs a modal dialog: calls queued meanwhile run inside the dialog's loop, in order.
TEST_F(MessagePumpTest, CallsRunInsideAModalDialog) {
  MessagePump pump;
  pump.start();
  std::vector<std::string> ran;
  int dialogResult = -1;
  post([&] {
    QDialog dialog;
    QTimer::singleShot(10000, &dialog, &QDialog::reject); // the pump did not run inside: fail, don't hang
    std::thread worker([&] {
      post([&] { ran.push_back("first"); });
      post([&] {
        ran.push_back("second");
        dialog.done(1);
      });
    });
    dialogResult = dialog.exec();
    worker.join();
    ran.push_back("dialog closed");
  });
  ASSERT_TRUE(spinUntil([&] { return dialogResult != -1; }));
  EXPECT_EQ(dialogResult, 1);
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "dialog closed"}));
}

TEST_F(MessagePumpTest, NothingRunsAfterStop) {
  int ran = 0;
  {
    MessagePump pump;
    pump.start();
    post([&] { ++ran; }); // its drain is posted before the stop
    pump.stop();
    std::thread([&] { post([&] { ++ran; }); }).join();
    spinFor(100);
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(pump.running());
    pump.start(); // a drain is posted again, then the pump dies with it pending
  }
  spinFor(100);
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(MessageCenter::instance().pendingMessages(), 2u) << "stopped calls stay queued";
  EXPECT_EQ(MessageCenter::instance().processMessages(), 2u);
  EXPECT_EQ(ran, 2);
}
