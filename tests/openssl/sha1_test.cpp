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
      {"\xE4\xB8\xAD\xE6\x96\x87", "7be2d2d20c106eee0836c9bc2b939890a78e8fb3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    EXPECT_EQ(hexOf(OpenSSL::SHA1::of(Span(c.input))), c.hex);
    // Streamed in uneven pieces, the same digest.
    OpenSSL::SHA1::Stream stream;
    for (size_t at = 0, piece = 1; at < c.input.size(); at += piece, piece = piece * 3 + 1)
      stream << Span(c.input.data() + at, std::min(piece, c.input.size() - at));
    EXPECT_EQ(hexOf(stream.digestSoFar()), c.hex); // leaves the stream as it is
    EXPECT_EQ(hexOf(stream.digest()), c.hex);
  }
}

TEST(SHA1Test, StreamStartsOverAfterDigest) {
  OpenSSL::SHA1::Stream stream;
  stream << "ab";
  stream.digest();
  stream << "abc";
  EXPECT_EQ(stream.digest(), OpenSSL::SHA1::of(Span("abc")));
  EXPECT_EQ(stream.digest(), OpenSSL::SHA1::of(Span(""))); // nothing written since
  EXPECT_EQ(stream.write("x", 0), 0u);
}

TEST(SHA1Test, HexRoundTripAndBadTexts) {
  const auto d = OpenSSL::SHA1::of(Span("abc"));
  EXPECT_EQ(OpenSSL::SHA1::fromHex("a9993e364706816aba3e25717850c26c9cd0d89d"), d);
  EXPECT_EQ(OpenSSL::SHA1::fromHex("A9993E364706816ABA3E25717850C26C9CD0D89D"), d);
  const std::string good = "a9993e364706816aba3e25717850c26c9cd0d89d";
  const struct {
    const char* name;
    std::string text;
  } bad[] = {
      {"39 digits", good.substr(0, 39)},
      {"41 digits", good + "0"},
      {"empty", ""},
      {"not hex at the end", good.substr(0, 39) + "g"},
      {"not hex at the start", "x" + good.substr(1)},
      {"NUL inside", good.substr(0, 20) + std::string(1, '\0') + good.substr(21)},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(c.name);
    const auto zero = OpenSSL::SHA1::fromHex(c.text.c_str());
    EXPECT_TRUE(zero.isZero());
    EXPECT_EQ(zero, OpenSSL::SHA1());
  }
  EXPECT_TRUE(OpenSSL::SHA1::fromHex(nullptr).isZero());
  EXPECT_FALSE(d.isZero());
}

TEST(SHA1Test, ToHexNeedsRoomForAllDigits) {
  const auto d = OpenSSL::SHA1::of(Span("abc"));
  for (size_t size : {40u, 41u, 64u}) {
    SCOPED_TRACE(size);
    char out[64];
    std::memset(out, 'X', sizeof out);
    d.toHex(out, size);
    EXPECT_EQ(std::string(out), size > 40 ? "a9993e364706816aba3e25717850c26c9cd0d89d" : "");
  }
  char untouched = 'X';
  d.toHex(&untouched, 0);
  EXPECT_EQ(untouched, 'X');
}

TEST(SHA1Test, OrderIsBytewise) {
  auto low = OpenSSL::SHA1::fromHex("00000000000000000000000000000000000000ff");
  auto high = OpenSSL::SHA1::fromHex("0100000000000000000000000000000000000000");
  EXPECT_LT(low, high);
  EXPECT_NE(low, high);
}
