// The key set is an immutable sorted vector swapped in whole; sets that were replaced are retired, never
// freed, because a worker thread may still be reading one while the log shuts down.
#include "utils/log.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using KeySet = std::vector<std::string>;

struct State {
  std::atomic<const KeySet*> keys{nullptr};
  std::atomic<Log::LogFn> fn{&Log::defaultLogFn};
  std::mutex writers;                           // serialises addKey and shutdown
  std::vector<std::unique_ptr<KeySet>> retired; // every set ever published
};

State& state() {
  static State* s = new State; // outlives every thread that may log at exit
  return *s;
}

bool contains(const KeySet* keys, const char* key) {
  if (!keys || !key) return false;
  size_t lo = 0, hi = keys->size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const int c = std::strcmp((*keys)[mid].c_str(), key);
    if (c == 0) return true;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return false;
}

void emitV(const char* format, va_list args) {
  const Log::LogFn fn = state().fn.load(std::memory_order_acquire);
  if (fn == &Log::defaultLogFn || !format) return;
  char text[1024];
  if (std::vsnprintf(text, sizeof text, format, args) < 0) return;
  fn(text);
}

} // namespace

namespace Log {

void defaultLogFn(const char*) {}

void addKey(const char* key) {
  if (!key) return;
  State& s = state();
  std::lock_guard lock(s.writers);
  const KeySet* old = s.keys.load();
  if (contains(old, key)) return;
  auto next = std::make_unique<KeySet>(old ? *old : KeySet{});
  next->insert(std::lower_bound(next->begin(), next->end(), std::string(key),
                                [](const std::string& a, const std::string& b) {
                                  return std::strcmp(a.c_str(), b.c_str()) < 0;
                                }),
               key);
  s.keys.store(next.get(), std::memory_order_release);
  s.retired.push_back(std::move(next));
}

bool isEnabled(const char* key) {
  return contains(state().keys.load(std::memory_order_acquire), key);
}

void printV(const char* key, const char* format, va_list args) {
  if (isEnabled(key)) emitV(format, args);
}

void print(const char* key, const char* format, ...) {
  if (!isEnabled(key)) return;
  va_list args;
  va_start(args, format);
  emitV(format, args);
  va_end(args);
}

void rawLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  emitV(format, args);
  va_end(args);
}

void setLogFn(LogFn fn) {
  state().fn.store(fn ? fn : &defaultLogFn, std::memory_order_release);
}

LogFn logFn() {
  return state().fn.load(std::memory_order_acquire);
}

void shutdown() {
  State& s = state();
  s.fn.store(&defaultLogFn, std::memory_order_release);
  std::lock_guard lock(s.writers);
  s.keys.store(nullptr, std::memory_order_release);
}

} // namespace Log
