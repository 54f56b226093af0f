// Reads a word-list file chosen by the user: of each line the text before the first space, tab or line end
// is a word, so files with further columns (readings, meanings) import as plain lists. Lines end at LF, CR
// or CR LF; a UTF-8 byte-order mark is skipped; empty words are left out; the last line needs no line end.
// The words are spans into the importer's copy of the file, valid until the next import() or reset().
//
// The scan runs on a worker thread or inline. The listener is called on the thread that scans; words(),
// percentComplete() and complete() may be polled from the owner's thread at any time.
#pragma once

#include "utils/span.h"

#include <memory>
#include <vector>

class WordListImporter {
public:
  class Listener {
  public:
    virtual ~Listener() = default;
    // The run has ended: the file is exhausted, the run was stopped, or there was no file. Called once per
    // run, after every word of the run has been found.
    virtual void complete() = 0;
    // Every 65,536 bytes scanned.
    virtual void progress(float percent) = 0;
  };

  explicit WordListImporter(Listener& listener);
  // Stops a running import (waiting for its worker to end) and frees the file.
  ~WordListImporter();
  WordListImporter(WordListImporter const&) = delete;
  WordListImporter& operator=(WordListImporter const&) = delete;

  // Resets, reads the file and scans it on a new worker thread (async) or before returning. A file that
  // cannot be read gives a run that completes at once with no words.
  void import(const char* path, bool async);
  // Stops a running import, waits for its worker to end, and drops the file and every word.
  void reset();

  // The words found so far, in file order.
  std::vector<Span> const& words() const;
  // 0 to 100; 100 when there is no file or the whole file has been read.
  float percentComplete() const;
  // A stop was requested, there is no file, or the whole file has been read.
  bool complete() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
