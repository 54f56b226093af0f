// Honest failure injection for threads, memory and disk space: a thread that cannot be created, an address
// space that is nearly full, a disk that fills up.
#pragma once

#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>

namespace qmtest {

// Bytes of address space the process has mapped now.
inline size_t addressSpaceInUse() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  statm >> pages;
  return pages * size_t(sysconf(_SC_PAGESIZE));
}

// Lets the process map only extra bytes more than it has mapped now (for a child process: the limit stays).
inline void limitAddressSpace(size_t extra) {
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  limit.rlim_cur = rlim_t(addressSpaceInUse() + extra);
  setrlimit(RLIMIT_AS, &limit);
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

// Runs fn in a child process whose files cannot grow past bytes (a write beyond fails, as on a full disk)
// and returns what fn returned there; nothing when the child did not end normally.
inline std::optional<bool> withFileSizeLimit(rlim_t bytes, std::function<bool()> const& fn) {
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(fn() ? 1 : 0);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status) == 1;
}

// Takes and overwrites many heap blocks of every small size, so that a block freed just before is reused
// and a use after its free reads garbage instead of the old bytes. The blocks are never freed.
inline void scrubFreedMemory() {
  for (size_t size = 16; size <= 1024; size += 16)
    for (int i = 0; i < 32; ++i)
      if (void* p = std::malloc(size)) std::memset(p, 0xA5, size);
}

} // namespace qmtest
