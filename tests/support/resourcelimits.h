// Honest failure injection for threads and memory: a thread that cannot be created, an address space that
// is nearly full.
#pragma once

#include <pthread.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>

namespace qmtest {

// Bytes of address space the process has mapped now.
inline size_t addressSpaceInUse() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  statm >> pages;
  return pages * size_t(sysconf(_SC_PAGESIZE));
}

// While it lives, new threads ask for a stack no system can give, so they cannot be created.
class NoNewThreads {
public:
  NoNewThreads() {
    pthread_getattr_default_np(&m_old);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t(1) << 46);
    pthread_setattr_default_np(&huge);
    pthread_attr_destroy(&huge);
  }
  ~NoNewThreads() {
    pthread_setattr_default_np(&m_old);
    pthread_attr_destroy(&m_old);
  }
  NoNewThreads(NoNewThreads const&) = delete;
  NoNewThreads& operator=(NoNewThreads const&) = delete;

private:
  pthread_attr_t m_old;
};

} // namespace qmtest
