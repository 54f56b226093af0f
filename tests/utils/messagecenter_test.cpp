#include "utils/messagecenter.h"

#include "support/logcapture.h"
#include "support/waituntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace {

// What the queued calls saw, in the order they ran on the draining thread.
struct Record {
  std::vector<std::pair<int, int>> delivered; // (sender, sequence)
};

struct Message {
  Record* record;
  int sender;
  int sequence;
};

void deliver(void* data) {
  auto* m = static_cast<Message*>(data);
  m->record->delivered.emplace_back(m->sender, m->sequence);
  delete m; // the call owns its data
}

class CountingListener : public MessageCenter::Listener {
public:
  void messagesWaiting() override { ++wakes; }
  std::atomic<int> wakes{0};
};

class MessageCenterTest : public testing::Test {
protected:
  void SetUp() override { center.processMessages(); }
  void TearDown() override {
    center.setListener(nullptr);
    center.processMessages();
  }
  MessageCenter& center = MessageCenter::instance();
};

} // namespace

// Several threads post while the main thread drains: every call arrives once, each sender's in its order.
TEST_F(MessageCenterTest, CallsFromSeveralThreadsArriveInFifoOrder) {
  constexpr int senders = 4, perSender = 2000;
  Record record;
  std::vector<std::thread> threads;
  for (int s = 0; s < senders; ++s)
    threads.emplace_back([&, s] {
      for (int i = 0; i < perSender; ++i)
        center.addMessage(new Message{&record, s, i}, &deliver);
    });
  EXPECT_TRUE(qmtest::waitUntil(
      [&] {
        center.processMessages();
        return record.delivered.size() >= size_t(senders * perSender);
      },
      std::chrono::minutes(1), std::chrono::microseconds(0)));
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(center.processMessages(), 0u);
  EXPECT_EQ(center.pendingMessages(), 0u);
  std::vector<int> next(senders, 0);
  for (auto [sender, sequence] : record.delivered) {
    ASSERT_EQ(sequence, next[size_t(sender)]) << "sender " << sender;
    ++next[size_t(sender)];
  }
}

TEST_F(MessageCenterTest, CallsQueuedDuringADrainWaitForTheNextAndWakeTheListener) {
  CountingListener listener;
  center.setListener(&listener);
  static Record record;
  record.delivered.clear();
  center.addMessage(&record, [](void* r) {
    static_cast<Record*>(r)->delivered.emplace_back(0, 0);
    MessageCenter::instance().addMessage(
        r, [](void* r) { static_cast<Record*>(r)->delivered.emplace_back(0, 1); });
  });
  EXPECT_EQ(listener.wakes, 1);
  EXPECT_EQ(center.processMessages(), 1u);
  EXPECT_EQ(record.delivered.size(), 1u);
  EXPECT_EQ(listener.wakes, 2) << "the call queued during the drain must not be stranded";
  EXPECT_EQ(center.processMessages(), 1u);
  EXPECT_EQ(record.delivered.size(), 2u);
}

TEST_F(MessageCenterTest, ThrowingCallIsLoggedAndTheRestRun) {
  qmtest::LogCapture log;
  Record record;
  center.addMessage(nullptr, nullptr); // no function: nothing queued
  center.addMessage(nullptr, [](void*) { throw std::runtime_error("queued failure"); });
  center.addMessage(new Message{&record, 0, 7}, &deliver);
  EXPECT_EQ(center.processMessages(), 2u);
  EXPECT_EQ(record.delivered.size(), 1u);
  EXPECT_NE(log.all().find("queued failure"), std::string::npos);
}

// A call that drains again (as a modal dialog's loop does) must not let later calls overtake earlier ones.
TEST_F(MessageCenterTest, NestedDrainKeepsTheOrder) {
  static Record record;
  record.delivered.clear();
  center.addMessage(nullptr, [](void*) { MessageCenter::instance().processMessages(); });
  for (int i = 0; i < 3; ++i)
    center.addMessage(new Message{&record, 0, i}, &deliver);
  center.processMessages();
  ASSERT_EQ(record.delivered.size(), 3u);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(record.delivered[size_t(i)].second, i);
}
