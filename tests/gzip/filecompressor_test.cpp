#include "gzip/filecompressor.h"

#include "openssl/rsapublickey.h"
#include "programinfo/programinfo.h"

#include "programkey.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <zlib.h>

namespace {

struct Inflated {
  bool ok = false;
  std::string data;
  std::string comment;
  int os = -1;
  unsigned long time = 1;
  bool hasName = true;
};

// A standard gzip reader: zlib's inflate with the gzip wrapper, header fields read back.
Inflated inflateGzip(const unsigned char* data, size_t size) {
  Inflated r;
  z_stream s{};
  if (inflateInit2(&s, 15 + 16) != Z_OK) return r;
  char comment[256] = {}, name[256] = {};
  gz_header header{};
  header.comment = reinterpret_cast<Bytef*>(comment);
  header.comm_max = sizeof comment;
  header.name = reinterpret_cast<Bytef*>(name);
  header.name_max = sizeof name;
  inflateGetHeader(&s, &header);
  s.next_in = const_cast<Bytef*>(data);
  s.avail_in = uInt(size);
  std::string out(1 << 16, '\0');
  int rc;
  do {
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    rc = inflate(&s, Z_NO_FLUSH);
    r.data.append(out.data(), out.size() - s.avail_out);
  } while (rc == Z_OK);
  r.ok = rc == Z_STREAM_END && s.avail_in == 0;
  r.comment = comment;
  r.os = header.os;
  r.time = header.time;
  r.hasName = name[0] != 0;
  inflateEnd(&s);
  return r;
}

OwnedBuffer bufferOf(std::string const& s) {
  OwnedBuffer b(s.size());
  std::memcpy(b.data, s.data(), s.size());
  return b;
}

class FileCompressorTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    const OpenSSL::RSAPublicKey key(ProgramKey::exponent, 3, ProgramKey::modulus, 256);
    ProgramInfo::instance().loadFromFile((qmtest::resourcesDir() / "data" / "program.properties").c_str(),
                                         key);
  }
  qmtest::TempDir dir;
};

} // namespace

TEST_F(FileCompressorTest, RoundTripThroughInflateWithTheHeaderFields) {
  std::mt19937 random(7);
  std::string noise(300000, '\0');
  for (auto& c : noise)
    c = char(random());
  const struct {
    const char* name;
    std::string data;
  } cases[] = {
      {"empty", ""},
      {"short text", "Log::initialise - Error opening log key file\n"},
      {"repetitive", std::string(1 << 20, 'z')},
      {"incompressible", noise},
      {"corpus", qmtest::readFile(qmtest::sharedDataDir() / "corpus" / "pku_test.utf8")},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    FileCompressor compressor("logs/zun-1.log", bufferOf(c.data));
    ASSERT_TRUE(compressor.compress());
    EXPECT_STREQ(compressor.basename(), "zun-1.log");
    const Inflated r = inflateGzip(compressor.data(), compressor.size());
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.data == c.data);
    EXPECT_EQ(r.comment, "Quillmere");
    EXPECT_EQ(r.os, 3) << "Unix";
    EXPECT_EQ(r.time, 0u);
    EXPECT_FALSE(r.hasName);
  }
}

TEST_F(FileCompressorTest, FileInputAndItsFailures) {
  const std::string text = "line one\nline two\n";
  qmtest::writeFile(dir / "a.log", text);
  struct {
    const char* name;
    FileCompressor compressor;
    bool ok;
  } cases[] = {
      {"a file", {(dir / "a.log").c_str(), 0}, true},
      {"a null buffer names the file", {(dir / "a.log").c_str(), OwnedBuffer()}, true},
      {"a missing file", {(dir / "none.log").c_str(), 0}, false},
      {"a null buffer and no file", {(dir / "none.log").c_str(), OwnedBuffer()}, false},
      {"a folder", {dir.str().c_str(), 0}, false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    FileCompressor& compressor = c.compressor;
    ASSERT_EQ(compressor.compress(), c.ok);
    if (!c.ok) {
      EXPECT_EQ(compressor.data(), nullptr);
      EXPECT_EQ(compressor.size(), 0u);
      continue;
    }
    EXPECT_STREQ(compressor.basename(), "a.log");
    EXPECT_EQ(inflateGzip(compressor.data(), compressor.size()).data, text);
  }
}

// One deflate call counts its input in 32 bits: a larger input must be refused, not silently cut. The size is
// checked before a byte is read, so a buffer that only claims the size shows it.
TEST_F(FileCompressorTest, InputBeyondFourGigabytesIsRefused) {
  FileCompressor compressor("big.log", OwnedBuffer(new char[1](), size_t(UINT_MAX) + 1));
  EXPECT_FALSE(compressor.compress());
  EXPECT_EQ(compressor.data(), nullptr);
}
