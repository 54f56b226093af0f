// Segmentation of the real corpus texts with the shipped master word list against an independent
// reference: the word file read into a plain set of strings, and at each Chinese token's start the longest
// run of characters that is a word of that set (one character when none is).
#include "text/chinesetokenizer.h"
#include "text/wordhash.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

size_t characterLength(char lead) {
  const auto b = static_cast<unsigned char>(lead);
  return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
}

class NaiveLongestMatch {
public:
  explicit NaiveLongestMatch(std::string const& text) {
    std::istringstream in(text);
    for (std::string word; std::getline(in, word);) {
      if (words.empty() && word.starts_with("\xEF\xBB\xBF")) word.erase(0, 3);
      if (word.ends_with('\r')) word.pop_back();
      if (word.empty()) continue;
      size_t characters = 0;
      for (size_t at = 0; at < word.size(); at += characterLength(word[at]))
        ++characters;
      longest = std::max(longest, characters);
      words.insert(word);
    }
  }
  // The bytes of the word at p.
  size_t match(const char* p, const char* end) const {
    std::vector<size_t> ends; // byte length after 1, 2, ... characters
    for (size_t at = 0; ends.size() < longest && p + at < end;)
      ends.push_back(at += std::min(characterLength(p[at]), size_t(end - p - at)));
    for (size_t n = ends.size(); n > 1; --n)
      if (words.count(std::string(p, ends[n - 1]))) return ends[n - 1];
    return ends.empty() ? 0 : ends[0];
  }
  std::unordered_set<std::string> words;
  size_t longest = 0;
};

TEST(SegmentationQualityTest, AgreesWithNaiveLongestMatch) {
  const auto wordFile = qmtest::resourcesDir() / "data/words.u8";
  const WordHash master(20, wordFile.c_str(), true);
  const NaiveLongestMatch reference(qmtest::readFile(wordFile));
  ASSERT_GT(master.totalWords(), 100000u);
  ASSERT_EQ(reference.words.size(), master.totalWords());
  for (const char* name : {"pku_test.utf8", "cityu_test.utf8"}) {
    SCOPED_TRACE(name);
    const std::string text = qmtest::readFile(qmtest::sharedDataDir() / "corpus" / name);
    ChineseTokenizer tokenizer(Utf8Range(text.data(), text.size()), master, true);
    size_t chinese = 0, disagreements = 0, covered = 0;
    for (Token t = tokenizer.nextToken(); t.text; t = tokenizer.nextToken()) {
      covered += t.bytes;
      if (t.type != Token::Chinese) continue;
      ++chinese;
      const size_t expected = reference.match(t.text, text.data() + text.size());
      if (expected != t.bytes && disagreements++ < 5)
        ADD_FAILURE() << "at byte " << (t.text - text.data()) << ": '" << std::string(t.text, t.bytes)
                      << "', not '" << std::string(t.text, expected) << "'";
    }
    EXPECT_EQ(disagreements, 0u);
    EXPECT_GT(chinese, 30000u);
    EXPECT_EQ(covered, text.size()); // every byte is in exactly one token
  }
}

} // namespace
