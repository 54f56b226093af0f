#include "utils/messagecenter.h"

#include "utils/exception.h"
#include "utils/log.h"

#include <cxxabi.h>
#include <deque>
#include <exception>
#include <mutex>

struct MessageCenter::Impl {
  struct Message {
    void* data;
    Fn fn;
  };
  mutable std::mutex mutex;     // guards queue and listener
  std::deque<Message> queue;    // calls not yet run, oldest first
  Listener* listener = nullptr; // the desktop's wake-up, if any
  bool woken = false;           // the listener was told since the last drain began

  // Under the mutex: one wake-up per drain is enough, since a drain takes everything waiting when it starts
  // and a call queued while it runs wakes the listener again.
  void wake() {
    if (woken || !listener || queue.empty()) return;
    woken = true;
    listener->messagesWaiting();
  }
};

namespace {

void runOne(void* data, MessageCenter::Fn fn) {
  try {
    fn(data);
  } catch (abi::__forced_unwind&) {
    throw;
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error in queued call: ", e);
  } catch (std::exception const& e) {
    Log::print("ERR", "Exception in queued call: %s\n", e.what());
  } catch (...) {
    Log::print("ERR", "Exception in queued call\n");
  }
}

} // namespace

MessageCenter& MessageCenter::instance() {
  // Never destroyed: detached workers may still post while the process exits.
  static MessageCenter* center = new MessageCenter;
  return *center;
}

MessageCenter::MessageCenter() : impl(std::make_unique<Impl>()) {}

MessageCenter::~MessageCenter() = default;

void MessageCenter::addMessage(void* data, Fn fn) {
  if (!fn) return;
  std::lock_guard lock(impl->mutex);
  impl->queue.push_back({data, fn});
  impl->wake();
}

bool MessageCenter::valid() const {
  return true;
}

size_t MessageCenter::processMessages() {
  // Calls are taken one at a time, so a call that drains again (a modal loop) keeps the order intact.
  size_t budget, ran = 0;
  {
    std::lock_guard lock(impl->mutex);
    impl->woken = false;
    budget = impl->queue.size();
  }
  for (; ran < budget; ++ran) {
    Impl::Message m;
    {
      std::lock_guard lock(impl->mutex);
      if (impl->queue.empty()) break;
      m = impl->queue.front();
      impl->queue.pop_front();
    }
    runOne(m.data, m.fn);
  }
  std::lock_guard lock(impl->mutex);
  impl->wake();
  return ran;
}

size_t MessageCenter::pendingMessages() const {
  std::lock_guard lock(impl->mutex);
  return impl->queue.size();
}

void MessageCenter::setListener(Listener* listener) {
  std::lock_guard lock(impl->mutex);
  impl->listener = listener;
  impl->woken = false;
  impl->wake();
}
