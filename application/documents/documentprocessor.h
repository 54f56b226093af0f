// Segments one document file into tokens and hands each, with its byte offset, to a listener; counts lines
// and digests the token bytes with SHA-1. The file is read a window at a time (a step plus an overlap longer
// than any word), so any size is processed in bounded memory and a word is never split between windows.
// A run goes on a worker thread of its own or inline on the caller's thread.
//
// The file is read with pread, so a file truncated or rewritten by another program while it is processed
// simply ends early. Counters may be read from any thread while a run proceeds; beginProcessing and
// cancelProcessing belong to the owner's thread.
#pragma once

#include "documents/documentprocessorlistener.h"

#include <cstddef>
#include <memory>

class WordHash;

class DocumentProcessor {
public:
  static constexpr size_t DEFAULT_STEP = 65536;

  // Opens the file (shared lock, no waiting); FileHandle::open_error propagates. master (the word list to
  // segment against) and listener must outlive the processor; master is read a window at a time under the
  // master list's read lock, so it may be the master list while a custom word is added, and the listener
  // must not wait for anything in processToken. step: the bytes each window advances by (0 for the
  // default).
  DocumentProcessor(const char* path, WordHash const& master, DocumentProcessorListener& listener,
                    size_t step = 0);
  // Cancels a run and waits for its thread.
  ~DocumentProcessor();
  DocumentProcessor(DocumentProcessor const&) = delete;
  DocumentProcessor& operator=(DocumentProcessor const&) = delete;

  // Starts a run unless one was started and not cancelled since (finished or not). The listener's
  // beginProcessing runs on this thread first. threaded: on a new worker thread; else before returning.
  void beginProcessing(bool threaded);
  // Asks a started run to stop, waits until it has, and leaves the processor ready for a fresh run. A
  // cancelled run reports no processingFinished. Returns at once when nothing was started.
  void cancelProcessing();

  unsigned long bytesProcessed() const;
  unsigned long maxLine() const;
  bool finished() const;
  bool processingStarted() const;
  float processingTime() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
