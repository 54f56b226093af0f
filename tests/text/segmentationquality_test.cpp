// Segmentation of the real corpus texts with the shipped master word list: the word F-measure against the
// hand segmentations, and agreement with a plain greedy look-up a character at a time.
#include "text/chinesetokenizer.h"
#include "text/wordhash.h"

#include "support/tempdir.h"
#include "utils/utf8.h"

#include <gtest/gtest.h>

#include <iostream>
#include <set>
#include <string>
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

// The batched, filtered look-ups give the words that asking the set a candidate at a time gives.
TEST(SegmentationQualityTest, AgreesWithPlainGreedyLookUp) {
  WordHash const& words = masterList();
  for (const char* name : {"pku_test.utf8", "cityu_test.utf8"}) {
    SCOPED_TRACE(name);
    const std::string text = qmtest::readFile(qmtest::sharedDataDir() / "corpus" / name);
    const char* end = text.data() + text.size();
    ChineseTokenizer tokenizer(Utf8Range(text.data(), text.size()), words, true);
    size_t chinese = 0, disagreements = 0, covered = 0;
    while (tokenizer.hasTokens()) {
      const Token t = tokenizer.nextToken();
      covered += t.bytes;
      if (t.type != Token::Chinese) continue;
      ++chinese;
      size_t candidate = utf8::step(t.text, end), best = candidate;
      while (candidate <= words.longestWord()) {
        const unsigned long entry = words.exists(Span(t.text, candidate));
        if (entry == WordHash::Word) best = candidate;
        if (entry == WordHash::Absent || t.text + candidate >= end) break;
        candidate += utf8::step(t.text + candidate, end);
      }
      if (best != t.bytes && disagreements++ < 5)
        ADD_FAILURE() << "at byte " << (t.text - text.data()) << ": '" << std::string(t.text, t.bytes)
                      << "', not '" << std::string(t.text, best) << "'";
    }
    EXPECT_EQ(disagreements, 0u);
    EXPECT_GT(chinese, 30000u);
    EXPECT_EQ(covered, text.size()); // every byte is in exactly one token
  }
}

} // namespace
