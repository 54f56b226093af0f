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

using E = EncodingDetector;
const std::string BAD = "\xEF\xBF\xBD", TEXT = "中文，English 123。香港", REST = "文，English 123。香港";

// Decoded from input handed out at most chunk bytes at a time.
std::string decode(E::Encoding encoding, std::string const& bytes, size_t chunk = SIZE_MAX) {
  size_t offset = 0;
  auto read = [&](char* buffer, size_t size) {
    const size_t n = std::min({size, bytes.size() - offset, chunk});
    std::memcpy(buffer, bytes.data() + offset, n);
    offset += n;
    return n;
  };
  MemoryOutputStream out;
  EXPECT_EQ(EncodingConverter(encoding).convert(read, out), EncodingConverter::Result::Done);
  return std::string(out.view());
}

std::string in(const char* encoding, std::string const& text = TEXT) {
  return qmtest::recode(text, "UTF-8", encoding);
}

// Takes at most left bytes in all, like a disk that fills up.
struct FullDisk : OutputStream {
  size_t left = 100000;
  size_t write(const void*, size_t n) override {
    n = std::min(n, left);
    left -= n;
    return n;
  }
};

} // namespace

// One undecodable unit (a byte; a UTF-16 code unit; a Big5 lead and trail pair) becomes U+FFFD and
// everything after it is decoded as before. A byte-order mark is skipped only at the start. Standard Big5
// codes come from the CP950 table, the Hong Kong characters from the extension.
TEST(EncodingConverterTest, Decodes) {
  const std::string gb = in("GB18030"), big5 = in("BIG5-HKSCS"), le = in("UTF-16LE"),
                    gbMark = "\x84\x31\x95\x33";
  const struct {
    E::Encoding encoding;
    std::string bytes, text;
  } cases[] = {
      {E::Gb18030, gbMark + gb + gbMark, TEXT + "\xEF\xBB\xBF"},
      {E::Gb18030, gb.substr(0, 2) + "\xFF" + gb.substr(2), "中" + BAD + REST},
      {E::Gb18030, "\xD6 abc", BAD + " abc"}, // a lead before a space
      {E::Gb18030, gb + "\xD6", TEXT + BAD},  // cut at the end
      {E::Utf16LE, "\xFF\xFE" + le + "\xFF\xFE", TEXT + "\xEF\xBB\xBF"},
      {E::Utf16LE, le.substr(0, 2) + std::string("\x00\xD8", 2) + le.substr(2),
       "中" + BAD + REST}, // lone surrogate
      {E::Utf16LE, le + "x", TEXT + BAD},
      {E::Big5, big5.substr(0, 2) + "\xFF" + big5.substr(2), "中" + BAD + REST},
      {E::Big5, big5 + "\xA4", TEXT + BAD},
      {E::Big5, "\xA1\xFE\xA5\x78", "／台"},     // a code the Hong Kong table lacks
      {E::Big5, "\xA3\xE1\xF9\xFE", "€▓"},       // CP950's own codes, and its reading where the tables differ
      {E::Big5, "\x88\x40\x88\x62", "㇀Ê̄"},      // Hong Kong characters, one a letter with a combining mark
      {E::Big5, "\x81\x40\xA5\x78", BAD + "台"}, // in range, in neither table: the trail is no character
      {E::Big5, "\xA1\x0A\xA5\x78", BAD + "\n台"}, // a trail out of range stays itself
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(decode(cases[i].encoding, cases[i].bytes), cases[i].text);
  }
}

// Against reference decodings: every code of Big5's first two rows (punctuation and signs), and the UTF-8
// twins of the corpus files, decoded elsewhere.
TEST(EncodingConverterTest, FidelityToReferenceDecodings) {
  std::string rows;
  for (const int lead : {0xA1, 0xA2}) {
    for (int trail = 0x40; trail <= 0xFE; ++trail)
      if (trail <= 0x7E || trail >= 0xA1) rows += {char(lead), char(trail)};
    rows += '\n';
  }
  EXPECT_TRUE(decode(E::Big5, rows) ==
              qmtest::readFile(std::filesystem::path(QM_TEST_DATA) / "big5-rows-a1-a2.utf8"));
  const auto corpus = qmtest::sharedDataDir() / "corpus";
  EXPECT_TRUE(decode(E::Gb18030, qmtest::readFile(corpus / "pku_test.txt")) ==
              qmtest::readFile(corpus / "pku_test.utf8"));
  EXPECT_TRUE("\xEF\xBB\xBF" + decode(E::Big5, qmtest::readFile(corpus / "cityu_test.txt")) ==
              qmtest::readFile(corpus / "cityu_test.utf8"));
}

TEST(EncodingConverterTest, CutBufferFullDiskAndStop) {
  const std::string gb = in("GB18030", std::string(200000, 'a') + TEXT);
  const EncodingConverter converter(E::Gb18030);
  char out[8];
  EXPECT_EQ(converter.convert(gb.data() + 200000, 7, out, 4), 4u);
  EXPECT_EQ(std::string(out, 4), TEXT.substr(0, 4)); // inside the second character
  EXPECT_EQ(converter.convert(gb.data(), gb.size(), out, 0), 0u);
  FullDisk full;
  EXPECT_EQ(converter.convert(Span(gb), full), EncodingConverter::Result::WriteFailed);
  MemoryOutputStream stopped;
  int asked = 0;
  EXPECT_EQ(converter.convert(Span(gb), stopped, [&] { return ++asked == 2; }),
            EncodingConverter::Result::Stopped);
  EXPECT_LT(stopped.size(), gb.size());
}

// Input is read in 64 KB pieces: a character cut by the end of a piece is decoded whole with the next.
TEST(EncodingConverterTest, CharactersAcrossPieces) {
  std::string chinese, traditional;
  while (chinese.size() < 150000)
    chinese += "中𠀀香港，", traditional += "中文香港，";
  for (auto [name, encoding] : {std::pair{"GB18030", E::Gb18030},
                                {"UTF-16LE", E::Utf16LE},
                                {"UTF-16BE", E::Utf16BE},
                                {"BIG5-HKSCS", E::Big5}}) {
    for (const std::string prefix : {"", "a", "ab", "abc"}) {
      SCOPED_TRACE(std::string(name) + " after " + std::to_string(prefix.size()));
      const std::string text = prefix + (encoding == E::Big5 ? traditional : chinese);
      EXPECT_TRUE(decode(encoding, in(name, text), 1000) == text);
    }
  }
}
