// Base64 decoding through libcrypto: the text may be broken into lines of any length (as a PEM body or a
// signature block is) or be one line, and its last line need not end with a line feed.
#pragma once

#include "utils/exception.h"
#include "utils/ownedbuffer.h"

#include <cstddef>
#include <memory>

namespace OpenSSL {

class Base64Reader {
public:
  ZUN_ERROR(initialise_error);

  // The data must outlive the reader. Throws initialise_error when the decoding context cannot be made.
  Base64Reader(const unsigned char* data, size_t length);
  ~Base64Reader();
  Base64Reader(Base64Reader const&) = delete;
  Base64Reader& operator=(Base64Reader const&) = delete;

  // The decoded bytes in an array of the input's length; size is the number decoded, 0 (array zeroed) when
  // nothing could be decoded. Decodes once: the filter is used up afterwards.
  OwnedBuffer decode();

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

} // namespace OpenSSL
