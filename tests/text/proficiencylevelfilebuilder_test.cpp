#include "text/proficiencylevelfilebuilder.h"
#include "text/wordhash.h"

#include "support/tempdir.h"
#include "support/wordsof.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;
using Builder = ProficiencyLevelFileBuilder;

namespace {

using qmtest::wordsOf;

class ProficiencyLevelFileBuilderTest : public ::testing::Test {
protected:
  ProficiencyLevelFileBuilderTest() {
    fs::create_directories(dir / "res/wordlists");
    qmtest::writeFile(dir / "res/wordlists/hsk-1.txt", "爱\n八"); // no final line end
    qmtest::writeFile(dir / "res/wordlists/hsk-3.txt", "\xEF\xBB\xBF啊\r\n");
    qmtest::writeFile(dir / "res/wordlists/tocfl-2.txt", "學\n");
  }
  qmtest::TempDir dir;
  qmtest::ScopedEnv resources{"QUILLMERE_RESOURCES", (dir / "res").string()};
};

// Missing levels are skipped; each file's last line is ended and its byte-order mark left out, so that
// words never run together or lose their first bytes.
TEST_F(ProficiencyLevelFileBuilderTest, WordSetsAndFiles) {
  WordHash words(8);
  words.add(Span("旧"));
  EXPECT_TRUE(Builder::createWordHash(Builder::HSK, words, 1, 3));
  EXPECT_EQ(wordsOf(words), (std::set<std::string>{"爱", "八", "啊"}));
  EXPECT_TRUE(Builder::addToWordHash(Builder::TOCFL, words, 2));
  EXPECT_EQ(words.totalWords(), 4u);
  EXPECT_FALSE(Builder::addToWordHash(Builder::TOCFL, words, 4));
  EXPECT_FALSE(Builder::createWordHash(Builder::HSK, words, 3, 1));
  EXPECT_EQ(words.totalWords(), 0u); // emptied, then nothing read
  const fs::path out = dir / "levels.txt";
  EXPECT_TRUE(Builder::create(Builder::HSK, out.c_str(), 1, 3));
  EXPECT_EQ(wordsOf(WordHash(8, out.c_str(), false)), (std::set<std::string>{"爱", "八", "啊"}));
  EXPECT_FALSE(Builder::create(Builder::HSK, (dir / "no/such").c_str(), 1));
  // A first word that begins with U+FEFF keeps it, also after a list that adds nothing.
  qmtest::writeFile(dir / "res/wordlists/hsk-5.txt", "\xEF\xBB\xBF");
  qmtest::writeFile(dir / "res/wordlists/hsk-6.txt", "\xEF\xBB\xBF\xEF\xBB\xBF字\n");
  EXPECT_TRUE(Builder::create(Builder::HSK, out.c_str(), 5, 6));
  EXPECT_EQ(wordsOf(WordHash(8, out.c_str(), false)), (std::set<std::string>{"\xEF\xBB\xBF字"}));
}

} // namespace
