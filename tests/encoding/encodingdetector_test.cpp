#include "encoding/encodingdetector.h"

#include "support/recode.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class EncodingDetectorTest : public testing::Test {
protected:
  EncodingDetector::Encoding detect(std::string const& bytes) {
    const fs::path file = dir / ("sample" + std::to_string(++files));
    qmtest::writeFile(file, bytes);
    return EncodingDetector().detect(file.c_str());
  }
  // A resources folder whose common list holds just these lines.
  void commonList(std::string const& lines) {
    fs::create_directories(dir / "res/data");
    qmtest::writeFile(dir / "res/data/common.u8", lines);
    resources.reset(); // restores the old value before the new one is set
    resources = std::make_unique<qmtest::ScopedEnv>("QUILLMERE_RESOURCES", (dir / "res").string());
  }

  qmtest::TempDir dir;
  int files = 0;
  std::unique_ptr<qmtest::ScopedEnv> resources;
};

const std::string CHINESE = "中文是世界上使用人数最多的语言之一，我们每天都用它读书、写字和说话。"
                            "这个国家有很多人，他们的生活和工作都在发生变化。";
const std::string TRADITIONAL = "中文是世界上使用人數最多的語言之一，我們每天都用它讀書、寫字和說話。"
                                "這個國家有很多人，他們的生活和工作都在發生變化。";

std::string repeatTo(std::string const& s, size_t n) {
  std::string out;
  while (out.size() < n)
    out += s;
  return out.substr(0, n);
}

} // namespace

