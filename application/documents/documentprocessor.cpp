// The run. Each window is read from where the previous one's tokens ended (consumed) and covers the step
// plus an overlap of ten longest words: tokens are taken while they start before the step's end, so a word
// that reaches into the overlap is taken whole and the next window starts after it. A window the tokenizer
// cannot finish (a possible longer word or a character cut by its end) ends early and the next window
// re-reads from consumed. The last window is marked as the end of the text, so the tokenizer emits what it
// has there: every byte of the file is delivered.
#include "documents/documentprocessor.h"

#include "text/chinesetokenizer.h"
#include "text/oldwordlistmanager.h"
#include "text/wordhash.h"
#include "utils/exception.h"
#include "utils/log.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/thread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unistd.h>

struct DocumentProcessor::Impl {
  ZUN_ERROR(processing_error);

  Impl(const char* path, WordHash const& master, DocumentProcessorListener& listener, size_t step)
      : master(master), listener(listener), file(path), step(step ? step : DEFAULT_STEP) {}

  void operator()();
  void run(uint64_t& lines, bool& atLineStart, OpenSSL::SHA1::Stream& digest);
  void finish(std::chrono::steady_clock::time_point start, OpenSSL::SHA1::Stream* digest);
  size_t readWindow(char* buffer, uint64_t offset, size_t count);
  static void threadMain(void* impl) { (*static_cast<Impl*>(impl))(); }

  template <typename T> T get(T const& field) const {
    std::lock_guard lock(mutex);
    return field;
  }
  template <typename T> void set(T& field, T value) {
    std::lock_guard lock(mutex);
    field = value;
  }

  mutable std::mutex mutex;
  std::condition_variable runEnded; // finished set: a cancel waits for it
  uint64_t maxLine = 0;
  uint64_t bytesProcessed = 0;
  bool finished = true;
  bool started = false; // also the run's "keep going" signal: clearing it requests the end
  bool error = false;   // the worker's own
  float processingTime = 0;
  WordHash const& master;
  DocumentProcessorListener& listener;
  FileHandle file;
  size_t step;
  Thread thread;
};

// Fills buffer from offset, retrying short reads; fewer bytes only at the file's (possibly new) end.
size_t DocumentProcessor::Impl::readWindow(char* buffer, uint64_t offset, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(file.fd(), buffer + done, count - done, off_t(offset + done));
    if (n > 0) {
      done += size_t(n);
    } else if (n == 0 || errno != EINTR) {
      if (n < 0) ZUN_THROW(DocumentProcessor::Impl::processing_error);
      break;
    }
  }
  return done;
}

void DocumentProcessor::Impl::run(uint64_t& lines, bool& atLineStart, OpenSSL::SHA1::Stream& digest) {
  const size_t overlap = [this] {
    OldWordListManager::ReadLock reading;
    return std::max<size_t>(10 * master.longestWord(), 10);
  }();
  std::unique_ptr<char[]> buffer(new char[step + overlap]);
  const uint64_t size = file.size();
  uint64_t consumed = 0;
  while (consumed < size && get(started)) {
    const size_t want = size_t(std::min<uint64_t>(step + overlap, size - consumed));
    const size_t got = readWindow(buffer.get(), consumed, want);
    // A short read means the file shrank under us: that is the end of the text now.
    const bool last = consumed + want >= size || got < want;
    const uint64_t stepEnd = last ? consumed + got : consumed + step;
    const uint64_t windowStart = consumed;
    {
      // A window at a time, so that adding a custom word waits for one window at most.
      OldWordListManager::ReadLock reading;
      ChineseTokenizer tokenizer(Utf8Range(buffer.get(), got), master, last);
      while (consumed < stepEnd && tokenizer.hasTokens()) {
        const Token token = tokenizer.nextToken();
        if (token.type == Token::EndOfText || !token.text) continue;
        if (atLineStart) {
          ++lines;
          atLineStart = false;
        }
        listener.processToken(token, consumed);
        consumed += token.bytes;
        if (token.text[0] == '\n') atLineStart = true;
      }
    }
    // Tokens tile the text: their bytes are the window's bytes up to consumed, digested in one piece.
    digest.write(buffer.get(), size_t(consumed - windowStart));
    {
      std::lock_guard lock(mutex);
      maxLine = lines;
      bytesProcessed = consumed;
    }
    if (last) break;
    if (consumed == windowStart)
      ZUN_THROW(DocumentProcessor::Impl::processing_error); // a window that yields nothing would loop
  }
}

