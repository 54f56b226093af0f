// Decides from the first 512 bytes of a file whether it is UTF-8 or must be converted first: a UTF-16
// byte-order mark decides at once, and so does the zero-byte pattern of UTF-16 ASCII characters; text that
// is valid UTF-8, or mostly valid with more multi-byte sequences than invalid ones, is UTF-8; otherwise the
// sample is decoded as GB18030 and as Big5, and the one whose text holds more common Chinese characters
// (the list "data/common.u8") wins, when it has few enough invalid characters. Used on the main thread
// before a document opens, and by the import dialog and the scripts.
#pragma once

#include <cstdint>
#include <memory>

class EncodingDetector {
public:
  enum Encoding : uint32_t { Utf8 = 0, Utf16LE = 1, Utf16BE = 2, Gb18030 = 3, Big5 = 4, Unknown = 5 };

  // Reads the common-character list; without it every file that is neither UTF-8 nor UTF-16 is Unknown.
  EncodingDetector();
  ~EncodingDetector();
  EncodingDetector(EncodingDetector const&) = delete;
  EncodingDetector& operator=(EncodingDetector const&) = delete;

  // Utf8 also when the file cannot be read or holds fewer than 3 bytes.
  Encoding detect(const char* path) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
