// The worker scans a slice of up to 4,096 bytes per hold of the mutex, so the owner can take the words at
// any time without the worker paying for a lock per character. A stop sets the finished flag and joins
// the worker before the text goes, so the worker never reads freed memory. The file is read into memory
// of its own, not mapped: another program may truncate the user's file while it is imported.
#include "wordlists/wordlistimporter.h"

#include "utils/exception.h"
#include "utils/log.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/thread.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace {
constexpr size_t SLICE = 4096;
constexpr size_t PROGRESS_BYTES = 65536;

bool endsWord(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
} // namespace

struct WordListImporter::Impl {
  explicit Impl(Listener& l) : listener(l) {
    handedOut.reserve(1024);
    found.reserve(1024);
  }

  void stop();
  void launch(bool async);
  static void runWorker(void* self) { static_cast<Impl*>(self)->scan(); }
  void scan();
  // Scans up to SLICE bytes; returns the bytes consumed. Called under the mutex.
  size_t scanSlice();
  void takeWord(const char* lineEnd);
  bool completeLocked() const { return finished || !file || position >= end; }
  float percentLocked() const {
    if (!file || position >= end) return 100.0f;
    if (!position) return 0.0f;
    return 100.0f * (float(position - start) / float(end - start));
  }

  mutable std::vector<Span> handedOut;
  Listener& listener;
  mutable std::mutex mutex;
  mutable std::vector<Span> found;   // since the last hand-over
  std::unique_ptr<std::string> file; // the file's bytes, which the words point into
  const char* start = nullptr;
  const char* position = nullptr;
  const char* end = nullptr;
  const char* lineStart = nullptr;
  const char* wordEnd = nullptr; // null until this line's word has ended
  bool finished = false;
  std::unique_ptr<Thread> worker;
};

void WordListImporter::Impl::stop() {
  {
    std::lock_guard lock(mutex);
    finished = true;
  }
  if (worker) worker->join();
  worker.reset();
}

void WordListImporter::Impl::takeWord(const char* lineEnd) {
  const char* e = wordEnd ? wordEnd : lineEnd;
  if (e > lineStart) found.push_back(Span(lineStart, size_t(e - lineStart)));
  wordEnd = nullptr;
}

size_t WordListImporter::Impl::scanSlice() {
  const char* stop = end - position > ptrdiff_t(SLICE) ? position + SLICE : end;
  const char* from = position;
  for (const char* p = position; p < stop; ++p) {
    const char c = *p;
    if (!wordEnd && endsWord(c)) wordEnd = p;
    if (c == '\n' || c == '\r') {
      takeWord(p);
      // CR LF is one line end; a lone CR ends its line too.
      if (c == '\r' && p + 1 < end && p[1] == '\n') ++p;
      lineStart = p + 1;
      stop = std::max(stop, lineStart);
    }
  }
  position = stop;
  if (position >= end && lineStart < end) {
    takeWord(end);
    lineStart = end;
  }
  return size_t(position - from);
}

void WordListImporter::Impl::scan() {
  size_t sinceReport = 0;
  for (;;) {
    float percent = 0;
    {
      std::lock_guard lock(mutex);
      if (completeLocked()) {
        finished = true;
        break;
      }
      sinceReport += scanSlice();
      percent = percentLocked();
    }
    if (sinceReport >= PROGRESS_BYTES) {
      sinceReport = 0;
      listener.progress(percent);
    }
  }
  listener.complete();
}

void WordListImporter::Impl::launch(bool async) {
  if (!async) {
    scan();
    return;
  }
  worker = std::make_unique<Thread>();
  auto* runner = new Thread::Runner<void (*)(void*)>(&Impl::runWorker, this);
  if (!Thread::launch(*worker, runner, Thread::Mode::Joinable)) {
    // The scan never ran; the owner still hears that the run ended.
    worker.reset();
    std::lock_guard lock(mutex);
    finished = true;
  }
  if (!worker) listener.complete();
}

WordListImporter::WordListImporter(Listener& listener) : impl(std::make_unique<Impl>(listener)) {}

WordListImporter::~WordListImporter() {
  reset();
}

void WordListImporter::reset() {
  impl->stop();
  std::lock_guard lock(impl->mutex);
  impl->handedOut.clear();
  impl->found.clear();
  impl->file.reset();
  impl->start = impl->position = impl->end = impl->lineStart = impl->wordEnd = nullptr;
}

void WordListImporter::import(const char* path, bool async) {
  reset();
  auto text = std::make_unique<std::string>();
  try {
    FileHandle(path).readAll(*text);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Unable to import word list: ", e);
    text.reset();
  }
  {
    std::lock_guard lock(impl->mutex);
    impl->finished = false;
    if (text) {
      impl->start = text->data();
      impl->end = impl->start + text->size();
      impl->position = impl->start;
      if (impl->end - impl->start >= 3 && std::memcmp(impl->start, "\xEF\xBB\xBF", 3) == 0)
        impl->position += 3;
      impl->lineStart = impl->position;
      impl->file = std::move(text);
    }
  }
  // Without a file there is nothing to wait for: the run ends here.
  impl->launch(async && impl->file);
}

std::vector<Span> const& WordListImporter::words() const {
  std::lock_guard lock(impl->mutex);
  impl->handedOut.insert(impl->handedOut.end(), impl->found.begin(), impl->found.end());
  impl->found.clear();
  return impl->handedOut;
}

float WordListImporter::percentComplete() const {
  std::lock_guard lock(impl->mutex);
  return impl->percentLocked();
}

bool WordListImporter::complete() const {
  std::lock_guard lock(impl->mutex);
  return impl->completeLocked();
}
