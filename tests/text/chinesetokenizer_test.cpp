#include "text/chinesetokenizer.h"
#include "text/wordhash.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Tok {
  std::string text;
  uint32_t type;
  uint64_t characters;
  bool operator==(Tok const&) const = default;
};

std::ostream& operator<<(std::ostream& os, Tok const& t) {
  return os << "{'" << t.text << "' " << Token::typeName(t.type) << " " << t.characters << "}";
}

// Every text token of one range; the tokenizer is left where it stopped.
std::vector<Tok> drain(ChineseTokenizer& tokenizer) {
  std::vector<Tok> out;
  while (tokenizer.hasTokens()) {
    const Token t = tokenizer.nextToken();
    if (t.type == Token::EndOfText || !t.text) continue;
    out.push_back({std::string(t.text, t.bytes), t.type, t.characters});
  }
  return out;
}

std::vector<Tok> tokens(std::string const& text, WordHash const& dict, bool endOfText = true) {
  ChineseTokenizer t(Utf8Range(text.data(), text.size()), dict, endOfText);
  return drain(t);
}

class ChineseTokenizerTest : public ::testing::Test {
protected:
  ChineseTokenizerTest() {
    for (const char* w : {"中国", "中国人民", "T恤", "人民币", "大学生活动中心", "\xF0\xAB\x9A\x89鱼"})
      dict.add(Span(w));
  }
  WordHash dict{10, nullptr, true};
};

constexpr uint32_t C = Token::Chinese, A = Token::Alpha, N = Token::Number, W = Token::Whitespace,
                   CP = Token::ChinesePunctuation, AP = Token::AsciiPunctuation, O = Token::Other,
                   I = Token::Invalid;

