// The sink of a script's output: counts every byte written so that another thread can show the size while
// the script runs, and passes the bytes on to a target (the output file's writer). Bytes are gathered into
// blocks before they reach the target, so a script that prints a line at a time costs one target write per
// block, not per line; the target holds the last bytes only after flush() or setTarget().
#pragma once

#include "utils/outputstream.h"

#include <memory>

class CountingOutputStream : public OutputStream {
public:
  CountingOutputStream();
  // Flushes into the target, which must still be alive.
  ~CountingOutputStream() override;
  CountingOutputStream(CountingOutputStream const&) = delete;
  CountingOutputStream& operator=(CountingOutputStream const&) = delete;

  // Counts and holds the bytes; always takes them all. Without a target they are counted and dropped.
  size_t write(const void* data, size_t size) override;
  // Flushes into the old target first. Null detaches.
  void setTarget(OutputStream* target);
  // Passes the held bytes on. False when the target took fewer than it was given (they are dropped).
  bool flush();
  // The bytes written since the last reset; safe from any thread.
  size_t total() const;
  // Flushes, detaches the target and sets the total to 0.
  void reset();

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