TEST_F(EncodingDetectorTest, ByteOrderMarksAndUtf8) {
  const struct {
    const char* name;
    std::string bytes;
    EncodingDetector::Encoding expected;
  } cases[] = {
      {"empty", "", EncodingDetector::Utf8},
      {"two bytes", "\xD6\xD0", EncodingDetector::Utf8},
      {"FF FE alone", "\xFF\xFE", EncodingDetector::Utf8},
      {"UTF-16LE mark", std::string("\xFF\xFE\x41\x00", 4), EncodingDetector::Utf16LE},
      {"UTF-16BE mark", std::string("\xFE\xFF\x00\x41", 4), EncodingDetector::Utf16BE},
      {"UTF-8 mark and ASCII", "\xEF\xBB\xBFhello", EncodingDetector::Utf8},
      {"512 bytes of ASCII", std::string(512, 'a'), EncodingDetector::Utf8},
      {"UTF-8 Chinese cut in the last character", repeatTo(CHINESE + CHINESE, 512), EncodingDetector::Utf8},
      {"UTF-8 Chinese, longer than the sample", CHINESE + CHINESE + CHINESE, EncodingDetector::Utf8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(detect(c.bytes), c.expected);
  }
  EXPECT_EQ(EncodingDetector().detect((dir / "missing").c_str()), EncodingDetector::Utf8);
  EXPECT_EQ(EncodingDetector().detect(dir.path().c_str()), EncodingDetector::Utf8); // a folder
  EXPECT_EQ(EncodingDetector().detect(nullptr), EncodingDetector::Utf8);
}

// Below the threshold of invalid sequences (max(n / 16, 4)) a text is UTF-8 when its valid multi-byte
// sequences outnumber the invalid ones; at the threshold, or without that evidence, it is not.
TEST_F(EncodingDetectorTest, Utf8Threshold) {
  commonList(""); // no legacy reading can win
  const struct {
    size_t size;
    size_t bad;
    size_t chinese;
    EncodingDetector::Encoding expected;
  } cases[] = {
      {100, 5, 6, EncodingDetector::Utf8},    {100, 6, 7, EncodingDetector::Unknown},
      {40, 3, 4, EncodingDetector::Utf8},     {40, 4, 5, EncodingDetector::Unknown},
      {512, 31, 32, EncodingDetector::Utf8},  {512, 32, 40, EncodingDetector::Unknown},
      {100, 5, 5, EncodingDetector::Unknown}, {512, 1, 0, EncodingDetector::Unknown},
      {512, 0, 0, EncodingDetector::Utf8},    {3, 0, 1, EncodingDetector::Utf8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " bytes, " + std::to_string(c.bad) + " bad, " +
                 std::to_string(c.chinese) + " Chinese");
    std::string bytes;
    for (size_t i = 0; i < c.chinese; ++i)
      bytes += "中";
    bytes.resize(c.size, 'a');
    for (size_t i = 0; i < c.bad; ++i)
      bytes[c.size - 1 - 2 * i] = '\x80'; // invalid in every encoding
    EXPECT_EQ(detect(bytes), c.expected);
  }
}

TEST_F(EncodingDetectorTest, LegacyEncodings) {
  const std::string text = CHINESE + CHINESE;
  EXPECT_EQ(detect(qmtest::recode(text, "UTF-8", "GB18030")), EncodingDetector::Gb18030);
  EXPECT_EQ(detect(qmtest::recode(TRADITIONAL + TRADITIONAL, "UTF-8", "BIG5-HKSCS")), EncodingDetector::Big5);
  EXPECT_EQ(detect("\xFF\xFE" + qmtest::recode(text, "UTF-8", "UTF-16LE")), EncodingDetector::Utf16LE);
  EXPECT_EQ(detect("\xFE\xFF" + qmtest::recode(text, "UTF-8", "UTF-16BE")), EncodingDetector::Utf16BE);
  EXPECT_EQ(detect(qmtest::recode(text, "UTF-8", "UTF-16")), EncodingDetector::Utf16LE); // iconv's own mark
}

// Mostly ASCII with a few Chinese words: the few invalid UTF-8 sequences are no evidence of UTF-8.
TEST_F(EncodingDetectorTest, MostlyAsciiLegacyText) {
  const std::string english = "Notes of the reading group: we compared two translations of the word ";
  std::string text;
  for (int i = 0; i < 8; ++i)
    text += english + (i % 3 == 0 ? "中国人 " : "and its meaning. ");
  std::string traditional = text;
  traditional.replace(traditional.find("中国"), 6, "中國");
  EXPECT_EQ(detect(qmtest::recode(text, "UTF-8", "GB18030")), EncodingDetector::Gb18030);
  EXPECT_EQ(detect(qmtest::recode(traditional, "UTF-8", "BIG5-HKSCS")), EncodingDetector::Big5);
  EXPECT_EQ(detect(text), EncodingDetector::Utf8);
}

// Without a byte-order mark UTF-16 shows in its ASCII characters, a zero byte always on the same side.
TEST_F(EncodingDetectorTest, Utf16WithoutMark) {
  const std::string lines = "第1行：中文\r\n第2行：世界\r\n";
  const struct {
    const char* name;
    std::string bytes;
    EncodingDetector::Encoding expected;
  } cases[] = {
      {"little-endian", qmtest::recode(lines + CHINESE, "UTF-8", "UTF-16LE"), EncodingDetector::Utf16LE},
      {"big-endian", qmtest::recode(lines + CHINESE, "UTF-8", "UTF-16BE"), EncodingDetector::Utf16BE},
      {"English", qmtest::recode("plain text, 12 lines", "UTF-8", "UTF-16BE"), EncodingDetector::Utf16BE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(detect(c.bytes), c.expected);
  }
  // Too weak a pattern is no answer: paragraphs indented with U+3000 are not taken the wrong way round.
  const std::string indented = "　　" + CHINESE + "　　" + CHINESE;
  EXPECT_NE(detect(qmtest::recode(indented, "UTF-8", "UTF-16LE")), EncodingDetector::Utf16BE);
  EXPECT_NE(detect(qmtest::recode(CHINESE + "\n", "UTF-8", "UTF-16LE")), EncodingDetector::Utf16LE);
}

// A few bad bytes keep a legacy text detectable; as many as the threshold do not, however high its score.
TEST_F(EncodingDetectorTest, InvalidCharactersAgainstThreshold) {
  const std::string gb = qmtest::recode(CHINESE, "UTF-8", "GB18030");
  const std::string sample = gb.substr(0, 60); // threshold 4 (64 bytes with four bad ones)
  EXPECT_EQ(detect(sample + "\x80\x80\x80"), EncodingDetector::Gb18030);
  EXPECT_EQ(detect(sample + "\x80\x80\x80\x80"), EncodingDetector::Unknown);
}

TEST_F(EncodingDetectorTest, RankingByCommonCharacters) {
  // B0 A1 is 啊 in GB18030 and 陛 in Big5; C4 E3 is 你 and 斕.
  const std::string sample = repeatTo("\xB0\xA1\xC4\xE3", 64);
  const struct {
    const char* name;
    const char* common;
    EncodingDetector::Encoding expected;
  } cases[] = {
      {"tie: GB18030 stays first", "啊\n陛\n", EncodingDetector::Gb18030},
      {"Big5 scores higher", "陛\n斕\n啊\n", EncodingDetector::Big5},
      {"GB18030 scores higher", "啊\n你\r\n陛\n", EncodingDetector::Gb18030},
      {"only Big5 scores, GB18030 reads clean", "陛\n", EncodingDetector::Big5},
      {"neither scores", "中\n", EncodingDetector::Unknown},
      {"empty list", "", EncodingDetector::Unknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    commonList(c.common);
    EXPECT_EQ(detect(sample), c.expected);
  }
}

TEST_F(EncodingDetectorTest, CommonListIsReadOncePerDetector) {
  commonList("中\n");
  const int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  // Closes are watched too: two opens in a row would be merged into one event.
  ASSERT_GE(inotify_add_watch(watch, (dir / "res/data/common.u8").c_str(), IN_OPEN | IN_CLOSE), 0);
  { const EncodingDetector detector; }
  alignas(inotify_event) char events[4096];
  const ssize_t n = read(watch, events, sizeof events);
  close(watch);
  int opens = 0;
  for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
    const auto* e = reinterpret_cast<const inotify_event*>(events + at);
    opens += (e->mask & IN_OPEN) != 0;
    at += ssize_t(sizeof(inotify_event) + e->len);
  }
  EXPECT_EQ(opens, 1);
}

TEST_F(EncodingDetectorTest, MissingCommonListLeavesLegacyUnknown) {
  resources = std::make_unique<qmtest::ScopedEnv>("QUILLMERE_RESOURCES", (dir / "nothing").string());
  EXPECT_EQ(detect(qmtest::recode(CHINESE, "UTF-8", "GB18030")), EncodingDetector::Unknown);
  EXPECT_EQ(detect(qmtest::recode(TRADITIONAL, "UTF-8", "BIG5-HKSCS")), EncodingDetector::Unknown);
  EXPECT_EQ(detect(CHINESE), EncodingDetector::Utf8);
}

TEST_F(EncodingDetectorTest, RealTexts) {
  const fs::path corpus = qmtest::sharedDataDir() / "corpus";
  const struct {
    const char* file;
    EncodingDetector::Encoding expected;
  } cases[] = {
      {"pku_test.txt", EncodingDetector::Gb18030},
      {"cityu_test.txt", EncodingDetector::Big5},
      {"pku_test.utf8", EncodingDetector::Utf8},
      {"cityu_test.utf8", EncodingDetector::Utf8},
  };
  const EncodingDetector detector;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(detector.detect((corpus / c.file).c_str()), c.expected);
  }
  std::string pku = qmtest::readFile(corpus / "pku_test.utf8").substr(0, 4000);
  while ((pku.back() & 0xC0) == 0x80 || (pku.back() & 0xC0) == 0xC0)
    pku.pop_back(); // whole characters only
  EXPECT_EQ(detect("\xFF\xFE" + qmtest::recode(pku, "UTF-8", "UTF-16LE")), EncodingDetector::Utf16LE);
  EXPECT_EQ(detect("\xFE\xFF" + qmtest::recode(pku, "UTF-8", "UTF-16BE")), EncodingDetector::Utf16BE);
}
