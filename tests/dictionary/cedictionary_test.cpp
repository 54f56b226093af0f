#include "dictionary/cedictionary.h"

#include "support/tempdir.h"
#include "utils/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string logged;
void capture(const char* text) {
  logged += text;
}

const char* const NAME = "data/cedict_ts.u8";

class CEDictionaryTest : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(dir / "res/data");
    fs::create_directories(dir / "xdg/OrvaneSoftware/data");
    logged.clear();
    for (const char* key : {"LOG", "ERR", "WARN"})
      Log::addKey(key);
    Log::setLogFn(&capture);
  }
  void TearDown() override { Log::setLogFn(nullptr); }

  void shipped(std::string const& text) { qmtest::writeFile(dir / "res" / NAME, text); }
  void user(std::string const& text) { qmtest::writeFile(dir / "xdg/OrvaneSoftware" / NAME, text); }

  // "simplified|traditional|pinyin|english" of each entry of the headword.
  static std::vector<std::string> lookUp(CEDictionary const& d, std::string const& word) {
    std::vector<std::string> out;
    const DictionaryItem* item = d.item(Span(word));
    if (!item) return out;
    for (const DictionaryEntry* e = item->first(); e; e = item->next()) {
      Dictionary::Info info;
      EXPECT_TRUE(d.getInfo(*e, info));
      out.push_back(info.simplified + "|" + info.traditional + "|" + info.pinyin + "|" + info.english);
    }
    return out;
  }

  qmtest::TempDir dir;
  qmtest::ScopedEnv resources{"QUILLMERE_RESOURCES", (dir / "res").string()};
  qmtest::ScopedEnv data{"XDG_DATA_HOME", (dir / "xdg").string()};
};

using V = std::vector<std::string>;

} // namespace

TEST_F(CEDictionaryTest, BothHeadwordsShippedThenUser) {
  shipped("# CC-CEDICT\n# comment\n中國 中国 [Zhong1 guo2] /China/\n你 你 [ni3] /you/\n"
          "吃飯 吃饭 [chi1 fan4] /to eat/food [fan4]/\n");
  user("中國 中国 [Zhong1 guo2] /my own China/\n");
  const CEDictionary d(NAME, false);
  EXPECT_EQ(lookUp(d, "中國"),
            (V{"中国|中國|Zhong1 guo2|1. China", "中国|中國|Zhong1 guo2|1. my own China"}));
  EXPECT_EQ(lookUp(d, "中国"), lookUp(d, "中國"));
  EXPECT_EQ(lookUp(d, "你"), V{"你|你|ni3|1. you"}); // same forms: listed once
  EXPECT_EQ(lookUp(d, "吃饭"), V{"吃饭|吃飯|chi1 fan4|1. to eat; 2. food [fàn]"});
  EXPECT_EQ(d.item(Span("中")), nullptr);
  EXPECT_EQ(d.item(Span("# CC-CEDICT")), nullptr);
}

// A file saved with a UTF-8 byte-order mark (as some editors do) keeps its first headword and comments.
TEST_F(CEDictionaryTest, ByteOrderMarkIsSkipped) {
  shipped("\xEF\xBB\xBF# CC-CEDICT\n你 你 [ni3] /you/\n");
  user("\xEF\xBB\xBF中國 中国 [Zhong1 guo2] /my own China/\n");
  const CEDictionary d(NAME, false);
  EXPECT_EQ(lookUp(d, "中國"), V{"中国|中國|Zhong1 guo2|1. my own China"});
  EXPECT_EQ(lookUp(d, "你"), V{"你|你|ni3|1. you"});
  EXPECT_EQ(logged, ""); // no line taken for malformed
}

TEST_F(CEDictionaryTest, ItemCursor) {
  shipped("a a [a1] /one/\na a [a2] /two/\na a [a3] /three/\n");
  const CEDictionary d(NAME, false);
  const DictionaryItem* item = d.item(Span("a"));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->size(), 3u);
  EXPECT_EQ(item->next(), nullptr); // no first() yet
  const DictionaryEntry* first = item->first();
  EXPECT_EQ(item->next(), item->elementAt(1));
  EXPECT_EQ(item->next(), item->elementAt(2));
  EXPECT_EQ(item->next(), nullptr);
  EXPECT_EQ(item->next(), nullptr); // stays at the end
  EXPECT_EQ(item->elementAt(3), nullptr);
  EXPECT_EQ(item->first(), first);
  EXPECT_EQ(item->elementAt(0), first);
}

