#include "encoding/encodingconverter.h"

#include "support/recode.h"
#include "support/tempdir.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const std::string REPLACEMENT = "\xEF\xBF\xBD";
const std::string TEXT = "中文，English 123。香港";

std::string decode(EncodingDetector::Encoding encoding, std::string const& bytes) {
  MemoryOutputStream out;
  EXPECT_EQ(EncodingConverter(encoding).convert(Span(bytes), out), EncodingConverter::Result::Done);
  return std::string(out.view());
}

std::string repeatTo(std::string const& s, size_t n) {
  std::string out;
  while (out.size() < n)
    out += s;
  return out;
}

// Takes at most limit bytes in all, like a disk that fills up.
class FullDisk : public OutputStream {
public:
  explicit FullDisk(size_t limit) : left(limit) {}
  size_t write(const void*, size_t n) override {
    const size_t take = std::min(n, left);
    left -= take;
    return take;
  }
  size_t left;
};

} // namespace

TEST(EncodingConverterTest, EachEncoding) {
  const struct {
    EncodingDetector::Encoding encoding;
    const char* iconvName;
  } cases[] = {
      {EncodingDetector::Gb18030, "GB18030"},
      {EncodingDetector::Big5, "BIG5-HKSCS"},
      {EncodingDetector::Utf16LE, "UTF-16LE"},
      {EncodingDetector::Utf16BE, "UTF-16BE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.iconvName);
    EXPECT_EQ(decode(c.encoding, qmtest::recode(TEXT, "UTF-8", c.iconvName)), TEXT);
    EXPECT_EQ(decode(c.encoding, ""), "");
  }
  EXPECT_FALSE(EncodingConverter(EncodingDetector::Utf8).supported());
  EXPECT_FALSE(EncodingConverter(EncodingDetector::Unknown).supported());
  MemoryOutputStream out;
  EXPECT_EQ(EncodingConverter(EncodingDetector::Unknown).convert(Span("abc"), out),
            EncodingConverter::Result::Unsupported);
}

TEST(EncodingConverterTest, Utf16ByteOrderMarkIsNotCopied) {
  const std::string le = qmtest::recode(TEXT, "UTF-8", "UTF-16LE");
  const std::string be = qmtest::recode(TEXT, "UTF-8", "UTF-16BE");
  EXPECT_EQ(decode(EncodingDetector::Utf16LE, "\xFF\xFE" + le), TEXT);
  EXPECT_EQ(decode(EncodingDetector::Utf16BE, "\xFE\xFF" + be), TEXT);
  // Only a mark of the file's own order is a mark; and only at the start.
  EXPECT_EQ(decode(EncodingDetector::Utf16LE, le + "\xFF\xFE"), TEXT + "\xEF\xBB\xBF");
  EXPECT_EQ(decode(EncodingDetector::Utf16LE, "\xFF\xFE"), "");
}

// One undecodable byte becomes U+FFFD and everything after it is decoded as before.
TEST(EncodingConverterTest, BadBytesBecomeReplacementCharacters) {
  const std::string gb = qmtest::recode(TEXT, "UTF-8", "GB18030");
  const std::string big5 = qmtest::recode(TEXT, "UTF-8", "BIG5-HKSCS");
  const std::string le = qmtest::recode(TEXT, "UTF-8", "UTF-16LE");
  const struct {
    const char* name;
    EncodingDetector::Encoding encoding;
    std::string bytes;
    std::string text;
  } cases[] = {
      {"GB18030 FF in the middle", EncodingDetector::Gb18030, gb.substr(0, 4) + "\xFF" + gb.substr(4),
       "中文" + REPLACEMENT + "，English 123。香港"},
      {"GB18030 lead before a space", EncodingDetector::Gb18030, "\xD6 abc", REPLACEMENT + " abc"},
      {"GB18030 cut at the end", EncodingDetector::Gb18030, gb + "\xD6", TEXT + REPLACEMENT},
      {"Big5 FF in the middle", EncodingDetector::Big5, big5.substr(0, 2) + "\xFF" + big5.substr(2),
       "中" + REPLACEMENT + "文，English 123。香港"},
      {"Big5 cut at the end", EncodingDetector::Big5, big5 + "\xA4", TEXT + REPLACEMENT},
      {"UTF-16 lone surrogate", EncodingDetector::Utf16LE,
       le.substr(0, 2) + std::string("\x00\xD8", 2) + le.substr(2),
       "中" + REPLACEMENT + "文，English 123。香港"},
      {"UTF-16 odd last byte", EncodingDetector::Utf16LE, le + "x", TEXT + REPLACEMENT},
      {"only bad bytes", EncodingDetector::Gb18030, "\xFF\xFF", REPLACEMENT + REPLACEMENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode(c.encoding, c.bytes), c.text);
  }
}

TEST(EncodingConverterTest, IntoBufferIsCut) {
  const std::string gb = qmtest::recode(TEXT, "UTF-8", "GB18030");
  const EncodingConverter converter(EncodingDetector::Gb18030);
  char out[8];
  EXPECT_EQ(converter.convert(gb.data(), gb.size(), out, 4), 4u);
  EXPECT_EQ(std::string(out, 4), TEXT.substr(0, 4)); // inside the second character
  EXPECT_EQ(converter.convert(gb.data(), gb.size(), out, 0), 0u);
  EXPECT_EQ(EncodingConverter(EncodingDetector::Utf8).convert(gb.data(), gb.size(), out, 8), 0u);
}

TEST(EncodingConverterTest, ShortWriteAndStop) {
  const std::string gb = qmtest::recode(std::string(200000, 'a') + TEXT, "UTF-8", "GB18030");
  const EncodingConverter converter(EncodingDetector::Gb18030);
  FullDisk full(100000);
  EXPECT_EQ(converter.convert(Span(gb), full), EncodingConverter::Result::WriteFailed);
  FullDisk zero(0);
  EXPECT_EQ(converter.convert(Span("a"), zero), EncodingConverter::Result::WriteFailed);
  MemoryOutputStream out;
  int asked = 0;
  EXPECT_EQ(converter.convert(Span(gb), out, [&] { return ++asked == 2; }),
            EncodingConverter::Result::Stopped);
  EXPECT_EQ(asked, 2);
  EXPECT_LT(out.size(), gb.size());
}

TEST(EncodingConverterTest, RealTextsEqualTheirTwins) {
  const auto corpus = qmtest::sharedDataDir() / "corpus";
  const std::string pku = qmtest::readFile(corpus / "pku_test.txt");
  EXPECT_TRUE(decode(EncodingDetector::Gb18030, pku) == qmtest::readFile(corpus / "pku_test.utf8"));

  std::string twin = qmtest::readFile(corpus / "cityu_test.utf8");
  ASSERT_EQ(twin.substr(0, 3), "\xEF\xBB\xBF");
  twin.erase(0, 3);
  std::string cityu = decode(EncodingDetector::Big5, qmtest::readFile(corpus / "cityu_test.txt"));
  ASSERT_EQ(cityu.size(), twin.size());
  // Big5 mappings differ on one character: iconv's bullet U+2022 is the hyphenation point U+2027 in the twin.
  size_t differences = 0;
  for (size_t i = cityu.find("\xE2\x80\xA2"); i != std::string::npos; i = cityu.find("\xE2\x80\xA2", i + 3))
    if (twin.compare(i, 3, "\xE2\x80\xA7") == 0) cityu.replace(i, 3, "\xE2\x80\xA7"), ++differences;
  EXPECT_EQ(differences, 1u);
  EXPECT_TRUE(cityu == twin);
}

// Input is decoded in 64 KB pieces: a character cut by the end of a piece is decoded whole with the next.
TEST(EncodingConverterTest, CharactersAcrossPieces) {
  std::string chinese;
  while (chinese.size() < 150000)
    chinese += "中𠀀香港，";
  const struct {
    const char* iconvName;
    EncodingDetector::Encoding encoding;
    std::string text;
  } cases[] = {
      {"GB18030", EncodingDetector::Gb18030, chinese},
      {"UTF-16LE", EncodingDetector::Utf16LE, chinese},
      {"UTF-16BE", EncodingDetector::Utf16BE, chinese},
      {"BIG5-HKSCS", EncodingDetector::Big5, repeatTo("中文香港，", 150000)},
  };
  for (const auto& c : cases) {
    for (const std::string prefix : {"", "a", "ab", "abc"}) {
      SCOPED_TRACE(std::string(c.iconvName) + " after " + std::to_string(prefix.size()));
      const std::string text = prefix + c.text;
      const std::string bytes = qmtest::recode(text, "UTF-8", c.iconvName);
      size_t offset = 0;
      auto trickle = [&](char* buffer, size_t size) { // hands out at most 1,000 bytes at a time
        const size_t n = std::min({size, bytes.size() - offset, size_t(1000)});
        std::memcpy(buffer, bytes.data() + offset, n);
        offset += n;
        return n;
      };
      MemoryOutputStream out;
      EXPECT_EQ(EncodingConverter(c.encoding).convert(trickle, out), EncodingConverter::Result::Done);
      EXPECT_TRUE(out.view() == text);
    }
  }
}
