#include "encoding/encodingdetector.h"

#include "support/recode.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using E = EncodingDetector;

class EncodingDetectorTest : public testing::Test {
protected:
  E::Encoding detect(std::string const& bytes) {
    const fs::path file = dir / ("sample" + std::to_string(++files));
    qmtest::writeFile(file, bytes);
    return E().detect(file.c_str());
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

std::string recode(std::string const& text, const char* to) {
  return qmtest::recode(text, "UTF-8", to);
}

const std::string CHINESE = "中文是世界上使用人数最多的语言之一，我们每天都用它读书、写字和说话。"
                            "这个国家有很多人，他们的生活和工作都在发生变化。";

} // namespace

TEST_F(EncodingDetectorTest, WithTheShippedCommonList) {
  std::string ascii; // mostly ASCII with a few Chinese words: its few bad UTF-8 sequences are no evidence
  for (int i = 0; i < 8; ++i)
    ascii += std::string("Notes of the reading group: we compared two translations of the word ") +
             (i % 3 == 0 ? "中国人 " : "and its meaning. ");
  const std::string gb = recode(CHINESE, "GB18030");
  const struct {
    const char* name;
    std::string bytes;
    E::Encoding expected;
  } cases[] = {
      {"empty", "", E::Utf8},
      {"FF FE alone", "\xFF\xFE", E::Utf8},
      {"UTF-16LE mark", std::string("\xFF\xFE\x41\x00", 4), E::Utf16LE},
      {"UTF-16BE mark", std::string("\xFE\xFF\x00\x41", 4), E::Utf16BE},
      {"UTF-8 cut in the sample's last character", (CHINESE + CHINESE + CHINESE).substr(0, 512), E::Utf8},
      {"short UTF-8 cut in its last character", std::string("中文字").substr(0, 8), E::Utf8},
      // 美醋记狂狱: the last lead's second byte continues nothing, so it is no UTF-8 sequence cut short.
      {"short GB18030 ending in a lead", "\xC3\xC0\xB4\xD7\xBC\xC7\xBF\xF1\xD3\xFC", E::Gb18030},
      {"mostly ASCII GB18030", recode(ascii, "GB18030"), E::Gb18030},
      {"mostly ASCII Big5", recode(std::string(ascii).replace(ascii.find("中国"), 6, "中國"), "BIG5-HKSCS"),
       E::Big5},
      // Without a mark UTF-16 shows in its ASCII characters, a zero byte always on the same side.
      {"UTF-16BE without mark", recode("plain text, 12 lines", "UTF-16BE"), E::Utf16BE},
      // A few bad bytes keep a legacy text detectable; as many as the threshold (4 in 64 bytes) do not.
      {"GB18030, 3 bad bytes", gb.substr(0, 60) + "\x80\x80\x80", E::Gb18030},
      {"GB18030, 4 bad bytes", gb.substr(0, 60) + "\x80\x80\x80\x80", E::Unknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(detect(c.bytes), c.expected);
  }
  EXPECT_EQ(E().detect((dir / "missing").c_str()), E::Utf8);
  EXPECT_EQ(E().detect(dir.path().c_str()), E::Utf8); // a folder
  EXPECT_EQ(E().detect(nullptr), E::Utf8);
  // Too weak a pattern is no answer: paragraphs indented with U+3000 are not taken the wrong way round.
  EXPECT_NE(detect(recode("　　" + CHINESE + "　　" + CHINESE, "UTF-16LE")), E::Utf16BE);
  resources = std::make_unique<qmtest::ScopedEnv>("QUILLMERE_RESOURCES", (dir / "nothing").string());
  EXPECT_EQ(detect(gb), E::Unknown); // no common list: no legacy reading can win
}

// Below the threshold of invalid sequences (max(n / 16, 4)) a text is UTF-8 when its valid multi-byte
// sequences outnumber the invalid ones; at the threshold, or without that evidence, it is not.
TEST_F(EncodingDetectorTest, Utf8Threshold) {
  commonList(""); // no legacy reading can win
  const struct {
    size_t size, bad, chinese;
    E::Encoding expected;
  } cases[] = {
      {100, 5, 6, E::Utf8},   {100, 6, 7, E::Unknown}, {40, 3, 4, E::Utf8},
      {40, 4, 5, E::Unknown}, {100, 5, 5, E::Unknown}, {512, 0, 0, E::Utf8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " bytes, " << c.bad << " bad, " << c.chinese << " Chinese");
    std::string bytes;
    for (size_t i = 0; i < c.chinese; ++i)
      bytes += "中";
    bytes.resize(c.size, 'a');
    for (size_t i = 0; i < c.bad; ++i)
      bytes[c.size - 1 - 2 * i] = '\x80'; // invalid in every encoding
    EXPECT_EQ(detect(bytes), c.expected);
  }
}

TEST_F(EncodingDetectorTest, RankingByCommonCharacters) {
  // B0 A1 is 啊 in GB18030 and 陛 in Big5; C4 E3 is 你 and 斕.
  std::string sample;
  while (sample.size() < 64)
    sample += "\xB0\xA1\xC4\xE3";
  const struct {
    const char* name;
    const char* common;
    E::Encoding expected;
  } cases[] = {
      {"tie: GB18030 stays first", "啊\n陛\n", E::Gb18030},
      {"Big5 scores higher", "陛\n斕\n啊\n", E::Big5},
      {"neither scores", "中\n", E::Unknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    commonList(c.common);
    EXPECT_EQ(detect(sample), c.expected);
  }
}

// Samples cut from the real corpus texts (the simplified one in GB18030, the traditional one in Big5):
// three-line samples, which must be right in UTF-8 and in the legacy encoding, in UTF-16 either way round
// without a mark, and 40-byte cuts with characters cut at either end. Where not every answer is right, the
// count of right answers is pinned, so that a change in detection shows.
TEST_F(EncodingDetectorTest, CorpusSamples) {
  constexpr size_t SAMPLES = 150; // per source and kind
  const struct {
    const char *utf8, *legacy;
    E::Encoding encoding;
    size_t utf16, cuts; // right answers of 2 * SAMPLES
  } sources[] = {{"pku_test.utf8", "pku_test.txt", E::Gb18030, 290, 290},
                 {"cityu_test.utf8", "cityu_test.txt", E::Big5, 300, 300}};
  for (auto const& s : sources) {
    SCOPED_TRACE(s.legacy);
    std::string text[2] = {qmtest::readFile(qmtest::sharedDataDir() / "corpus" / s.utf8),
                           qmtest::readFile(qmtest::sharedDataDir() / "corpus" / s.legacy)};
    if (text[0].starts_with("\xEF\xBB\xBF")) text[0].erase(0, 3);
    std::vector<size_t> lines[2] = {{0}, {0}}; // where each line starts
    for (int e : {0, 1})
      for (size_t at = text[e].find('\n'); at != std::string::npos; at = text[e].find('\n', at + 1))
        lines[e].push_back(at + 1);
    ASSERT_EQ(lines[0].size(), lines[1].size());
    const E::Encoding expected[2] = {E::Utf8, s.encoding};
    size_t ordinary = 0, utf16 = 0, cuts = 0;
    for (size_t k = 0; k < SAMPLES; ++k) {
      const size_t first = k * (lines[0].size() - 4) / SAMPLES;
      std::string sample[2];
      for (int e : {0, 1}) {
        sample[e] = text[e].substr(lines[e][first], lines[e][first + 3] - lines[e][first]);
        ordinary += detect(sample[e]) == expected[e];
        cuts += detect(text[e].substr(k * (text[e].size() - 40) / SAMPLES, 40)) == expected[e];
      }
      utf16 += (detect(recode(sample[0], "UTF-16LE")) == E::Utf16LE) +
               (detect(recode(sample[0], "UTF-16BE")) == E::Utf16BE);
    }
    EXPECT_EQ(ordinary, 2 * SAMPLES);
    EXPECT_EQ(utf16, s.utf16);
    EXPECT_EQ(cuts, s.cuts);
  }
}
