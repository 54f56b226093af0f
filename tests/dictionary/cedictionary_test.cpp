#include "dictionary/cedictionary.h"

#include "support/logcapture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const NAME = "data/cedict_ts.u8";
using V = std::vector<std::string>;

class CEDictionaryTest : public testing::Test {
protected:
  CEDictionaryTest() {
    fs::create_directories(dir / "res/data");
    fs::create_directories(dir / "xdg/OrvaneSoftware/data");
  }
  void shipped(std::string const& text) { qmtest::writeFile(dir / "res" / NAME, text); }
  void user(std::string const& text) { qmtest::writeFile(dir / "xdg/OrvaneSoftware" / NAME, text); }

  // "simplified|traditional|pinyin|english" of each entry of the headword.
  static V lookUp(CEDictionary const& d, std::string const& word) {
    V out;
    const DictionaryItem* item = d.item(Span(word));
    for (const DictionaryEntry* e = item ? item->first() : nullptr; e; e = item->next()) {
      Dictionary::Info info;
      EXPECT_TRUE(d.getInfo(*e, info));
      out.push_back(info.simplified + "|" + info.traditional + "|" + info.pinyin + "|" + info.english);
    }
    EXPECT_EQ(out.size(), item ? item->size() : 0);
    return out;
  }

  qmtest::TempDir dir;
  qmtest::ScopedEnv resources{"QUILLMERE_RESOURCES", (dir / "res").string()};
  qmtest::ScopedEnv data{"XDG_DATA_HOME", (dir / "xdg").string()};
};

} // namespace

TEST_F(CEDictionaryTest, BothHeadwordsShippedThenUser) {
  // A byte-order mark (as some editors write) keeps the first headword and comments.
  shipped("\xEF\xBB\xBF# CC-CEDICT\n# comment\n中國 中国 [Zhong1 guo2] /China/\n你 你 [ni3] /you/\n"
          "吃飯 吃饭 [chi1 fan4] /to eat/food [fan4]/\n");
  user("\xEF\xBB\xBF中國 中国 [Zhong1 guo2] /my own China/\n");
  qmtest::LogCapture log;
  const CEDictionary d(NAME, false);
  EXPECT_EQ(lookUp(d, "中國"),
            (V{"中国|中國|Zhong1 guo2|1. China", "中国|中國|Zhong1 guo2|1. my own China"}));
  EXPECT_EQ(lookUp(d, "中国"), lookUp(d, "中國"));
  EXPECT_EQ(lookUp(d, "你"), V{"你|你|ni3|1. you"}); // same forms: listed once
  EXPECT_EQ(lookUp(d, "吃饭"), V{"吃饭|吃飯|chi1 fan4|1. to eat; 2. food [fàn]"});
  EXPECT_EQ(d.item(Span("中")), nullptr);
  EXPECT_EQ(d.item(Span("# CC-CEDICT")), nullptr);
  EXPECT_EQ(log.all().find("malformed"), std::string::npos) << log.all();
}

TEST_F(CEDictionaryTest, EnglishFormatting) {
  const struct {
    const char* definition;
    const char* english;
  } cases[] = {
      {"/a/b/", "1. a; 2. b"},
      {"/a", ""},
      {"/a [b/c/", "1. a [b; 2. c"},
      {"/variant of 女[nu:3]/", "1. variant of 女[nǚ]"},
      {"/a/b/  ", "1. a; 2. b"},
      {"/[a1] [bo2]/", "1. [ā] [bó]"},
      // A bracket left open in one sense does not reach into the next: nothing is written twice.
      {"/a [b/c] d/", "1. a [b; 2. c] d"},
  };
  TextBuffer<0> scratch;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.definition);
    std::string out = "stale";
    CEDictionary::getEnglish(Span(c.definition), out, scratch);
    EXPECT_EQ(out, c.english);
  }
}

