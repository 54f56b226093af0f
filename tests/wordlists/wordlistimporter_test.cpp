#include "support/tempdir.h"
#include "support/waituntil.h"
#include "wordlists/wordlistimporter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class Counter : public WordListImporter::Listener {
public:
  void complete() override { ++completes; }
  void progress(float percent) override {
    ++progresses;
    lastPercent = percent;
  }
  std::atomic<int> completes{0};
  std::atomic<int> progresses{0};
  std::atomic<float> lastPercent{0};
};

std::vector<std::string> strings(std::vector<Span> const& words) {
  std::vector<std::string> out;
  for (Span const& w : words)
    out.emplace_back(w.view());
  return out;
}

} // namespace

TEST(WordListImporterTest, LinesGiveTheirFirstWord) {
  qmtest::TempDir dir;
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> words;
  } cases[] = {
      {"LF", "一\n二\n", {"一", "二"}},
      {"CR LF", "一\r\n二\r\n", {"一", "二"}},
      {"lone CR", "一\r二\r三", {"一", "二", "三"}},
      {"mixed", "一\r\n二\r三\n四", {"一", "二", "三", "四"}},
      {"byte-order mark", "\xEF\xBB\xBF一\n二", {"一", "二"}},
      {"no final line feed", "一\n二", {"一", "二"}},
      {"columns", "一 yi1 one\n二\tèr two\n", {"一", "二"}},
      {"empty lines and leading blanks", "\n\n一\n\n  二\n\r\n三\n", {"一", "三"}},
      {"only a mark", "\xEF\xBB\xBF", {}},
      {"one byte", "x", {"x"}},
  };
  for (bool async : {false, true}) {
    for (auto const& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (async ? " async" : " inline"));
      qmtest::writeFile(dir / "list.txt", c.text);
      Counter counter;
      WordListImporter importer(counter);
      importer.import((dir / "list.txt").c_str(), async);
      for (int i = 0; i < 1000 && counter.completes == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      EXPECT_EQ(counter.completes, 1);
      EXPECT_TRUE(importer.complete());
      EXPECT_EQ(strings(importer.words()), c.words);
      EXPECT_EQ(importer.percentComplete(), 100.0f);
    }
  }
}

TEST(WordListImporterTest, MissingFileCompletesAtOnceWithNoWords) {
  qmtest::TempDir dir;
  std::filesystem::create_directory(dir / "folder");
  for (const char* name : {"missing.txt", "folder"}) {
    SCOPED_TRACE(name);
    Counter counter;
    WordListImporter importer(counter);
    importer.import((dir / name).c_str(), true);
    EXPECT_EQ(counter.completes, 1);
    EXPECT_TRUE(importer.words().empty());
    EXPECT_EQ(importer.percentComplete(), 100.0f);
    EXPECT_TRUE(importer.complete());
  }
}

// An editor saves the file in place while it is imported: no crash (a mapping would fault), and the words
// are those of the file as it was read.
TEST(WordListImporterTest, FileTruncatedWhileImportedIsNoCrash) {
  qmtest::TempDir dir;
  const auto path = dir / "list.txt";
  std::string text;
  while (text.size() < 1024 * 1024)
    text += "词语\n";
  qmtest::writeFile(path, text);
  class Truncating : public Counter {
  public:
    explicit Truncating(std::filesystem::path p) : path(std::move(p)) {}
    void progress(float percent) override {
      Counter::progress(percent);
      std::filesystem::resize_file(path, 0);
    }
    std::filesystem::path path;
  };
  EXPECT_EXIT(
      {
        Truncating listener(path);
        WordListImporter importer(listener);
        importer.import(path.c_str(), false);
        std::_Exit(importer.words().size() == text.size() / 7 && listener.progresses > 1 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// A big file stopped midway: the worker must be gone before the mapping is (run under AddressSanitizer).
TEST(WordListImporterTest, LargeFileStoppedMidway) {
  qmtest::TempDir dir;
  const auto path = dir / "big.txt";
  {
    std::ofstream out(path, std::ios::binary);
    const std::string line = "汉字词语 hàn zì cí yǔ\r\n";
    std::string block;
    while (block.size() < (1 << 20))
      block += line;
    for (int i = 0; i < 50; ++i)
      out << block;
  }
  Counter counter;
  {
    WordListImporter importer(counter);
    for (int round = 0; round < 3; ++round) {
      importer.import(path.c_str(), true);
      ASSERT_TRUE(qmtest::waitUntil([&] { return importer.words().size() >= 1000; }));
      EXPECT_LT(importer.percentComplete(), 100.0f);
      if (round == 0) importer.reset();
    }
    EXPECT_EQ(strings({importer.words().front()}), std::vector<std::string>{"汉字词语"});
  } // the destructor stops the last run
  EXPECT_EQ(counter.completes, 3);
}
