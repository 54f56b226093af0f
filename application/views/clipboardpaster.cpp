// A job travels main thread -> worker -> main thread through the MessageCenter; only one thread holds it at a
// time. Between the write and the listener the job keeps a shared lock on its file (a duplicate of the
// writer's descriptor), which the document the listener opens may share, while a writer of another copy of
// the program cannot take it.
#include "views/clipboardpaster.h"

#include "utils/log.h"
#include "utils/messagecenter.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/textbuffer.h"
#include "utils/thread.h"
#include "views/clipboard.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>

namespace {

constexpr int MAX_NAMES = 1000;

struct Job {
  ~Job() {
    if (heldFile >= 0) ::close(heldFile);
  }
  std::unique_ptr<ClipboardPaster::Info> info;
  Text text;         // the clipboard's, read on the main thread
  int heldFile = -1; // keeps the written file locked until the listener has run
};

// Whether another open file description holds a lock on path.
bool heldByAnother(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

// What a failed write left behind, never a device or anything else that was there before.
void removeIfPlainFile(const char* path) {
  struct stat st;
  if (::lstat(path, &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path);
}

// The same name with its trailing number one higher ("Clipboard-2" after "Clipboard-1"), or "-2" appended.
Text nextName(Text const& path) {
  const char* p = path.c_str();
  size_t digits = path.length();
  while (digits > 0 && p[digits - 1] >= '0' && p[digits - 1] <= '9')
    --digits;
  TextBuffer<0> next;
  if (digits < path.length() && digits > 0 && p[digits - 1] == '-') {
    next.append(Span(p, digits));
    next.appendFormat("%lu", std::strtoul(p + digits, nullptr, 10) + 1);
  } else {
    next.format("%s-2", p);
  }
  return Text(next.span());
}

// The text with a line feed at its end, into the first file of the name's sequence that no other copy holds.
ClipboardPaster::Status write(Job& job) {
  Text& path = job.info->path;
  for (int attempt = 0; attempt < MAX_NAMES; ++attempt, path = nextName(path)) {
    try {
      FileWriter out(path.c_str(), 0);
      out.write(job.text.data(), job.text.length());
      if (job.text.c_str()[job.text.length() - 1] != '\n') out.write("\n", 1);
      job.heldFile = out.createReadHandle(nullptr, 0);
      if (job.heldFile >= 0) ::flock(job.heldFile, LOCK_SH); // converted: our own document may share it
      if (!out.close()) {
        Log::print("ERR", "Error writing pasted text to %s\n\tLast error: %d\n", path.c_str(), out.error());
        removeIfPlainFile(path.c_str());
        return ClipboardPaster::FileFailed;
      }
      return ClipboardPaster::Done;
    } catch (FileWriter::open_error const&) {
      if (!heldByAnother(path.c_str())) return ClipboardPaster::FileFailed;
    }
  }
  return ClipboardPaster::FileFailed;
}

// On the main thread.
void deliver(void* data) {
  const std::unique_ptr<Job> job(static_cast<Job*>(data));
  ClipboardPaster::Info const& info = *job->info;
  if (info.listener) info.listener->onPasteComplete(info.status, info);
}

void finish(std::unique_ptr<Job> job, ClipboardPaster::Status status) {
  job->info->status = status;
  MessageCenter::instance().addMessage(job.release(), &deliver);
}

void run(void* data) {
  std::unique_ptr<Job> job(static_cast<Job*>(data));
  ClipboardPaster::Status status = ClipboardPaster::FileFailed;
  try {
    status = write(*job);
  } catch (std::bad_alloc const&) {
    status = ClipboardPaster::OutOfMemory;
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error writing pasted text: ", e);
  } catch (std::exception const& e) {
    Log::print("ERR", "Error writing pasted text: %s\n", e.what());
  }
  if (status != ClipboardPaster::Done && job->heldFile >= 0) {
    ::close(job->heldFile);
    job->heldFile = -1;
  }
  finish(std::move(job), status);
}

} // namespace

void ClipboardPaster::start(std::unique_ptr<Info> info) {
  if (!info) return;
  info->status = Running;
  Thread::Runner<void (*)(void*)>* runner = nullptr;
  auto job = std::make_unique<Job>();
  job->info = std::move(info);
  try {
    job->text = Clipboard(job->info->handle).text();
    if (job->text.empty()) return finish(std::move(job), NoText);
    runner = new Thread::Runner<void (*)(void*)>(&run, job.get());
  } catch (std::bad_alloc const&) {
    return finish(std::move(job), OutOfMemory);
  } catch (Clipboard::open_error const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error reading the clipboard: ", e);
    return finish(std::move(job), ClipboardFailed);
  }
  Job* handedOver = job.release();
  Thread thread;
  if (!Thread::launch(thread, runner)) return finish(std::unique_ptr<Job>(handedOver), WorkerFailed);
  sched_yield();
}
