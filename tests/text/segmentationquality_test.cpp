// Segmentation of the real corpus texts with the shipped master word list: the word F-measure against the
// hand segmentations, and agreement with a naive longest match over a plain set of the word file.
#include "text/chinesetokenizer.h"
#include "text/wordhash.h"

#include "support/tempdir.h"
#include "utils/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

WordHash const& masterList() {
  static const WordHash words(20, (qmtest::resourcesDir() / "data/words.u8").c_str(), true);
  return words;
}

std::vector<std::string> linesOf(std::string text) {
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool isSpace(const char* p, size_t n) {
  return (n == 1 && (*p == ' ' || *p == '\t')) || std::string(p, n) == "\xE3\x80\x80";
}

using Spans = std::set<std::pair<size_t, size_t>>; // [first, last) in characters, white space left out

// The words of a hand-segmented line.
Spans goldSpans(std::string const& line) {
  Spans spans;
  size_t at = 0, start = 0;
  bool inWord = false;
  for (const char *p = line.data(), *end = p + line.size(); p < end;) {
    const size_t n = utf8::step(p, end);
    if (isSpace(p, n)) {
      if (inWord) spans.insert({start, at});
      inWord = false;
    } else {
      if (!inWord) start = at;
      inWord = true;
      ++at;
    }
    p += n;
  }
  if (inWord) spans.insert({start, at});
  return spans;
}

Spans segmentedSpans(std::string const& line) {
  Spans spans;
  size_t at = 0;
  ChineseTokenizer tokenizer(Utf8Range(line.data(), line.size()), masterList(), true);
  while (tokenizer.hasTokens()) {
    const Token t = tokenizer.nextToken();
    if (!t.text || t.type == Token::Whitespace) continue;
    spans.insert({at, at + t.characters});
    at += t.characters;
  }
  return spans;
}

double fMeasure(const char* text, const char* gold) {
  const auto textLines = linesOf(qmtest::readFile(qmtest::sharedDataDir() / "corpus" / text));
  const auto goldLines = linesOf(qmtest::readFile(qmtest::sharedDataDir() / "corpus" / gold));
  EXPECT_EQ(textLines.size(), goldLines.size());
  size_t found = 0, expected = 0, correct = 0;
  for (size_t i = 0; i < std::min(textLines.size(), goldLines.size()); ++i) {
    const Spans ours = segmentedSpans(textLines[i]), theirs = goldSpans(goldLines[i]);
    found += ours.size();
    expected += theirs.size();
    for (auto const& s : ours)
      correct += theirs.count(s);
  }
  const double precision = double(correct) / double(found), recall = double(correct) / double(expected);
  const double f = 2 * precision * recall / (precision + recall);
  std::cout << text << ": precision " << precision << " recall " << recall << " F " << f << "\n";
  return f;
}

TEST(SegmentationQualityTest, FMeasureAgainstHandSegmentation) {
  ASSERT_GT(masterList().totalWords(), 100000u);
  // Floors a little below the measured values, so that a regression in matching shows.
  EXPECT_GT(fMeasure("pku_test.utf8", "pku_test_gold.utf8"), 0.84);     // measured 0.849
  EXPECT_GT(fMeasure("cityu_test.utf8", "cityu_test_gold.utf8"), 0.80); // measured 0.806
}

// An independent reference: the word file read into a plain set of strings, and at each Chinese token's
// start the longest run of characters that is a word of that set, one character when none is.
class NaiveLongestMatch {
public:
  explicit NaiveLongestMatch(std::string const& wordFile) {
    for (std::string const& word : linesOf(qmtest::readFile(wordFile))) {
      if (word.empty()) continue;
      m_longest = std::max(m_longest, characterCount(word));
      m_words.insert(word);
    }
  }
  // The bytes of the word at p.
  size_t match(const char* p, const char* end) const {
    std::vector<size_t> ends; // byte length after 1, 2, ... characters
    for (size_t at = 0; ends.size() < m_longest && p + at < end;)
      ends.push_back(at += std::min(characterLength(p[at]), size_t(end - p - at)));
    for (size_t n = ends.size(); n > 1; --n)
      if (m_words.count(std::string(p, ends[n - 1]))) return ends[n - 1];
    return ends.empty() ? 0 : ends[0];
  }
  size_t words() const { return m_words.size(); }

private:
  static size_t characterLength(char lead) {
    const auto b = static_cast<unsigned char>(lead);
    return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  }
  static size_t characterCount(std::string const& s) {
    size_t n = 0;
    for (size_t at = 0; at < s.size(); at += characterLength(s[at]))
      ++n;
    return n;
  }
  std::unordered_set<std::string> m_words;
  size_t m_longest = 0;
};

TEST(SegmentationQualityTest, AgreesWithNaiveLongestMatch) {
  const NaiveLongestMatch reference((qmtest::resourcesDir() / "data/words.u8").string());
  ASSERT_EQ(reference.words(), masterList().totalWords());
  for (const char* name : {"pku_test.utf8", "cityu_test.utf8"}) {
    SCOPED_TRACE(name);
    const std::string text = qmtest::readFile(qmtest::sharedDataDir() / "corpus" / name);
    const char* end = text.data() + text.size();
    ChineseTokenizer tokenizer(Utf8Range(text.data(), text.size()), masterList(), true);
    size_t chinese = 0, disagreements = 0, covered = 0;
    while (tokenizer.hasTokens()) {
      const Token t = tokenizer.nextToken();
      covered += t.bytes;
      if (t.type != Token::Chinese) continue;
      ++chinese;
      const size_t expected = reference.match(t.text, end);
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
