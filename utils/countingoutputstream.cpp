#include "utils/countingoutputstream.h"

#include <cstring>
#include <mutex>
#include <utility>

namespace {
constexpr size_t BLOCK_SIZE = 64 * 1024;
}

struct CountingOutputStream::Impl {
  mutable std::mutex mutex;       // the writer and the thread that reads the total or detaches
  OutputStream* target = nullptr; // not owned
  size_t total = 0;               // every byte written since the last reset
  size_t held = 0;                // bytes in block not yet passed on
  std::unique_ptr<char[]> block;  // made on the first write with a target
  bool lost = false;              // the target refused bytes since the last flush() reported it

  // Called with the mutex held.
  void pass(const void* data, size_t n) {
    if (target && target->write(data, n) != n) lost = true;
  }
  bool flushLocked() {
    if (held) pass(block.get(), held);
    held = 0;
    return !std::exchange(lost, false);
  }
};

CountingOutputStream::CountingOutputStream() : impl(std::make_unique<Impl>()) {}

CountingOutputStream::~CountingOutputStream() {
  flush();
}

size_t CountingOutputStream::write(const void* data, size_t size) {
  std::lock_guard lock(impl->mutex);
  impl->total += size;
  if (!impl->target || !size) return size;
  if (impl->held + size > BLOCK_SIZE) {
    impl->flushLocked();
    // A write as large as a block goes straight through rather than being copied twice.
    if (size >= BLOCK_SIZE) {
      impl->pass(data, size);
      return size;
    }
  }
  if (!impl->block) impl->block = std::make_unique<char[]>(BLOCK_SIZE);
  std::memcpy(impl->block.get() + impl->held, data, size);
  impl->held += size;
  return size;
}

void CountingOutputStream::setTarget(OutputStream* target) {
  std::lock_guard lock(impl->mutex);
  impl->flushLocked();
  impl->target = target;
}

bool CountingOutputStream::flush() {
  std::lock_guard lock(impl->mutex);
  return impl->flushLocked();
}

size_t CountingOutputStream::total() const {
  std::lock_guard lock(impl->mutex);
  return impl->total;
}

void CountingOutputStream::reset() {
  std::lock_guard lock(impl->mutex);
  impl->flushLocked();
  impl->target = nullptr;
  impl->total = 0;
}
