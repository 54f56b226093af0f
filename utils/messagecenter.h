// The main thread's queue of calls. Any thread queues a call; the main thread runs the calls in the order
// they were queued, one batch per drain. The desktop drains it from its event loop when the listener wakes
// it; tests drain it by hand. The one instance lives until the process ends, so a worker may post at any
// time.
#pragma once

#include <cstddef>
#include <memory>

class MessageCenter {
public:
  // Told, on the posting thread and under the queue's lock, that calls are waiting: at most once between two
  // drains. It must only arrange for processMessages to run soon on the main thread (post an event), never
  // call back in.
  class Listener {
  public:
    virtual ~Listener() = default;
    virtual void messagesWaiting() = 0;
  };

  using Fn = void (*)(void* data);

  static MessageCenter& instance();
  MessageCenter(MessageCenter const&) = delete;
  MessageCenter& operator=(MessageCenter const&) = delete;

  // Queues fn(data) and returns at once. The queue does not own data: fn takes it over and frees it.
  void addMessage(void* data, Fn fn);
  bool valid() const;

  // On the main thread: runs as many calls as were waiting when it began, oldest first, and returns how many
  // ran; calls queued meanwhile wait for the next drain (the listener is woken again for them). A call that
  // throws is logged under "ERR" and the rest still run.
  size_t processMessages();
  size_t pendingMessages() const;

  // Null removes the listener; once this returns, the old one is not called again. A listener set while calls
  // are waiting is woken at once.
  void setListener(Listener* listener);

private:
  MessageCenter();
  ~MessageCenter();
  struct Impl;
  std::unique_ptr<Impl> impl;
};
