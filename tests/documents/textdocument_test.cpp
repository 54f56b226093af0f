#include "documents/textdocument.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace {

constexpr unsigned long PIECE = TextDocument::PIECE;
constexpr unsigned long MAX_READ = TextDocument::DEFAULT_MAX_READ;

bool isBoundary(unsigned char c) {
  return c < 0x80 || (c >= 0xC0 && c <= 0xF7);
}

unsigned long skipToBoundary(std::string const& s, unsigned long at) {
  unsigned long n = 0;
  while (n < 4 && at + n < s.size() && !isBoundary(static_cast<unsigned char>(s[at + n])))
    ++n;
  return at + n;
}

// The reader's contract written the plain way, over the whole text in memory, without the remembered cut.
unsigned long naiveStartOfLine(std::string const& s, unsigned long o) {
  if (o >= s.size()) return s.size();
  const unsigned long reach = PIECE * (MAX_READ / PIECE + 1); // the pieces scanned before a cut
  const unsigned long lo = o > reach ? o - reach : 0;
  for (unsigned long i = o; i > lo; --i)
    if (s[i - 1] == '\n') return i;
  return o - lo > MAX_READ ? skipToBoundary(s, lo + MAX_READ / 2) : 0;
}

unsigned long naiveNextLine(std::string const& s, unsigned long o) {
  if (o >= s.size()) return s.size();
  const unsigned long pieces = MAX_READ / PIECE + 1;
  const unsigned long end = std::min<unsigned long>(s.size(), o + PIECE * pieces);
  const auto feed = s.find('\n', o);
  if (feed != std::string::npos && feed < end) return feed + 1;
  return s.size() - o > MAX_READ ? skipToBoundary(s, o + PIECE * (pieces - 1)) : s.size();
}

// Random text of ASCII, three-byte characters, CR LF or LF line ends, with lines up to maxLine bytes.
std::string randomText(std::mt19937& rng, size_t bytes, size_t maxLine, bool crlf, bool finalFeed) {
  std::string s;
  size_t lineLeft = rng() % maxLine;
  while (s.size() < bytes) {
    if (lineLeft == 0) {
      s += crlf ? "\r\n" : "\n";
      lineLeft = rng() % maxLine;
      continue;
    }
    if (rng() % 3) {
      s += "\xE4\xB8\xAD";
      lineLeft = lineLeft > 3 ? lineLeft - 3 : 0;
    } else {
      s += char('a' + rng() % 26);
      --lineLeft;
    }
  }
  while (!s.empty() && s.back() == '\n')
    s.pop_back();
  if (finalFeed) s += '\n';
  return s;
}

class TextDocumentTest : public ::testing::Test {
protected:
  std::string write(std::string const& content, std::string const& name = "doc.txt") {
    const auto path = dir / name;
    qmtest::writeFile(path, content);
    return path.string();
  }
  qmtest::TempDir dir;
};

} // namespace

// Offsets inside a leading byte-order mark, and only those, skip it; offsets past the end give the end.
TEST_F(TextDocumentTest, ByteOrderMarkAndEnd) {
  TextDocument doc(write("ab\n\ncd\r\nlast").c_str());
  TextDocument bom(write("\xEF\xBB\xBFxy\n", "bom.txt").c_str());
  TextDocument shortFile(write("\xEF\xBB", "short.txt").c_str());
  for (unsigned long o : {0ul, 1ul, 2ul, 3ul, 4ul}) {
    EXPECT_EQ(bom.skipBOM(o), std::max(o, 3ul));
    EXPECT_EQ(doc.skipBOM(o), o);
    EXPECT_EQ(shortFile.skipBOM(o), o);
  }
  EXPECT_EQ(doc.startOfLine(99), 12u);
  EXPECT_EQ(doc.nextLine(99), 12u);
  EXPECT_EQ(doc.lineLength(5), 4u);
}