void DocumentProcessor::Impl::operator()() {
  const auto start = std::chrono::steady_clock::now();
  error = true;
  {
    std::lock_guard lock(mutex);
    maxLine = bytesProcessed = 0;
  }
  std::unique_ptr<OpenSSL::SHA1::Stream> digest;
  try {
    digest = std::make_unique<OpenSSL::SHA1::Stream>();
    uint64_t lines = 0;
    bool atLineStart = true;
    run(lines, atLineStart, *digest);
    error = false;
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error processing document: ", e);
  } catch (...) {
    Log::print("ERR", "Unhandled exception in DocumentProcessor::Impl, %s(%d)\n", __FILE__, __LINE__);
  }
  // Whatever happened, the owner must learn that the run is over, or a cancel would wait for ever.
  try {
    if (get(started)) finish(start, digest.get());
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error processing document: ", e);
  } catch (...) {
    Log::print("ERR", "Unhandled exception in DocumentProcessor::Impl, %s(%d)\n", __FILE__, __LINE__);
  }
  std::lock_guard lock(mutex);
  finished = true;
  runEnded.notify_all(); // under the mutex: a cancel that wakes may destroy the processor at once
}

void DocumentProcessor::Impl::finish(std::chrono::steady_clock::time_point start,
                                     OpenSSL::SHA1::Stream* digest) {
  const float seconds = std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
  set(processingTime, seconds);
  OpenSSL::SHA1 sha1;
  if (digest) {
    try {
      sha1 = digest->digest();
    } catch (zun::exception const& e) {
      ZUN_LOG_CAUGHT("ERR", "Error processing document: ", e);
      error = true;
    }
  }
  listener.processingFinished(seconds, error, get(maxLine), get(bytesProcessed), sha1);
}

DocumentProcessor::DocumentProcessor(const char* path, WordHash const& master,
                                     DocumentProcessorListener& listener, size_t step)
    : impl(std::make_unique<Impl>(path, master, listener, step)) {}

DocumentProcessor::~DocumentProcessor() {
  cancelProcessing();
  impl->thread.join(); // a run that was never cancelled has ended too: its thread is reaped here
}

void DocumentProcessor::beginProcessing(bool threaded) {
  {
    std::lock_guard lock(impl->mutex);
    if (impl->started) return;
    impl->started = true;
  }
  impl->listener.beginProcessing();
  impl->set(impl->finished, false);
  if (!threaded) {
    (*impl)();
    return;
  }
  impl->thread.join(); // the previous run's thread, long finished
  auto* runner = new Thread::Runner<void (*)(void*)>(&Impl::threadMain, impl.get());
  if (!Thread::launch(impl->thread, runner, Thread::Mode::Joinable)) {
    // Nothing will run: say so, so that a cancel returns and a later begin tries again.
    std::lock_guard lock(impl->mutex);
    impl->finished = true;
    impl->started = false;
    impl->runEnded.notify_all();
  }
}

void DocumentProcessor::cancelProcessing() {
  bool wasStarted;
  {
    std::lock_guard lock(impl->mutex);
    wasStarted = impl->started;
    impl->started = false;
  }
  if (!wasStarted) return;
  {
    // An inline run on another thread has no thread to join: wait for its flag.
    std::unique_lock lock(impl->mutex);
    impl->runEnded.wait(lock, [this] { return impl->finished; });
  }
  impl->thread.join();
}

unsigned long DocumentProcessor::bytesProcessed() const {
  return impl->get(impl->bytesProcessed);
}
unsigned long DocumentProcessor::maxLine() const {
  return impl->get(impl->maxLine);
}
bool DocumentProcessor::finished() const {
  return impl->get(impl->finished);
}
bool DocumentProcessor::processingStarted() const {
  return impl->get(impl->started);
}
float DocumentProcessor::processingTime() const {
  return impl->get(impl->processingTime);
}
