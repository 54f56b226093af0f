// The small owner of a POSIX mutex used by the workers' flags and the logger's queues. Meets BasicLockable,
// so std::lock_guard and std::unique_lock work with it.
#pragma once

#include <pthread.h>

class Mutex {
public:
  Mutex();
  // Never throws; the mutex must not be held.
  ~Mutex();
  Mutex(Mutex const&) = delete;
  Mutex& operator=(Mutex const&) = delete;

  void lock();
  void unlock();

private:
  pthread_mutex_t m_mutex;
};
