#include "openssl/base64reader.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <string>

namespace {

std::string bytes(size_t n) {
  std::string s(n, 0);
  for (size_t i = 0; i < n; ++i)
    s[i] = char(i * 7 + i / 256);
  return s;
}

// Base64 of bytes(n) in lines of width characters (0: one line), each with its line feed.
std::string encoded(size_t n, size_t width = 0) {
  const std::string in = bytes(n);
  std::string line(4 * ((n + 2) / 3) + 1, 0), out;
  line.resize(size_t(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(line.data()),
                                     reinterpret_cast<const unsigned char*>(in.data()), int(n))));
  for (size_t at = 0; at < line.size(); at += width ? width : line.size())
    out += line.substr(at, width ? width : line.size()) + "\n";
  return out;
}

std::string decode(std::string const& text, OwnedBuffer* keep = nullptr) {
  OpenSSL::Base64Reader reader(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  OwnedBuffer out = reader.decode();
  const std::string decoded(out.data ? out.data : "", out.size);
  if (keep) *keep = std::move(out);
  return decoded;
}

} // namespace

TEST(Base64ReaderTest, DecodesLinesOfAnyLengthAndRefusesNonsense) {
  const std::string lines = encoded(256, 64); // the way signature blocks are written
  const struct {
    const char* name;
    std::string text;
    std::string decoded;
  } cases[] = {
      {"one line without line feed", "aGVsbG8gd29ybGQ=", "hello world"},
      {"lines of 64 characters", lines, bytes(256)},
      // The library's filter alone would drop an unterminated last line.
      {"the last line without line feed", lines.substr(0, lines.size() - 1), bytes(256)},
      {"CR LF line ends", "aGVs\r\nbG8=\r\n", "hello"},
      {"empty", "", ""},
      {"one line of 1,024 characters", encoded(768), bytes(768)},
      {"one line of 4,096 characters, no line feed", encoded(3072).substr(0, 4096), bytes(3072)},
      {"lines of 2,000 characters", encoded(1500) + "\n" + encoded(1500), bytes(1500) + bytes(1500)},
      {"not Base64", "!!!! ????\n", ""},
  };
  for (auto const& c : cases)
    EXPECT_EQ(decode(c.text), c.decoded) << c.name;
  // What cannot be decoded leaves the array zeroed.
  OwnedBuffer failed;
  EXPECT_EQ(decode("@@@@@@@@\n", &failed), "");
  ASSERT_NE(failed.data, nullptr);
  EXPECT_EQ(std::string(failed.data, 9), std::string(9, '\0'));
}
