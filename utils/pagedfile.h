// A file of any size read through a sliding window of two pages, so that a large document is paged in on
// demand. The window is filled with pread rather than mapped, so a file that another program truncates
// under the reader gives short reads, never a crash; one that it rewrites in place is read anew (see
// recheck).
#pragma once

#include <cstddef>
#include <memory>

class PagedFile {
public:
  // Opens the file (shared lock, no waiting) and records its size; reads nothing yet. Throws
  // FileHandle::open_error.
  explicit PagedFile(const char* path);
  PagedFile(PagedFile const&) = delete;
  PagedFile& operator=(PagedFile const&) = delete;
  ~PagedFile();

  // The file's size, taken again at most every few milliseconds (less when a read has just found that the
  // file has shrunk).
  size_t totalBytes() const;
  // Takes the file's size and modification time again now; when either has changed, the window read before
  // is dropped. Reads do this themselves when they reach the recorded end, and otherwise every few
  // milliseconds.
  void recheck();
  // Copies min(count, totalBytes - offset) bytes from offset and returns how many were copied (fewer when
  // the file could not be read further). At or past the end, with count not 0, writes one NUL into
  // buffer[0] and returns 0.
  size_t read(void* buffer, size_t offset, size_t count);

  // Where the window lies now, for diagnostics and tests: its first byte and the bytes held.
  size_t windowOffset() const;
  size_t windowLength() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
