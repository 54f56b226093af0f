// Buffers cycle between two queues: free (ready for a caller) and pending (waiting for the writer). Each
// queue has its own mutex, so callers and the writer only meet for a push or a pop. The state says who
// writes: the writer thread (Running), the caller itself when no writer could be started (Direct), or nobody
// (Stopped).
#include "utils/threadedlogger.h"

#include "utils/exception.h"
#include "utils/mutex.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/thread.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class State { Running, Direct, Stopped };

struct Entry {
  size_t count = 0;
  char text[ThreadedLogger::ENTRY_SIZE + 1];
};

} // namespace

struct ThreadedLogger::Impl {
  Text path;                          // the log file's path, once set
  std::unique_ptr<FileWriter> writer; // the open log file, or none
  std::mutex fileMutex;               // guards path and writer: set once, written by one thread at a time
  Thread thread;                      // the writer, joinable
  Entry entries[BUFFERS];
  std::deque<int> freeQueue;    // indices of buffers a caller may take
  std::deque<int> pendingQueue; // indices waiting for the writer, oldest first
  std::mutex freeMutex;
  std::condition_variable bufferFreed; // a buffer came back, or the writer stopped
  Mutex pendingMutex;
  std::mutex eventMutex; // the wake-up event: the writer sleeps until signalled
  std::condition_variable event;
  bool signalled = false;
  bool stopRequested = false; // under eventMutex
  std::atomic<State> state{State::Running};
  std::mutex shutdownMutex; // one shutdown at a time

  int takeBuffer();
  void writeEntry(Entry& entry);
  void drain();
  void signal();
  static void run(void* self);
};

int ThreadedLogger::Impl::takeBuffer() {
  std::unique_lock lock(freeMutex);
  // Every buffer may wait for the writer: wait for one, unless there is no writer to wait for.
  bufferFreed.wait(lock, [this] { return !freeQueue.empty() || state.load() != State::Running; });
  if (freeQueue.empty()) return -1;
  const int index = freeQueue.front();
  freeQueue.pop_front();
  return index;
}

void ThreadedLogger::Impl::writeEntry(Entry& entry) {
  std::lock_guard lock(fileMutex);
  if (writer && entry.count) writer->write(entry.text, entry.count);
  entry.count = 0;
}

void ThreadedLogger::Impl::drain() {
  for (;;) {
    int index;
    {
      std::lock_guard lock(pendingMutex);
      if (pendingQueue.empty()) return;
      index = pendingQueue.front();
      pendingQueue.pop_front();
    }
    writeEntry(entries[index]);
    std::lock_guard lock(freeMutex);
    freeQueue.push_back(index);
    bufferFreed.notify_one();
  }
}

void ThreadedLogger::Impl::signal() {
  {
    std::lock_guard lock(eventMutex);
    signalled = true;
  }
  event.notify_one();
}

namespace {
// Set on the writer thread: an entry logged from there (a failing write reported through the log) could wait
// for a free buffer that only this thread can give back.
thread_local bool onWriterThread = false;
} // namespace

void ThreadedLogger::Impl::run(void* self) {
  onWriterThread = true;
  auto* impl = static_cast<Impl*>(self);
  for (;;) {
    impl->drain();
    std::unique_lock lock(impl->eventMutex);
    impl->event.wait(lock, [impl] { return impl->signalled || impl->stopRequested; });
    impl->signalled = false;
    if (impl->stopRequested) break;
  }
  impl->drain(); // what was queued before the stop still reaches the file
}

ThreadedLogger& ThreadedLogger::instance() {
  static ThreadedLogger* logger = new ThreadedLogger;
  return *logger;
}

ThreadedLogger::ThreadedLogger() : impl(std::make_unique<Impl>()) {
  for (int i = 0; i < int(BUFFERS); ++i)
    impl->freeQueue.push_back(i);
  if (!Thread::launch(impl->thread, new Thread::Runner<void (*)(void*)>(&Impl::run, impl.get()),
                      Thread::Mode::Joinable))
    impl->state = State::Direct;
}

ThreadedLogger::~ThreadedLogger() {
  shutdown();
}

void ThreadedLogger::operator()(const char* text) {
  const State state = impl->state.load();
  if (state == State::Stopped || onWriterThread) return;
  const size_t length = text ? strnlen(text, ENTRY_SIZE) : 0;
  if (state == State::Direct) {
    std::lock_guard lock(impl->fileMutex);
    if (impl->writer && length) impl->writer->write(text, length);
    return;
  }
  const int index = impl->takeBuffer();
  if (index < 0) return; // shut down meanwhile
  Entry& entry = impl->entries[index];
  std::memcpy(entry.text, text ? text : "", length);
  entry.text[length] = 0;
  entry.count = length;
  {
    std::lock_guard lock(impl->pendingMutex);
    impl->pendingQueue.push_back(index);
  }
  impl->signal();
}

void ThreadedLogger::setLogFile(Text path, bool unlinkAfterOpen) {
  {
    std::lock_guard lock(impl->fileMutex);
    if (impl->writer || impl->state.load() == State::Stopped) return;
  }
  // Opened without the file's mutex held: opening may log, and the writer needs that mutex to make room.
  std::unique_ptr<FileWriter> writer;
  try {
    writer = std::make_unique<FileWriter>(
        path.c_str(), FileWriter::ReadWrite | (unlinkAfterOpen ? FileWriter::UnlinkAfterOpen : 0));
  } catch (zun::exception const&) {
    return; // logging goes on without a file
  }
  std::lock_guard lock(impl->fileMutex);
  if (impl->writer || impl->state.load() == State::Stopped) return; // another call won
  impl->writer = std::move(writer);
  impl->path = std::move(path);
}

bool ThreadedLogger::hasLogFile() const {
  std::lock_guard lock(impl->fileMutex);
  return impl->writer != nullptr;
}

OwnedBuffer ThreadedLogger::fullLog() const {
  int fd = -1;
  {
    std::lock_guard lock(impl->fileMutex);
    if (impl->writer) fd = impl->writer->createReadHandle(impl->path.c_str(), 0);
  }
  if (fd < 0) return OwnedBuffer();
  // Read with pread on the duplicate: it shares the writer's offset, which must not move.
  OwnedBuffer out;
  struct stat info;
  if (fstat(fd, &info) == 0 && info.st_size > 0) {
    OwnedBuffer buffer(size_t(info.st_size));
    size_t got = 0;
    while (got < buffer.size) {
      const ssize_t n = pread(fd, buffer.data + got, buffer.size - got, off_t(got));
      if (n <= 0) break;
      got += size_t(n);
    }
    buffer.size = got;
    if (got > 0) out = std::move(buffer);
  }
  close(fd);
  return out;
}

void ThreadedLogger::shutdown() {
  std::lock_guard guard(impl->shutdownMutex);
  const State before = impl->state.exchange(State::Stopped);
  if (before == State::Stopped) return;
  {
    // A caller waiting for a buffer sees the stop under this mutex, so it cannot miss the wake-up.
    std::lock_guard lock(impl->freeMutex);
    impl->bufferFreed.notify_all();
  }
  if (before == State::Running) {
    {
      std::lock_guard lock(impl->eventMutex);
      impl->stopRequested = true;
    }
    impl->event.notify_one();
    impl->thread.join(); // the writer drains the queue before it ends
    impl->drain();       // and this catches an entry queued while it stopped
  }
  std::lock_guard lock(impl->fileMutex);
  impl->writer.reset();
}