// A malformed line gives no entry and does not take the next line's fields; lines too long to read back
// in one go are skipped whole, and a line of exactly the read size is read whole.
TEST_F(CEDictionaryTest, MalformedAndOverlongLinesAreSkipped) {
  const std::string prefix = "字 字 [zi4] /", fits = std::string(4096 - prefix.size() - 1, 'y');
  shipped("壞 坏 /no pinyin/\n好 好 [hao3] /good/\n長 长 [chang2] /" + std::string(5000, 'x') +
          "/\n半 半 [ban4 /unclosed/\n的 的 [de5] /of/\n 空 [kong1] /empty traditional/\n" + prefix + fits +
          "/\n" + prefix + fits + "z/\n末 末 [mo4] /last/");
  qmtest::LogCapture log;
  const CEDictionary d(NAME, false);
  for (const char* skipped : {"壞", "长", "半", "空"})
    EXPECT_EQ(d.item(Span(skipped)), nullptr) << skipped;
  EXPECT_EQ(lookUp(d, "好"), V{"好|好|hao3|1. good"});
  EXPECT_EQ(lookUp(d, "的"), V{"的|的|de5|1. of"});
  EXPECT_EQ(lookUp(d, "末"), V{"末|末|mo4|1. last"});
  EXPECT_EQ(lookUp(d, "字"), V{"字|字|zi4|1. " + fits});
  EXPECT_NE(log.all().find("Skipped 5 malformed lines"), std::string::npos) << log.all();
}

TEST_F(CEDictionaryTest, StartUpRules) {
  const char* const line = "好 好 [hao3] /good/\n";
  const struct {
    const char* name;
    const char* shippedText; // null: no file
    const char* userText;
    bool customOnly;
    std::optional<bool> found; // 好 is a headword; nothing: missing_dictionary
  } cases[] = {
      {"nothing at all", nullptr, nullptr, false, std::nullopt},
      {"shipped only", line, nullptr, false, true},
      {"user only", nullptr, line, false, true},
      {"custom only, no user file", line, nullptr, true, false},
      {"custom only, empty user file", line, "", true, false},
      {"custom only, user file", line, line, true, true},
      {"empty shipped file", "", nullptr, false, false},
      {"empty user file", line, "", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir / "res" / NAME);
    fs::remove(dir / "xdg/OrvaneSoftware" / NAME);
    if (c.shippedText) shipped(c.shippedText);
    if (c.userText) user(c.userText);
    qmtest::LogCapture log;
    if (!c.found) {
      EXPECT_THROW(CEDictionary(NAME, c.customOnly), CEDictionary::missing_dictionary);
      EXPECT_EQ(log.all(), "Missing CC-CEDICT file\n");
    } else {
      EXPECT_EQ(CEDictionary(NAME, c.customOnly).item(Span("好")) != nullptr, *c.found);
    }
  }
  // The user's folder is a file: not fatal.
  shipped(line);
  fs::remove_all(dir / "xdg/OrvaneSoftware/data");
  qmtest::writeFile(dir / "xdg/OrvaneSoftware/data", "a file where a folder should be");
  EXPECT_NE(CEDictionary(NAME, false).item(Span("好")), nullptr);
  EXPECT_EQ(CEDictionary(NAME, true).item(Span("好")), nullptr);
}

// The file changed after indexing: the entry reads as failed, never as another line's bytes or as bytes
// that were not read.
TEST_F(CEDictionaryTest, ChangedFileReadsNothingWrong) {
  const std::string first = "好 好 [hao3] /good/\n";
  shipped(first + "末 末 [mo4] /last/\n");
  const CEDictionary d(NAME, false);
  const DictionaryItem* item = d.item(Span("末"));
  ASSERT_NE(item, nullptr);
  for (size_t size : {first.size() + 17, first.size() + 10}) { // cut in the definition, in the pinyin
    SCOPED_TRACE(size);
    fs::resize_file(dir / "res" / NAME, size);
    Dictionary::Info info;
    info.english = "stale";
    EXPECT_FALSE(d.getInfo(*item->first(), info));
    EXPECT_EQ(info.english + info.traditional, "");
  }
}

TEST_F(CEDictionaryTest, ShippedDictionary) {
  qmtest::ScopedEnv real{"QUILLMERE_RESOURCES", qmtest::resourcesDir().string()};
  qmtest::LogCapture log;
  const CEDictionary d(NAME, false);
  const auto china = lookUp(d, "中国");
  ASSERT_FALSE(china.empty());
  EXPECT_NE(china[0].find("|Zhong1 guo2|"), std::string::npos) << china[0];
  EXPECT_EQ(lookUp(d, "中國"), china);
  EXPECT_EQ(log.all().find("Skipped"), std::string::npos) << log.all();
}
