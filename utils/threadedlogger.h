// The log file's writer. Entries are copied into one of five buffers and appended to the file by a writer
// thread of its own, in the order their buffers were queued; a caller that finds every buffer in use waits
// for the writer, so nothing is dropped while it runs. When the writer could not be started the entries are
// written on the calling thread; once the logger has shut down they are dropped. Logging never throws and
// never hangs.
#pragma once

#include "utils/ownedbuffer.h"
#include "utils/text.h"

#include <memory>

class ThreadedLogger {
public:
  static constexpr size_t BUFFERS = 5;
  static constexpr size_t ENTRY_SIZE = 1025; // bytes kept of one entry

  // The process-wide logger. It is never freed, so a worker that logs while the process ends does no harm;
  // shutdown() stops its writer.
  static ThreadedLogger& instance();

  // Starts the writer thread; no file yet.
  ThreadedLogger();
  // Shuts down.
  ~ThreadedLogger();
  ThreadedLogger(ThreadedLogger const&) = delete;
  ThreadedLogger& operator=(ThreadedLogger const&) = delete;

  // Queues one entry: at most ENTRY_SIZE bytes of text (null gives an empty entry). Any thread.
  void operator()(const char* text);

  // Only the first successful call counts: opens path read-write (created or truncated, locked) and, with
  // unlinkAfterOpen, removes its folder entry at once, so the log lives only while the process runs. A file
  // that cannot be opened leaves the logger without one; nothing is thrown.
  void setLogFile(Text path, bool unlinkAfterOpen);
  bool hasLogFile() const;

  // Everything written to the file so far; empty (null data) with no file or nothing written.
  OwnedBuffer fullLog() const;

  // Writes what is still queued, stops and joins the writer and closes the file. Later entries are dropped.
  // Safe to call more than once.
  void shutdown();

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
