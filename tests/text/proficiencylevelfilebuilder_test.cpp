#include "text/proficiencylevelfilebuilder.h"
#include "text/wordhash.h"

#include "support/tempdir.h"
#include "utils/platform/posix/filewriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

class ProficiencyLevelFileBuilderTest : public ::testing::Test {
protected:
  ProficiencyLevelFileBuilderTest() : resources("QUILLMERE_RESOURCES", (dir / "res").string()) {
    fs::create_directories(dir / "res/wordlists");
    qmtest::writeFile(dir / "res/wordlists/hsk-1.txt", "爱\n八"); // no final line end
    qmtest::writeFile(dir / "res/wordlists/hsk-3.txt", "\xEF\xBB\xBF啊\r\n");
    qmtest::writeFile(dir / "res/wordlists/tocfl-2.txt", "學\n");
  }
  std::set<std::string> wordsOf(WordHash const& h) {
    std::set<std::string> out;
    for (Span const& w : h.words())
      out.insert(std::string(w.view()));
    return out;
  }
  qmtest::TempDir dir;
  qmtest::ScopedEnv resources;
};

TEST_F(ProficiencyLevelFileBuilderTest, WordSets) {
  WordHash words(8);
  words.add(Span("旧"));
  EXPECT_TRUE(ProficiencyLevelFileBuilder::createWordHash(ProficiencyLevelFileBuilder::HSK, words, 1, 3));
  EXPECT_EQ(wordsOf(words), (std::set<std::string>{"爱", "八", "啊"})); // level 2 is missing: skipped
  EXPECT_TRUE(ProficiencyLevelFileBuilder::addToWordHash(ProficiencyLevelFileBuilder::TOCFL, words, 2));
  EXPECT_EQ(words.totalWords(), 4u);
  EXPECT_FALSE(ProficiencyLevelFileBuilder::addToWordHash(ProficiencyLevelFileBuilder::TOCFL, words, 4));
  EXPECT_FALSE(ProficiencyLevelFileBuilder::createWordHash(ProficiencyLevelFileBuilder::HSK, words, 3, 1));
  EXPECT_EQ(words.totalWords(), 0u); // emptied, then nothing read
}

TEST_F(ProficiencyLevelFileBuilderTest, ConcatenatedFileKeepsWordsApart) {
  const fs::path out = dir / "levels.txt";
  EXPECT_TRUE(ProficiencyLevelFileBuilder::create(ProficiencyLevelFileBuilder::HSK, out.c_str(), 1, 3));
  EXPECT_EQ(qmtest::readFile(out), "爱\n八\n啊\r\n"); // level 3's byte-order mark is not copied
  WordHash words(8, out.c_str(), false);
  EXPECT_EQ(wordsOf(words), (std::set<std::string>{"爱", "八", "啊"}));
  EXPECT_FALSE(
      ProficiencyLevelFileBuilder::create(ProficiencyLevelFileBuilder::HSK, (dir / "no/such").c_str(), 1));
}

TEST_F(ProficiencyLevelFileBuilderTest, FromAfterToReadsNothing) {
  WordHash words(8);
  FileWriter writer((dir / "w.txt").c_str(), 0);
  EXPECT_FALSE(
      ProficiencyLevelFileBuilder::addLevels(ProficiencyLevelFileBuilder::HSK, 3, 1, &writer, &words));
  EXPECT_TRUE(
      ProficiencyLevelFileBuilder::addLevels(ProficiencyLevelFileBuilder::HSK, 1, 1, &writer, &words));
  EXPECT_EQ(words.totalWords(), 0u); // with a writer the set is never touched
  EXPECT_TRUE(writer.close());
  EXPECT_EQ(qmtest::readFile(dir / "w.txt"), "爱\n八\n");
  EXPECT_FALSE(ProficiencyLevelFileBuilder::writeFileToFile(writer, nullptr));
}

} // namespace