TEST_F(ChineseTokenizerTest, GreedyLongestMatchWholeText) {
  const struct {
    std::string text;
    std::vector<Tok> expected;
  } cases[] = {
      {"", {}},
      {"中国人民好", {{"中国人民", C, 4}, {"好", C, 1}}},
      // 中国人 is only a prefix and 中国人大 is absent: back to the best whole word.
      {"中国人大", {{"中国", C, 2}, {"人", C, 1}, {"大", C, 1}}},
      {"123abc", {{"123", N, 3}, {"abc", A, 3}}},
      {"T恤衫", {{"T恤", A, 2}, {"衫", C, 1}}},
      {"，,—\xE3\x80\x80\x01\t",
       {{"，", CP, 1}, {",", AP, 1}, {"—", O, 1}, {"\xE3\x80\x80", W, 1}, {"\x01", O, 1}, {"\t", W, 1}}},
      {"\xFF\xFE\x80中", {{"\xFF\xFE\x80", I, 3}, {"中", C, 1}}},
      {"\xFF\xEF\xBF\xBD\x80", {{"\xFF\xEF\xBF\xBD\x80", I, 3}}}, // a literal U+FFFD is one invalid character
      // overlong "/", a surrogate, a value past U+10FFFF: invalid bytes, never punctuation or "Other"
      {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE0\x80\xAF中",
       {{"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE0\x80\xAF", I, 12}, {"中", C, 1}}},
      // ideographs of the later extensions are Chinese and start words
      {"\xF0\xAB\x9A\x89鱼\xF0\xB0\x80\x80\xE9\xBF\xBF",
       {{"\xF0\xAB\x9A\x89鱼", C, 2}, {"\xF0\xB0\x80\x80", C, 1}, {"\xE9\xBF\xBF", C, 1}}},
      {"\xF0\xA0\x80\x41", {{"\xF0\xA0\x80", I, 3}, {"A", A, 1}}}, // a four-byte lead cut short by a bad byte
      // the last word of a text is emitted although a longer word starts with it
      {"中", {{"中", C, 1}}},
      {"中国人", {{"中国", C, 2}, {"人", C, 1}}},
      {"大学生活动中心", {{"大学生活动中心", C, 7}}},
      // a sequence cut by the end of the text is one invalid token, joined to invalid bytes before it
      {"大\xE4\xB8", {{"大", C, 1}, {"\xE4\xB8", I, 2}}},
      // a lead near the end does not swallow the letter after it
      {"大\xE4\x61", {{"大", C, 1}, {"\xE4", I, 1}, {"a", A, 1}}},
      {"\xFF\xE4\x61", {{"\xFF\xE4", I, 2}, {"a", A, 1}}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(tokens(c.text, dict), c.expected);
  }
}

// Without the end of the text in the range, a token that may go on past it is left for the next window.
TEST_F(ChineseTokenizerTest, WindowStopsWhereMoreBytesAreNeeded) {
  const struct {
    std::string text;
    std::vector<Tok> expected;
  } cases[] = {
      {"中国", {}},       // 中国 is a word but 中国人民 may follow
      {"大\xE4\xB8", {}}, // 大 starts a longer word: the cut character decides
      {"好。", {{"好", C, 1}, {"。", CP, 1}}},
      {"大学生活动中心", {{"大学生活动中心", C, 7}}}, // as long as the longest word: nothing can follow
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    ChineseTokenizer t(Utf8Range(c.text.data(), c.text.size()), dict);
    EXPECT_EQ(drain(t), c.expected);
    EXPECT_TRUE(t.endFlag());
    EXPECT_EQ(t.nextToken().type, Token::EndOfText); // drained: the end token again
  }
}

TEST_F(ChineseTokenizerTest, DictionariesWithoutPrefixesAndReset) {
  const std::string text = "中国人ab";
  const WordHash empty(4, nullptr, true);
  EXPECT_EQ(tokens(text, empty), (std::vector<Tok>{{"中", C, 1}, {"国", C, 1}, {"人", C, 1}, {"ab", A, 2}}));
  // With no word at all even a short run at a window end is cut, so windows always progress.
  EXPECT_EQ(tokens(text, empty, false).size(), 4u);
  WordHash plain(4); // no prefix entries: 中 is absent, so the match stops there
  plain.add(Span("中国"));
  EXPECT_EQ(tokens("中国", plain), (std::vector<Tok>{{"中", C, 1}, {"国", C, 1}}));
  plain.add(Span("中"));
  EXPECT_EQ(tokens("中国", plain), (std::vector<Tok>{{"中国", C, 2}}));

  ChineseTokenizer t(Utf8Range(text.data(), 9), dict, true);
  EXPECT_EQ(drain(t).size(), 2u);
  t.reset(); // keeps the end-of-text mode
  EXPECT_EQ(drain(t).size(), 2u);
  t.setEndOfText(false);
  t.reset(Utf8Range(text.data(), 9));
  EXPECT_TRUE(drain(t).empty());
}

// Segments text in windows of random sizes, each resuming where the last one stopped, the last one marked
// as the end of the text; a window that makes no progress is grown.
std::vector<Tok> windowed(std::string const& text, WordHash const& dict, std::mt19937& rng,
                          size_t maxWindow) {
  std::vector<Tok> out;
  for (size_t pos = 0, grow = 0; pos < text.size();) {
    const size_t size = std::uniform_int_distribution<size_t>(1, maxWindow)(rng) + grow;
    const size_t end = std::min(text.size(), pos + size);
    ChineseTokenizer t(Utf8Range(text.data() + pos, end - pos), dict, end == text.size());
    const std::vector<Tok> window = drain(t);
    out.insert(out.end(), window.begin(), window.end());
    const size_t next = size_t(t.position() - text.data());
    if (next == pos && end == text.size()) break; // no token from all the rest: a failure, not a hang
    grow = next == pos ? grow + maxWindow : 0;
    pos = next;
  }
  return out;
}

TEST_F(ChineseTokenizerTest, WindowsGiveTheTokensOfOnePass) {
  // Pieces that exercise prefixes, words ending at window ends, runs, invalid and cut sequences.
  const std::vector<std::string> pieces = {"中", "国", "人", "民",   "币",       "大", "学",
                                           "生", "活", "动", "心",   "T",        "恤", "a",
                                           "7",  " ",  "，", "\xFF", "\xE4\xB8", "\n", "\xEF\xBF\xBD"};
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int n = std::uniform_int_distribution<int>(0, 60)(rng);
    for (int i = 0; i < n; ++i)
      text += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(rng)];
    SCOPED_TRACE("round " + std::to_string(round) + ": " + text);
    const auto whole = tokens(text, dict);
    for (size_t maxWindow : {1, 4, 16})
      EXPECT_EQ(windowed(text, dict, rng, maxWindow), whole);
  }
}

// Candidates are compared by their bytes, however their hashes and lengths agree and however long they are.
TEST(ChineseTokenizerCollisionTest, CandidatesAreComparedWhole) {
  // 中灣暖 and 中钶誢 have the same 32-bit FNV-1a hash and length.
  const std::string word = "中\xE7\x81\xA3\xE6\x9A\x96", twin = "中\xE9\x92\xB6\xE8\xAA\xA2";
  ASSERT_EQ(fnv1a::hash(Span(word.data(), word.size())), fnv1a::hash(Span(twin.data(), twin.size())));
  // Words of more bytes than a node keeps inline, and all their prefixes.
  const std::string longWord = "中华人民共和国全国人民代表大会常务委员会",
                    shorter = "中华人民共和国全国人民代表大会";
  WordHash dict(4, nullptr, true); // 16 buckets: the twins share a chain with other keys
  for (std::string const& w : {word, std::string("中\xE9\x92\xB6一"), longWord, shorter})
    dict.add(Span(w.data(), w.size())); // 中钶 starts a longer word, so 中钶誢 is looked up
  for (const std::string tail : {"", "。。", "abcd"}) {
    SCOPED_TRACE(tail);
    EXPECT_EQ(tokens(twin + tail, dict).front(), (Tok{"中", C, 1}));
    EXPECT_EQ(tokens(word + tail, dict).front(), (Tok{word, C, 3}));
    EXPECT_EQ(tokens(longWord + tail, dict).front(), (Tok{longWord, C, 20}));
    EXPECT_EQ(tokens(shorter + "代表" + tail, dict).front(), (Tok{shorter, C, 15}));
  }
}

} // namespace