TEST_F(CEDictionaryTest, EnglishFormatting) {
  const struct {
    const char* definition;
    const char* english;
  } cases[] = {
      {"/a/", "1. a"},
      {"/a/b/", "1. a; 2. b"},
      {"/a", ""},
      {"/", ""},
      {"", ""},
      {"/a [b/c/", "1. a [b; 2. c"},
      {"/x]y/", "1. x]y"},
      {"/to eat/food [fan4]/", "1. to eat; 2. food [fàn]"},
      {"/variant of 女[nu:3]/", "1. variant of 女[nǚ]"},
      {"/CL:個|个[ge4]/", "1. CL:個|个[gè]"},
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
// in one go are skipped whole.
TEST_F(CEDictionaryTest, MalformedAndOverlongLinesAreSkipped) {
  const std::string longSense(5000, 'x');
  shipped("壞 坏 /no pinyin/\n好 好 [hao3] /good/\n"
          "長 长 [chang2] /" +
          longSense +
          "/\n"
          "半 半 [ban4 /unclosed/\n的 的 [de5] /of/\n"
          " 空 [kong1] /empty traditional/\n"
          "末 末 [mo4] /last/");
  const CEDictionary d(NAME, false);
  EXPECT_EQ(d.item(Span("壞")), nullptr);
  EXPECT_EQ(d.item(Span("长")), nullptr);
  EXPECT_EQ(d.item(Span("半")), nullptr);
  EXPECT_EQ(d.item(Span("空")), nullptr);
  EXPECT_EQ(lookUp(d, "好"), V{"好|好|hao3|1. good"});
  EXPECT_EQ(lookUp(d, "的"), V{"的|的|de5|1. of"});
  EXPECT_EQ(lookUp(d, "末"), V{"末|末|mo4|1. last"});
  EXPECT_NE(logged.find("Skipped 4 malformed lines"), std::string::npos) << logged;
}

TEST_F(CEDictionaryTest, LineOfExactlyTheReadSize) {
  const std::string prefix = "字 字 [zi4] /";
  const std::string fits = prefix + std::string(4096 - prefix.size() - 1, 'y') + "/";
  ASSERT_EQ(fits.size(), 4096u);
  shipped(fits + "\n" + "字 字 [zi4] /" + std::string(4096 - prefix.size(), 'z') + "/\n");
  const CEDictionary d(NAME, false);
  const auto entries = lookUp(d, "字");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size(), std::string("字|字|zi4|1. ").size() + 4096 - prefix.size() - 1);
}

TEST_F(CEDictionaryTest, StartUpRules) {
  const std::string line = "好 好 [hao3] /good/\n";
  const struct {
    const char* name;
    const char* shippedText; // null: no file
    const char* userText;
    bool customOnly;
    bool throws;
    bool found; // 好 is a headword
  } cases[] = {
      {"nothing at all", nullptr, nullptr, false, true, false},
      {"shipped only", line.c_str(), nullptr, false, false, true},
      {"user only", nullptr, line.c_str(), false, false, true},
      {"custom only, no user file", line.c_str(), nullptr, true, false, false},
      {"custom only, empty user file", line.c_str(), "", true, false, false},
      {"custom only, user file", line.c_str(), line.c_str(), true, false, true},
      {"empty shipped file", "", nullptr, false, false, false},
      {"empty user file", line.c_str(), "", false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir / "res" / NAME);
    fs::remove(dir / "xdg/OrvaneSoftware" / NAME);
    if (c.shippedText) shipped(c.shippedText);
    if (c.userText) user(c.userText);
    logged.clear();
    if (c.throws) {
      try {
        CEDictionary d(NAME, c.customOnly);
        ADD_FAILURE() << "no error";
      } catch (CEDictionary::missing_dictionary const& e) {
        EXPECT_STREQ(e.what(), "CEDictionary::missing_dictionary");
        EXPECT_STREQ(e.function, "CEDictionary");
      }
      EXPECT_EQ(logged, "Missing CC-CEDICT file\n");
      continue;
    }
    const CEDictionary d(NAME, c.customOnly);
    EXPECT_EQ(d.item(Span("好")) != nullptr, c.found);
  }
}

TEST_F(CEDictionaryTest, UserFolderThatIsAFileIsNotFatal) {
  shipped("好 好 [hao3] /good/\n");
  fs::remove_all(dir / "xdg/OrvaneSoftware/data");
  qmtest::writeFile(dir / "xdg/OrvaneSoftware/data", "a file where a folder should be");
  const CEDictionary d(NAME, false);
  EXPECT_NE(d.item(Span("好")), nullptr);
  const CEDictionary custom(NAME, true);
  EXPECT_EQ(custom.item(Span("好")), nullptr);
}

// The file changed after indexing: the entry reads as failed, never as another line's bytes.
TEST_F(CEDictionaryTest, ChangedFileReadsNothingWrong) {
  shipped("好 好 [hao3] /good/\n末 末 [mo4] /last/\n");
  const CEDictionary d(NAME, false);
  const DictionaryItem* item = d.item(Span("末"));
  ASSERT_NE(item, nullptr);
  fs::resize_file(dir / "res" / NAME, 30);
  Dictionary::Info info;
  info.english = "stale";
  EXPECT_FALSE(d.getInfo(*item->first(), info));
  EXPECT_EQ(info.english, "");
  EXPECT_EQ(info.traditional, "");
}

TEST_F(CEDictionaryTest, ShippedDictionary) {
  qmtest::ScopedEnv real{"QUILLMERE_RESOURCES", qmtest::resourcesDir().string()};
  const CEDictionary d(NAME, false);
  const auto china = lookUp(d, "中国");
  ASSERT_FALSE(china.empty());
  EXPECT_NE(china[0].find("|Zhong1 guo2|"), std::string::npos) << china[0];
  EXPECT_EQ(lookUp(d, "中國"), china);
  EXPECT_EQ(logged.find("Skipped"), std::string::npos) << logged;
}
