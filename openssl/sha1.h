// The 20-byte SHA-1 digest that names stored objects and word-list revisions, and its streaming form. The
// text form is 40 lowercase hexadecimal digits.
#pragma once

#include "utils/exception.h"
#include "utils/outputstream.h"
#include "utils/textbuffer.h"

#include <array>
#include <compare>
#include <cstddef>
#include <memory>

namespace OpenSSL {

class SHA1 {
public:
  static constexpr size_t SIZE = 20;
  static constexpr size_t HEX_LENGTH = 40;
  using Bytes = std::array<unsigned char, SIZE>;

  // libcrypto could not compute a digest (it cannot in practice, but a wrong digest must never pass).
  ZUN_ERROR(digest_error);

  // The all-zero digest, which also stands for "no valid digest".
  SHA1() = default;
  explicit SHA1(Bytes const& bytes) : m_bytes(bytes) {}

  // The digest of a whole byte range at hand. Throws SHA1::digest_error.
  static SHA1 of(const void* data, size_t size);
  static SHA1 of(Span const& s) { return of(s.data, s.length); }

  // Exactly 40 hexadecimal digits of either case; a null text, any other length or a character that is not
  // a hexadecimal digit gives the all-zero digest.
  static SHA1 fromHex(const char* text);
  // 40 lowercase digits and a NUL when size is at least 41; otherwise the empty string (nothing when size
  // is 0 or out is null).
  void toHex(char* out, size_t size) const;
  TextBuffer<HEX_LENGTH> hex() const;

  bool isZero() const;
  Bytes const& bytes() const { return m_bytes; }
  auto operator<=>(SHA1 const&) const = default;

  // An OutputStream that digests what is written to it: write the pieces, then take digest().
  class Stream : public OutputStream {
  public:
    Stream();
    ~Stream() override;
    Stream(Stream const&) = delete;
    Stream& operator=(Stream const&) = delete;

    // Feeds the bytes to the digest; returns size, or 0 when libcrypto failed (digest() then throws).
    size_t write(const void* data, size_t size) override;
    // The digest of everything written since construction or the last digest(); the stream then starts
    // over. Throws SHA1::digest_error when any step failed.
    SHA1 digest();
    // The digest of everything written so far, leaving the stream as it is, so that prefixes of one text
    // can be digested in one pass. Throws SHA1::digest_error when any step failed.
    SHA1 digestSoFar() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
  };

private:
  Bytes m_bytes{};
};

} // namespace OpenSSL
