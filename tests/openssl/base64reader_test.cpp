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

// Base64 of bytes(n) on one line with its line feed.
std::string encoded(size_t n) {
  const std::string in = bytes(n);
  std::string out(4 * ((n + 2) / 3) + 1, 0);
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                     reinterpret_cast<const unsigned char*>(in.data()), int(n));
  out.resize(size_t(length));
  return out + "\n";
}

std::string decode(std::string const& text) {
  OpenSSL::Base64Reader reader(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  OwnedBuffer out = reader.decode();
  return std::string(out.data ? out.data : "", out.size);
}

} // namespace

TEST(Base64ReaderTest, DecodesLinesAndRefusesNonsense) {
  std::string all;
  for (int i = 0; i < 256; ++i)
    all += char(i);
  // 256 bytes as 64-character lines, the way signature blocks are written.
  const std::string allLines = "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4v\n"
                               "MDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5f\n"
                               "YGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6P\n"
                               "kJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/\n"
                               "wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj5OXm5+jp6uvs7e7v\n"
                               "8PHy8/T19vf4+fr7/P3+/w==\n";
  const struct {
    const char* name;
    std::string text;
    std::string decoded;
  } cases[] = {
      {"one line with its line feed", "aGVsbG8gd29ybGQ=\n", "hello world"},
      {"one line without line feed", "aGVsbG8gd29ybGQ=", "hello world"},
      {"several lines", allLines, all},
      // The library's filter alone would drop an unterminated last line.
      {"several lines, the last without line feed", allLines.substr(0, allLines.size() - 1), all},
      {"CR LF line ends", "aGVs\r\nbG8=\r\n", "hello"},
      {"empty", "", ""},
      {"one line of 1,024 characters", encoded(768), bytes(768)},
      {"one line of 4,096 characters, no line feed", encoded(3072).substr(0, 4096), bytes(3072)},
      {"lines of 2,000 characters", encoded(1500) + "\n" + encoded(1500), bytes(1500) + bytes(1500)},
      {"not Base64", "!!!! ????\n", ""},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode(c.text), c.decoded);
  }
}

TEST(Base64ReaderTest, FailedDecodeGivesAZeroedArray) {
  const std::string text = "@@@@@@@@\n";
  OpenSSL::Base64Reader reader(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  OwnedBuffer out = reader.decode();
  EXPECT_EQ(out.size, 0u);
  ASSERT_NE(out.data, nullptr);
  for (size_t i = 0; i < text.size(); ++i)
    EXPECT_EQ(out.data[i], 0);
}
