// One gzip member in memory, made in a single deflate pass from a file or from a buffer handed over with a
// name: the log attached to a feedback message. The header carries the program's display name as comment.
#pragma once

#include "utils/ownedbuffer.h"
#include "utils/text.h"

#include <cstddef>
#include <memory>

class FileCompressor {
public:
  // Compresses the file at path, opened with the FileHandle flags (0: read-only, shared lock) when compress
  // runs.
  FileCompressor(const char* path, int flags);
  // Compresses input, which it takes over; name names it. A buffer with a null data pointer stands for the
  // file of that name instead.
  FileCompressor(const char* name, OwnedBuffer&& input);
  ~FileCompressor();
  FileCompressor(FileCompressor const&) = delete;
  FileCompressor& operator=(FileCompressor const&) = delete;

  // Builds the gzip data. False, with nothing kept, when the input cannot be read, is larger than one deflate
  // call takes (4 GB), or does not compress completely. Never throws.
  bool compress();

  const char* filename() const;
  // The name's last path component: the attachment's file name.
  const char* basename() const;
  // The gzip bytes after a successful compress; null and 0 otherwise.
  const unsigned char* data() const;
  size_t size() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
