#include "openssl/sha1.h"

#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string hexOf(OpenSSL::SHA1 const& d) {
  return std::string(d.hex().view());
}
} // namespace

TEST(SHA1Test, KnownDigestsOneShotAndStreamed) {
  const struct {
    std::string input;
    const char* hex;
  } cases[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  OpenSSL::SHA1::Stream stream; // used again: a digest starts it over
  stream << "left over from before";
  stream.digest();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    EXPECT_EQ(hexOf(OpenSSL::SHA1::of(Span(c.input))), c.hex);
    // Streamed in uneven pieces, the same digest.
    for (size_t at = 0, piece = 1; at < c.input.size(); at += piece, piece = piece * 3 + 1)
      stream << Span(c.input.data() + at, std::min(piece, c.input.size() - at));
    EXPECT_EQ(hexOf(stream.digestSoFar()), c.hex); // leaves the stream as it is
    EXPECT_EQ(hexOf(stream.digest()), c.hex);
  }
}

// Only 40 hexadecimal digits read as a digest, anything else as the zero digest. Written, the digits need
// room for a NUL too, else nothing is written. Digests (the ids of stored revisions) sort bytewise.
TEST(SHA1Test, HexFormsAndOrder) {
  const std::string good = "a9993e364706816aba3e25717850c26c9cd0d89d";
  const auto d = OpenSSL::SHA1::of(Span("abc"));
  EXPECT_EQ(OpenSSL::SHA1::fromHex(good.c_str()), d);
  EXPECT_EQ(OpenSSL::SHA1::fromHex("A9993E364706816ABA3E25717850C26C9CD0D89D"), d);
  for (std::string const& bad : {good.substr(0, 39), good + "0", std::string(), good.substr(0, 39) + "g",
                                 "x" + good.substr(1), good.substr(0, 20) + '\0' + good.substr(21)}) {
    EXPECT_TRUE(OpenSSL::SHA1::fromHex(bad.c_str()).isZero()) << bad;
    EXPECT_EQ(OpenSSL::SHA1::fromHex(bad.c_str()), OpenSSL::SHA1());
  }
  EXPECT_TRUE(OpenSSL::SHA1::fromHex(nullptr).isZero());
  EXPECT_FALSE(d.isZero());
  for (size_t size : {0u, 40u, 41u}) {
    char out[64] = "untouched";
    d.toHex(out, size);
    EXPECT_STREQ(out, size == 0 ? "untouched" : size == 40 ? "" : good.c_str()) << size;
  }
  EXPECT_LT(OpenSSL::SHA1::fromHex(("00" + good.substr(2)).c_str()),
            OpenSSL::SHA1::fromHex(("01" + std::string(38, '0')).c_str()));
}