// Every byte of files with short lines, LF or CR LF, with and without a final line feed, against the
// plain reader; the caller's buffer size must not change the answer.
TEST_F(TextDocumentTest, MatchesNaiveReaderOnShortLines) {
  std::mt19937 rng(11);
  for (int round = 0; round < 4; ++round) {
    const bool crlf = round & 1, finalFeed = round & 2;
    SCOPED_TRACE("crlf " + std::to_string(crlf) + " final " + std::to_string(finalFeed));
    const std::string text = randomText(rng, 12000, 300, crlf, finalFeed);
    TextDocument doc(write(text).c_str());
    char small[7];
    for (unsigned long o = 0; o <= text.size(); ++o) {
      ASSERT_EQ(doc.startOfLine(o), naiveStartOfLine(text, o)) << o;
      ASSERT_EQ(doc.nextLine(o), naiveNextLine(text, o)) << o;
      ASSERT_EQ(doc.nextLine(o, small, sizeof small), naiveNextLine(text, o)) << o;
    }
    // Walking forwards and backwards visits the same line starts.
    std::vector<unsigned long> forward{0}, backward;
    while (forward.back() < text.size())
      forward.push_back(doc.nextLine(forward.back()));
    forward.pop_back();
    for (unsigned long at = text.size(); at > 0;)
      backward.insert(backward.begin(), at = doc.startOfLine(at - 1));
    EXPECT_EQ(forward, backward);
  }
}

// Lines of up to 30 KB: every answer matches the plain reader when the remembered cut is fresh, and with the
// cut remembered across random queries an answer is still a line start: no line feed between it and the
// offset, and no further back than the reading distance allows.
TEST_F(TextDocumentTest, LongLinesAgainstNaiveReader) {
  std::mt19937 rng(5);
  const std::string text = randomText(rng, 120000, 30000, rng() % 2, false);
  TextDocument doc(write(text).c_str());
  for (int i = 0; i < 3000; ++i) {
    const unsigned long o = rng() % (text.size() + 1);
    SCOPED_TRACE(o);
    ASSERT_EQ(doc.nextLine(o), naiveNextLine(text, o));
    const unsigned long remembered = doc.startOfLine(o);
    ASSERT_LE(remembered, o);
    if (o < text.size()) {
      ASSERT_TRUE(text.substr(remembered, o - remembered).find('\n') == std::string::npos);
      ASSERT_LT(o - remembered, MAX_READ + PIECE * 3);
      ASSERT_TRUE(isBoundary(static_cast<unsigned char>(text[remembered])));
    }
    doc.setMaxBackwardRead(MAX_READ); // forgets the cut
    ASSERT_EQ(doc.startOfLine(o), naiveStartOfLine(text, o));
  }
}

TEST_F(TextDocumentTest, LongLineCutIsStable) {
  std::string line;
  while (line.size() < 30000)
    line += "中";
  TextDocument doc(write(line + "\nyyy").c_str());
  const unsigned long start = doc.startOfLine(20000);
  EXPECT_TRUE(isBoundary(static_cast<unsigned char>(line[start])));
  EXPECT_GT(20000 - start, 6000u);
  EXPECT_LT(20000 - start, 8000u);
  const unsigned long cut = start - (start % 3 == 0 ? 0 : start % 3); // where the cut fell before the skip
  for (unsigned long o = start; o < cut + MAX_READ; o += 97)
    ASSERT_EQ(doc.startOfLine(o), start) << o;
  // A line feed between the remembered cut and the offset ends the cut line.
  const unsigned long late = doc.startOfLine(29000);
  EXPECT_EQ(doc.startOfLine(30002), 30001u);
  EXPECT_EQ(doc.startOfLine(29500), late);
  // Forwards, a line with no line feed is cut 8 KB on, at a character boundary.
  EXPECT_EQ(doc.nextLine(0), 8193u);
  // A caller's piece longer than the reading distance still moves on, to the piece's end.
  std::vector<char> big(20000);
  EXPECT_EQ(doc.nextLine(1, big.data(), big.size()), 20001u);
}

