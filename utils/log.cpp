// The keys live in a small hash table of nodes that are published once and never freed: a worker thread may
// still be reading one while the log shuts down. Shutdown only disables them, and adding a key again
// enables its node, so memory grows with the number of distinct keys and nothing else.
#include "utils/log.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace {

struct Key {
  explicit Key(const char* k, Key* n) : text(k), next(n) {}
  const std::string text;
  Key* const next; // the bucket's chain, fixed when the node is published
  std::atomic<bool> enabled{true};
};

constexpr size_t BUCKETS = 64;

struct State {
  std::atomic<Key*> buckets[BUCKETS] = {};
  std::atomic<Log::LogFn> fn{&Log::defaultLogFn};
  std::mutex writers; // serialises addKey and shutdown
};

State& state() {
  static State* s = new State; // outlives every thread that may log at exit
  return *s;
}

std::atomic<Key*>& bucketOf(const char* key) {
  uint32_t h = 2166136261u; // FNV-1a
  for (const char* p = key; *p; ++p)
    h = (h ^ uint8_t(*p)) * 16777619u;
  return state().buckets[h % BUCKETS];
}

Key* find(const char* key) {
  for (Key* k = bucketOf(key).load(std::memory_order_acquire); k; k = k->next)
    if (k->text == key) return k;
  return nullptr;
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
  std::lock_guard lock(state().writers);
  if (Key* k = find(key)) {
    k->enabled.store(true, std::memory_order_release);
    return;
  }
  std::atomic<Key*>& bucket = bucketOf(key);
  bucket.store(new Key(key, bucket.load(std::memory_order_relaxed)), std::memory_order_release);
}

bool isEnabled(const char* key) {
  if (!key) return false;
  const Key* k = find(key);
  return k && k->enabled.load(std::memory_order_acquire);
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
  for (auto& bucket : s.buckets)
    for (Key* k = bucket.load(std::memory_order_relaxed); k; k = k->next)
      k->enabled.store(false, std::memory_order_release);
}

} // namespace Log
