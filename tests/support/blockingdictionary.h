// A dictionary whose look-up does not return until the test says so: a call in a script that no kill reaches.
#pragma once

#include "dictionary/dictionary.h"

#include <condition_variable>
#include <mutex>

namespace qmtest {

class BlockingDictionary : public Dictionary {
public:
  DictionaryItem const* item(Span const&) const override {
    std::unique_lock lock(mutex);
    entered = true;
    changed.notify_all();
    changed.wait(lock, [this] { return released; });
    left = true;
    changed.notify_all();
    return nullptr;
  }
  bool getInfo(DictionaryEntry const&, Info&) const override { return false; }
  void waitUntilEntered() const {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return entered; });
  }
  void release() const {
    std::unique_lock lock(mutex);
    released = true;
    changed.notify_all();
    changed.wait(lock, [this] { return left; });
  }

private:
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  mutable bool entered = false, released = false, left = false;
};

} // namespace qmtest
