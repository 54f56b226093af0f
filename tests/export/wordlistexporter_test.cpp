#include "export/wordlistexporter.h"

#include "dictionary/cedictionary.h"
#include "export/exportfield.h"
#include "support/tempdir.h"
#include "text/wordhash.h"
#include "text/wordstatistics.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/filewriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const DICTIONARY = "中國 中国 [Zhong1 guo2] /China/\n"
                               "行 行 [xing2] /to walk/\n"
                               "行 行 [xing2] /capable/\n"
                               "行 行 [hang2] /row/\n";

class WordListExporterTest : public testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "res/data");
    qmtest::writeFile(dir / "res/data/dict.u8", DICTIONARY);
    dictionary = std::make_unique<CEDictionary>("data/dict.u8", false);
  }

  WordStatistics record(const char* word, uint64_t frequency, uint64_t first) {
    WordStatistics r{};
    r.word = Span(word);
    r.frequency = frequency;
    r.firstOccurrence = first;
    return r;
  }

  // The export of the records with the fields; the document file is doc.txt with the given text.
  std::string exported(std::vector<WordStatistics*> rows, std::vector<int> const& fields,
                       std::string const& document = "", const char* separator = nullptr,
                       const char* newline = nullptr, const char* header = nullptr) {
    qmtest::writeFile(dir / "doc.txt", document);
    WordListExporter exporter(std::move(rows), fields, *dictionary, (dir / "doc.txt").c_str());
    if (separator) exporter.setSeparator(separator);
    if (newline) exporter.setNewline(newline);
    if (header) exporter.setHeader(header);
    MemoryOutputStream out;
    EXPECT_TRUE(exporter.exportData(out));
    return std::string(out.view());
  }

  qmtest::TempDir dir;
  qmtest::ScopedEnv resources{"QUILLMERE_RESOURCES", (dir / "res").string()};
  qmtest::ScopedEnv data{"XDG_DATA_HOME", (dir / "xdg").string()};
  std::unique_ptr<CEDictionary> dictionary;
};

TEST_F(WordListExporterTest, DefaultSeparatorAndNewline) {
  WordStatistics a = record("中国", 3, 0), b = record("abc", 12345678901ull, 0);
  EXPECT_EQ(exported({&a, &b}, {ExportField::Word, ExportField::Frequency}),
            "中国\t3\r\nabc\t12345678901\r\n");
  EXPECT_EQ(exported({}, {ExportField::Word}, "", ",", "\n", "Word"), "Word\n");
  EXPECT_EQ(exported({&a, &b}, {ExportField::Frequency, ExportField::Word}, "", ", ", "|"),
            "3, 中国|12345678901, abc|");
  // Fields out of range give empty cells and need nothing.
  EXPECT_EQ(exported({&a}, {17, ExportField::Word, -1}), "\t中国\t\r\n");
}

TEST_F(WordListExporterTest, EverySeventeenFields) {
  const std::string document = "第一句。我爱\t中国！再见\n第二行";
  WordStatistics r = record("中国", 3, std::string("第一句。我爱\t").size());
  r.percentageFrequency = 12.5;
  r.cumulativePercentageFrequency = 37.123456;
  r.hskLevel = 0b110;
  r.tocflLevel = 0;
  std::vector<int> all;
  for (int f = 0; f < ExportField::COUNT; ++f)
    all.push_back(f);
  Dictionary::Info info;
  ASSERT_TRUE(dictionary->getInfo(*dictionary->item(Span("中国"))->elementAt(0), info));
  const std::string expected = "中国\t中国\t中國\t中国[中國]\tZhōng guó\tZhong1 guo2\t" + info.english +
                               "\t我爱 中国！\t我爱 [...]！\t3\t12.5000\t37.1235\t" +
                               std::to_string(r.firstOccurrence) +
                               "\t2, 3\t第一句。我爱 中国！再见\t第一句。我爱 [...]！再见\t*\r\n";
  EXPECT_EQ(exported({&r}, all, document), expected);
}

