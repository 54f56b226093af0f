// The self-pipe: a signal may arrive on any thread at any moment, where almost nothing is safe to call, so
// the handler writes one byte (write(2) is async-signal-safe) and a QSocketNotifier on the other end hands
// it to the GUI thread. Both ends are non-blocking: a full pipe drops the byte, and a signal already waiting
// there is enough.
#include "desktop-ui/signalwatcher.h"

#include "desktop-ui/slotguard.h"
#include "utils/log.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

constexpr int CAUGHT[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> writeEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

void onSignal(int number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  if (const int fd = writeEnd.load(); fd >= 0 && ::write(fd, &byte, 1) != 1) {
    // Full: a signal already waits in the pipe.
  }
  errno = saved;
}

} // namespace

struct SignalWatcher::Impl {
  explicit Impl(Listener& listener) : listener(listener) {}

  Listener& listener;
  int pipe[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier;
  struct sigaction previous[std::size(CAUGHT)] = {};
};

SignalWatcher::SignalWatcher(Listener& listener) : impl(std::make_unique<Impl>(listener)) {
  if (::pipe2(impl->pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    Log::print("ERR", "Signals cannot be caught (pipe: %s); they end the program unsaved\n",
               std::strerror(errno));
    return;
  }
  writeEnd = impl->pipe[1];
  impl->notifier = std::make_unique<QSocketNotifier>(impl->pipe[0], QSocketNotifier::Read);
  connect(impl->notifier.get(), &QSocketNotifier::activated, this, [this] {
    unsigned char byte = 0;
    while (::read(impl->pipe[0], &byte, 1) == 1)
      slotGuard("Error handling a signal: ", [&] { impl->listener.signalled(byte); });
  });
  struct sigaction action = {};
  action.sa_handler = &onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART; // the program's own reads and writes go on undisturbed
  for (size_t i = 0; i < std::size(CAUGHT); ++i)
    ::sigaction(CAUGHT[i], &action, &impl->previous[i]);
}

SignalWatcher::~SignalWatcher() {
  if (impl->pipe[0] < 0) return;
  for (size_t i = 0; i < std::size(CAUGHT); ++i)
    ::sigaction(CAUGHT[i], &impl->previous[i], nullptr);
  writeEnd = -1;
  impl->notifier.reset();
  ::close(impl->pipe[0]);
  ::close(impl->pipe[1]);
}
