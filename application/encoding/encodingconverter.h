// Decodes text in one of the encodings the detector names (UTF-16 either way round, GB18030, Big5) into
// UTF-8: with glibc's iconv, and Big5 through Big5Decoder. Decoding is lenient: a byte that does not decode
// (a code unit, for UTF-16; a lead and trail pair, for Big5) becomes U+FFFD and decoding goes on, so one
// bad byte never keeps a file from opening. A byte-order mark at the start (UTF-16, GB18030) is not copied.
// A small value class: it holds only which encoding it decodes.
#pragma once

#include "encoding/encodingdetector.h"
#include "utils/outputstream.h"

#include <cstddef>
#include <functional>

class EncodingConverter {
public:
  enum class Result { Done, WriteFailed, Stopped, Unsupported };

  explicit EncodingConverter(EncodingDetector::Encoding encoding) : m_encoding(encoding) {}

  // True for the encodings that decode here (UTF-16LE, UTF-16BE, GB18030, Big5).
  bool supported() const;

  // Decodes in[0, n) and copies the UTF-8 into out, cut at size (no NUL, possibly inside a character).
  // Returns the bytes written; 0 for an unsupported encoding.
  size_t convert(const char* in, size_t n, char* out, size_t size) const;

  // Decodes input and writes the UTF-8 to out in pieces. stopRequested, when given, is asked between
  // pieces. WriteFailed when out took fewer bytes than it was given (a full disk).
  Result convert(Span const& input, OutputStream& out, std::function<bool()> const& stopRequested = {}) const;

  // Fills buffer with up to size further bytes of the input and returns how many; 0 at its end.
  using Reader = std::function<size_t(char* buffer, size_t size)>;
  // The same for an input read a piece at a time, so a file need not be mapped (another program may
  // shorten it meanwhile) nor held whole.
  Result convert(Reader const& read, OutputStream& out,
                 std::function<bool()> const& stopRequested = {}) const;

private:
  EncodingDetector::Encoding m_encoding;
};