TEST_F(WordListExporterTest, OneRowPerDictionaryEntry) {
  WordStatistics r = record("行", 1, 0), none = record("字", 1, 0);
  const struct {
    std::vector<int> fields;
    std::string expected;
  } cases[] = {
      // The second entry repeats the first one's pinyin: dropped unless definitions are exported.
      {{ExportField::Word, ExportField::PinyinTones}, "行\txíng\r\n行\tháng\r\n"},
      {{ExportField::PinyinTones, ExportField::EnglishDefinition},
       "xíng\t1. to walk\r\nxíng\t1. capable\r\nháng\t1. row\r\n"},
      {{ExportField::Simplified, ExportField::Traditional}, "行\t行\r\n"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.fields.size());
    EXPECT_EQ(exported({&r}, c.fields), c.expected);
  }
  EXPECT_EQ(
      exported({&none}, {ExportField::Word, ExportField::Simplified, ExportField::SimplifiedTraditional}),
      "字\t\t\r\n");
}

TEST_F(WordListExporterTest, SentenceAndLineContexts) {
  std::string paragraph = "ab";
  for (int i = 0; i < 3000; ++i)
    paragraph += "字";
  const size_t at = 2 + 3 * 1700; // 1,000 bytes back lands inside a character
  paragraph.replace(at, 3, "词");
  const struct {
    std::string document;
    uint64_t offset;
    const char* word;
    std::string sentence, clozeLine;
  } cases[] = {
      {paragraph, at, "词", "…", "…"},
      {"Hi. \"A b\" c!", 5, "A", "A b\" c!", "Hi. \"[...] b\" c!"},
      {"x\r\n\t y？z", 5, "y", "y？", "[...]？z"},
      {"一…二", 6, "二", "二", "一…[...]"},
      {"\xEF\xBB\xBF"
       "ab",
       3, "a", "ab", "[...]b"},
      {"moved", 1, "zz", "", ""}, // the word is no longer there
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.document.substr(0, 40));
    WordStatistics r = record(c.word, 1, c.offset);
    const std::string out =
        exported({&r}, {ExportField::Sentence, ExportField::ClozeLine}, c.document, "|", "\n");
    const std::string sentence = out.substr(0, out.find('|'));
    const std::string clozeLine = out.substr(out.find('|') + 1, out.size() - out.find('|') - 2);
    if (c.offset == at) {
      // Cut on both sides: "…", then whole characters only, the word, more text, "…".
      EXPECT_EQ(sentence.rfind("…字", 0), 0u);
      EXPECT_EQ(sentence.substr(sentence.size() - 6), "字…");
      EXPECT_NE(sentence.find("字词字"), std::string::npos);
      EXPECT_NE(clozeLine.find("字[...]字"), std::string::npos);
      EXPECT_EQ(clozeLine.rfind("…", 0), 0u);
    } else {
      EXPECT_EQ(sentence, c.sentence);
      EXPECT_EQ(clozeLine, c.clozeLine);
    }
  }
}

TEST_F(WordListExporterTest, MarksExportedWordsKnown) {
  WordHash known, lookedUp;
  lookedUp.add(Span("行"));
  lookedUp.add(Span("other"));
  WordStatistics a = record("行", 1, 0), b = record("中国", 1, 0);
  qmtest::writeFile(dir / "doc.txt", "");
  WordListExporter exporter({&a, &b}, {ExportField::Word}, *dictionary, (dir / "doc.txt").c_str());
  exporter.setKnownWords(&known, &lookedUp);
  MemoryOutputStream out;
  ASSERT_TRUE(exporter.exportData(out));
  EXPECT_EQ(known.exists(Span("行")), WordHash::Word);
  EXPECT_EQ(known.exists(Span("中国")), WordHash::Word);
  EXPECT_EQ(lookedUp.exists(Span("行")), WordHash::Absent);
  EXPECT_EQ(lookedUp.exists(Span("other")), WordHash::Word);
  exporter.setKnownWords(nullptr, nullptr); // either may be absent
  EXPECT_TRUE(exporter.exportData(out));
}

TEST_F(WordListExporterTest, FailuresAreReported) {
  WordStatistics a = record("行", 1, 0);
  {
    WordListExporter exporter({&a}, {ExportField::Word}, *dictionary, (dir / "doc.txt").c_str());
    FileWriter full("/dev/full", 0);
    EXPECT_FALSE(exporter.exportData(full)); // a short write
  }
  WordListExporter missing({&a}, {ExportField::Sentence}, *dictionary, (dir / "missing.txt").c_str());
  MemoryOutputStream out;
  EXPECT_FALSE(missing.exportData(out));
  bool used[ExportField::COUNT] = {};
  missing.prepareFields(used);
  EXPECT_TRUE(used[ExportField::Sentence]);
  EXPECT_EQ(std::count(std::begin(used), std::end(used), true), 1);
}

} // namespace