// A read keeps whole characters: one trailing sequence cut by the read is dropped, other bytes never, so a
// Latin-1 or binary file read as UTF-8 still reads to its end.
TEST_F(TextDocumentTest, CopyToBufferKeepsCompleteCharacters) {
  TextDocument doc(write("a中b中\xFF\x80\x80\x80\x80z\xE4\xB8").c_str());
  const unsigned long cases[][3] = {
      {0, 0, 0},  {0, 1, 1},   {0, 3, 1},  {0, 4, 4}, // a cut three-byte character is dropped
      {1, 2, 0},                                      // only its first two bytes: nothing kept
      {5, 4, 4},  {5, 6, 6},   {6, 4, 4},             // invalid bytes are kept
      {13, 3, 3}, {13, 10, 3}, {16, 5, 0},            // the end of the file keeps what it has
  };                                                  // offset, n, kept
  char buffer[1000] = "zzz";
  for (auto const& [offset, n, kept] : cases)
    EXPECT_EQ(doc.copyToBuffer(offset, buffer, n), kept) << offset << "+" << n;
  EXPECT_EQ(doc.copyLineToBuffer(0, buffer, 1), 0u);
  EXPECT_STREQ(buffer, "");
  std::mt19937 rng(3);
  std::string bytes(50000, 0);
  for (auto& b : bytes)
    b = char(rng() % 256 == 0 ? '\n' : 0x80 + rng() % 128);
  TextDocument binary(write(bytes).c_str());
  unsigned long at = 0;
  for (unsigned long kept; at < bytes.size(); at += kept) {
    kept = binary.copyToBuffer(at, buffer, sizeof buffer);
    ASSERT_GT(kept, 0u) << at;
    ASSERT_EQ(std::string(buffer, kept), bytes.substr(at, kept));
    ASSERT_GT(binary.nextLine(at), at);
  }
}

// Another program truncates or rewrites the file while it is open: no crash, the document ends early, and
// grows again when the file does.
TEST_F(TextDocumentTest, FileShrinksWhileOpen) {
  std::mt19937 rng(9);
  const std::string text = randomText(rng, 40000, 200, false, true);
  const std::string path = write(text);
  TextDocument doc(path.c_str());
  std::filesystem::resize_file(path, 10000);
  const unsigned long total = doc.totalBytes();
  for (unsigned long o = 0; o <= total; o += 37) {
    ASSERT_LE(doc.nextLine(o), total);
    ASSERT_LE(doc.startOfLine(o), o);
    char buffer[512];
    ASSERT_LE(doc.copyToBuffer(o, buffer, sizeof buffer), sizeof buffer);
    ASSERT_LT(doc.copyLineToBuffer(doc.startOfLine(o), buffer, sizeof buffer), sizeof buffer);
  }
  EXPECT_EQ(doc.copyToBuffer(20000, nullptr, 0), 0u);
  char buffer[16];
  EXPECT_EQ(doc.copyToBuffer(20000, buffer, sizeof buffer), 0u);
  // A walk over the lines ends (the size the reader reports may shrink to the new end on the way).
  unsigned long at = 0, steps = 0;
  while (at < doc.totalBytes()) {
    const unsigned long next = doc.nextLine(at);
    ASSERT_GT(next, at);
    at = next;
    ASSERT_LT(++steps, 1000u);
  }
  qmtest::writeFile(path, "rewritten\n"); // replaced by a much shorter text in place
  EXPECT_EQ(doc.nextLine(0), 10u);
  EXPECT_EQ(doc.copyToBuffer(100, buffer, sizeof buffer), 0u);
  qmtest::writeFile(path, "rewritten\nand grown\n"); // and grown again: the new end is read
  EXPECT_EQ(doc.nextLine(10), 20u);
  EXPECT_EQ(doc.totalBytes(), 20u);
  EXPECT_EQ(doc.copyLineToBuffer(10, buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "and grown\n");
}
