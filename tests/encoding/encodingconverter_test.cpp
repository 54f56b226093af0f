#include "encoding/encodingconverter.h"

#include "support/recode.h"
#include "support/tempdir.h"
#include "utils/memoryoutputstream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
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

TEST(EncodingConverterTest, ByteOrderMarkIsNotCopied) {
  const std::string le = qmtest::recode(TEXT, "UTF-8", "UTF-16LE");
  const std::string be = qmtest::recode(TEXT, "UTF-8", "UTF-16BE");
  EXPECT_EQ(decode(EncodingDetector::Utf16LE, "\xFF\xFE" + le), TEXT);
  EXPECT_EQ(decode(EncodingDetector::Utf16BE, "\xFE\xFF" + be), TEXT);
  const std::string gb = qmtest::recode(TEXT, "UTF-8", "GB18030");
  EXPECT_EQ(decode(EncodingDetector::Gb18030, "\x84\x31\x95\x33" + gb), TEXT);
  // Only a mark of the file's own order is a mark; and only at the start.
  EXPECT_EQ(decode(EncodingDetector::Utf16LE, le + "\xFF\xFE"), TEXT + "\xEF\xBB\xBF");
  EXPECT_EQ(decode(EncodingDetector::Utf16LE, "\xFF\xFE"), "");
  EXPECT_EQ(decode(EncodingDetector::Gb18030, gb + "\x84\x31\x95\x33"), TEXT + "\xEF\xBB\xBF");
}

// Standard Big5 codes come from the CP950 table, the Hong Kong characters from the extension; a lead and
// trail pair that neither knows is one U+FFFD, so the trail never starts a character of its own.
TEST(EncodingConverterTest, Big5TablesAndReplacement) {
  const struct {
    std::string bytes;
    std::string text;
  } cases[] = {
      {"\xA1\xFE\xA5\x78", "／台"},             // a code the Hong Kong table lacks
      {"\xA3\xE1\xF9\xFE", "€▓"},               // CP950's own codes, and its reading where the tables differ
      {"\x88\x40\x88\x62", "㇀Ê̄"},              // Hong Kong characters, one a letter with a combining mark
      {"\xC6\xA1\xC7\xF2", "①ヶ"},              // CP950's private-use rows read as Big5 files mean them
      {"\x81\x40\xA5\x78", REPLACEMENT + "台"}, // in range, in neither table
      {"\xA1\x0A\xA5\x78", REPLACEMENT + "\n台"}, // a trail out of range stays itself
      {"\x80"
       "a\xFF",
       REPLACEMENT + "a" + REPLACEMENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(decode(EncodingDetector::Big5, c.bytes), c.text);
  }
  // Every code of the first two rows (punctuation and signs), against a reference decoding.
  std::string rows;
  for (const int lead : {0xA1, 0xA2}) {
    for (int trail = 0x40; trail <= 0xFE; ++trail)
      if (trail <= 0x7E || trail >= 0xA1) rows += {char(lead), char(trail)};
    rows += '\n';
  }
  EXPECT_TRUE(decode(EncodingDetector::Big5, rows) ==
              qmtest::readFile(std::filesystem::path(QM_TEST_DATA) / "big5-rows-a1-a2.utf8"));
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

// The UTF-8 twins of the corpus files were decoded elsewhere: they are the reference, byte for byte.
TEST(EncodingConverterTest, RealTextsEqualTheirTwins) {
  const auto corpus = qmtest::sharedDataDir() / "corpus";
  const std::string pku = qmtest::readFile(corpus / "pku_test.txt");
  EXPECT_TRUE(decode(EncodingDetector::Gb18030, pku) == qmtest::readFile(corpus / "pku_test.utf8"));

  std::string twin = qmtest::readFile(corpus / "cityu_test.utf8");
  ASSERT_EQ(twin.substr(0, 3), "\xEF\xBB\xBF");
  twin.erase(0, 3);
  EXPECT_TRUE(decode(EncodingDetector::Big5, qmtest::readFile(corpus / "cityu_test.txt")) == twin);
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
