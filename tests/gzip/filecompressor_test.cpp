#include "gzip/filecompressor.h"

#include "openssl/rsapublickey.h"
#include "programinfo/programinfo.h"

#include "programkey.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <zlib.h>

namespace {

// Read back by a standard gzip reader (zlib's inflate): the data, the header's comment and system.
void expectInflatesTo(FileCompressor const& compressor, std::string const& expected) {
  z_stream s{};
  char comment[64] = {};
  gz_header header{};
  header.comment = reinterpret_cast<Bytef*>(comment);
  header.comm_max = sizeof comment - 1;
  ASSERT_EQ(inflateInit2(&s, 15 + 16), Z_OK);
  inflateGetHeader(&s, &header);
  std::string out(expected.size() + 1, '\0');
  s.next_in = const_cast<Bytef*>(compressor.data());
  s.avail_in = uInt(compressor.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&s, Z_FINISH), Z_STREAM_END);
  out.resize(s.total_out);
  inflateEnd(&s);
  EXPECT_TRUE(out == expected);
  EXPECT_STREQ(comment, "Quillmere");
  EXPECT_EQ(header.os, 3) << "Unix";
}

OwnedBuffer bufferOf(std::string const& s) {
  return OwnedBuffer(std::copy(s.begin(), s.end(), new char[s.size() + 1]) - s.size(), s.size());
}

} // namespace

// Buffers and files come back whole; unreadable input or more than one deflate call takes gives nothing.
TEST(FileCompressorTest, RoundTripAndFailures) {
  ProgramInfo::instance().loadFromFile(
      (qmtest::resourcesDir() / "data" / "program.properties").c_str(),
      OpenSSL::RSAPublicKey(ProgramKey::exponent, 3, ProgramKey::modulus, 256));
  qmtest::TempDir dir;
  std::string noise(300000, '\0');
  std::generate(noise.begin(), noise.end(), [r = std::mt19937(7)]() mutable { return char(r()); });
  qmtest::writeFile(dir / "a.log", noise);
  const std::string empty, big(1 << 20, 'z');
  struct {
    FileCompressor compressor;
    const std::string* data; // null: compress fails
  } cases[] = {
      {{"logs/zun-1.log", bufferOf(empty)}, &empty},
      {{"logs/zun-1.log", bufferOf(big)}, &big},
      {{(dir / "a.log").c_str(), 0}, &noise},
      {{(dir / "a.log").c_str(), OwnedBuffer()}, &noise}, // a null buffer names the file
      {{(dir / "none.log").c_str(), 0}, nullptr},
      {{dir.str().c_str(), 0}, nullptr},                                        // a folder
      {{"big.log", OwnedBuffer(new char[1](), size_t(UINT_MAX) + 1)}, nullptr}, // refused before it is read
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.compressor.filename());
    ASSERT_EQ(c.compressor.compress(), c.data != nullptr);
    if (c.data) expectInflatesTo(c.compressor, *c.data);
    EXPECT_EQ(c.compressor.data() == nullptr, c.data == nullptr);
  }
}
