#include "documents/documentprocessor.h"

#include "support/logcapture.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"
#include "text/chinesetokenizer.h"
#include "text/wordhash.h"
#include "utils/platform/posix/filehandle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <pthread.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Seen {
  std::string text;
  unsigned long offset;
  uint32_t type;
  bool operator==(Seen const&) const = default;
};

class Recorder : public DocumentProcessorListener {
public:
  void beginProcessing() override {
    ++begins;
    tokens.clear();
  }
  void processToken(Token const& token, unsigned long offset) override {
    tokens.push_back({std::string(token.text, token.bytes), offset, token.type});
    if (onToken) onToken(tokens.size());
  }
  void processingFinished(float, bool e, unsigned long lines, unsigned long b,
                          OpenSSL::SHA1 const& d) override {
    ++finishes;
    error = e;
    maxLine = lines;
    bytes = b;
    sha1 = d;
  }
  std::vector<Seen> tokens;
  std::function<void(size_t)> onToken;
  int begins = 0;
  std::atomic<int> finishes = 0;
  bool error = false;
  unsigned long maxLine = ~0ul, bytes = ~0ul;
  OpenSSL::SHA1 sha1;
};

// One pass of the tokenizer over the whole text, the reference the windows must reproduce.
std::vector<Seen> singlePass(std::string const& text, WordHash const& master) {
  ChineseTokenizer tokenizer(Utf8Range(text.data(), text.size()), master, true);
  std::vector<Seen> out;
  unsigned long offset = 0;
  while (tokenizer.hasTokens()) {
    const Token t = tokenizer.nextToken();
    if (t.type == Token::EndOfText || !t.text) continue;
    out.push_back({std::string(t.text, t.bytes), offset, t.type});
    offset += t.bytes;
  }
  return out;
}

// Lines as the processor counts them: each line holding at least one byte.
unsigned long countLines(std::string const& text) {
  unsigned long lines = 0;
  bool atStart = true;
  for (char c : text) {
    if (atStart) ++lines;
    atStart = c == '\n';
  }
  return lines;
}

const char* const CHARS[] = {"\xE4\xB8\xAD",
                             "\xE5\x9B\xBD",
                             "\xE4\xBA\xBA",
                             "\xE6\xB0\x91",
                             "\xE7\x9A\x84",
                             "\xF0\xA0\x80\x80",
                             "a",
                             "b",
                             "1",
                             " ",
                             "\n",
                             "\r",
                             "\xEF\xBC\x8C",
                             "\xE4\xB8"};

std::string randomText(std::mt19937& rng, size_t characters) {
  std::string s;
  for (size_t i = 0; i < characters; ++i)
    s += CHARS[rng() % (rng() % 8 ? 6 : std::size(CHARS))];
  return s;
}

class DocumentProcessorTest : public ::testing::Test {
protected:
  DocumentProcessorTest() : master(12, nullptr, true) {}
  std::string write(std::string const& content) {
    const auto path = dir / ("doc" + std::to_string(files++) + ".txt");
    qmtest::writeFile(path, content);
    return path.string();
  }
  void addWords(std::initializer_list<const char*> words) {
    for (const char* w : words)
      master.add(Span(w));
  }
  qmtest::TempDir dir;
  WordHash master;
  Recorder recorder;
  int files = 0;
};

} // namespace

// Random texts of words, prefixes of longer words, four-byte characters, line ends and cut sequences, in
// windows of random sizes down to one byte: the tokens, offsets, lines and digest are those of one pass.
TEST_F(DocumentProcessorTest, WindowsEqualOnePass) {
  std::mt19937 rng(17);
  for (int i = 0; i < 40; ++i) {
    std::string word = randomText(rng, 2 + rng() % 5);
    master.add(Span(word.data(), word.size()));
  }
  for (int round = 0; round < 60; ++round) {
    const std::string text = randomText(rng, rng() % 3000);
    const size_t step = 1 + rng() % (round % 2 ? 64 : 5000);
    SCOPED_TRACE("round " + std::to_string(round) + " step " + std::to_string(step));
    DocumentProcessor processor(write(text).c_str(), master, recorder, step);
    processor.beginProcessing(false);
    ASSERT_EQ(recorder.finishes, round + 1);
    EXPECT_FALSE(recorder.error);
    EXPECT_EQ(recorder.tokens, singlePass(text, master));
    EXPECT_EQ(recorder.bytes, text.size());
    EXPECT_EQ(processor.bytesProcessed(), text.size());
    EXPECT_EQ(recorder.maxLine, countLines(text));
    EXPECT_EQ(recorder.sha1, OpenSSL::SHA1::of(text.data(), text.size()));
  }
}

// The end of the text is the end of a word, whatever the window: nothing is lost there.
TEST_F(DocumentProcessorTest, LastWindowDeliversEveryByte) {
  addWords({"\xE4\xB8\xAD\xE5\x9B\xBD", "\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xBA\xBA\xE6\xB0\x91"}); // AB, ABCD
  const struct {
    std::string text;
    std::vector<std::string> tokens;
  } cases[] = {
      {"x\xE4\xB8\xAD\xE5\x9B\xBD\xE4\xBA\xBA",
       {"x", "\xE4\xB8\xAD\xE5\x9B\xBD", "\xE4\xBA\xBA"}}, // ends in ABC
      {"x\xE4\xB8", {"x", "\xE4\xB8"}},                    // a cut character
      {"\xE4\xB8\xAD\xE5\x9B\xBD", {"\xE4\xB8\xAD\xE5\x9B\xBD"}},
  };
  for (const auto& c : cases) {
    for (size_t step : {1u, 3u, 4096u}) {
      SCOPED_TRACE(std::to_string(c.text.size()) + " bytes, step " + std::to_string(step));
      DocumentProcessor processor(write(c.text).c_str(), master, recorder, step);
      processor.beginProcessing(false);
      std::vector<std::string> texts;
      for (auto const& t : recorder.tokens)
        texts.push_back(t.text);
      EXPECT_EQ(texts, c.tokens);
      EXPECT_EQ(recorder.bytes, c.text.size());
      EXPECT_EQ(recorder.sha1, OpenSSL::SHA1::of(c.text.data(), c.text.size()));
    }
  }
}

TEST_F(DocumentProcessorTest, LinesAndEmptyFile) {
  const struct {
    std::string text;
    unsigned long lines;
  } cases[] = {{"", 0}, {"a\n\nb", 3}, {"a\n\nb\n", 3}, {"a\r\n\r\nb\r\n", 3}, {"\n", 1}, {"\n\n", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    DocumentProcessor processor(write(c.text).c_str(), master, recorder, 2);
    processor.beginProcessing(false);
    EXPECT_FALSE(recorder.error);
    EXPECT_EQ(recorder.maxLine, c.lines);
    EXPECT_EQ(processor.maxLine(), c.lines);
    EXPECT_EQ(recorder.bytes, c.text.size());
  }
  EXPECT_EQ(recorder.sha1, OpenSSL::SHA1::of("\n\n", 2));
  DocumentProcessor empty(write("").c_str(), master, recorder);
  empty.beginProcessing(false);
  EXPECT_EQ(recorder.sha1, OpenSSL::SHA1::of("", 0));
}

TEST_F(DocumentProcessorTest, LongLetterRunIsCutAtWindowEnds) {
  const std::string text(5000, 'q');
  DocumentProcessor processor(write(text).c_str(), master, recorder, 1000);
  processor.beginProcessing(false);
  EXPECT_GT(recorder.tokens.size(), 1u);
  std::string joined;
  for (auto const& t : recorder.tokens) {
    EXPECT_EQ(t.type, Token::Alpha);
    EXPECT_EQ(t.offset, joined.size());
    joined += t.text;
  }
  EXPECT_EQ(joined, text);
}

TEST_F(DocumentProcessorTest, LifecycleInline) {
  DocumentProcessor processor(write("a\n\nb").c_str(), master, recorder);
  EXPECT_TRUE(processor.finished());
  EXPECT_FALSE(processor.processingStarted());
  processor.cancelProcessing(); // never started: returns at once
  processor.beginProcessing(false);
  EXPECT_TRUE(processor.finished());
  EXPECT_TRUE(processor.processingStarted());
  EXPECT_GE(processor.processingTime(), 0.0f);
  processor.beginProcessing(false); // finished but not cancelled: nothing happens
  EXPECT_EQ(recorder.begins, 1);
  EXPECT_EQ(recorder.finishes, 1);
  processor.cancelProcessing();
  processor.cancelProcessing();
  EXPECT_FALSE(processor.processingStarted());
  processor.beginProcessing(false); // reprocessing after a word-list change
  EXPECT_EQ(recorder.finishes, 2);
  EXPECT_EQ(recorder.maxLine, 3u);
}

TEST_F(DocumentProcessorTest, FolderFailsLikeAMissingFile) {
  // A folder is no file to read: the same error as a missing file.
  std::filesystem::create_directory(dir / "folder");
  for (const char* name : {"missing.txt", "folder"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(DocumentProcessor((dir / name).c_str(), master, recorder), FileHandle::open_error);
  }
}

// Another program truncates the file while it is processed: the document ends early, nothing crashes.
TEST_F(DocumentProcessorTest, FileTruncatedDuringRun) {
  std::string text;
  for (int i = 0; i < 20000; ++i)
    text += "\xE4\xB8\xAD"
            "ab\n";
  const std::string path = write(text);
  DocumentProcessor processor(path.c_str(), master, recorder, 4096);
  recorder.onToken = [&](size_t n) {
    if (n == 10) std::filesystem::resize_file(path, 50001);
  };
  processor.beginProcessing(false);
  EXPECT_EQ(recorder.finishes, 1);
  EXPECT_FALSE(recorder.error);
  EXPECT_EQ(recorder.bytes, 50001u);
  EXPECT_EQ(recorder.tokens.back().offset + recorder.tokens.back().text.size(), 50001u);
}

// A worker that cannot be started leaves the processor finished, so a cancel returns, and a later begin
// tries again.
TEST_F(DocumentProcessorTest, WorkerThatCannotStart) {
  DocumentProcessor processor(write("a\nb").c_str(), master, recorder);
  {
    qmtest::LogCapture log({"ERR"});
    qmtest::NoNewThreads guard;
    processor.beginProcessing(true);
    EXPECT_NE(log.all().find("Unable to launch thread"), std::string::npos) << log.all();
  }
  EXPECT_TRUE(processor.finished());
  EXPECT_FALSE(processor.processingStarted());
  processor.cancelProcessing();
  EXPECT_EQ(recorder.finishes, 0);
  processor.beginProcessing(true);
  processor.cancelProcessing(); // waits for the worker, whether or not it got to the end
  EXPECT_LE(recorder.finishes, 1);
  processor.beginProcessing(true);
  while (!processor.finished())
    std::this_thread::yield();
  EXPECT_EQ(recorder.maxLine, 2u);
}

// Cancel, restart and destroy while a worker runs; the worker is waited for each time.
TEST_F(DocumentProcessorTest, CancelRestartDestroyThreaded) {
  std::mt19937 rng(23);
  const std::string text = randomText(rng, 200000);
  const std::string path = write(text);
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    Recorder r;
    {
      DocumentProcessor processor(path.c_str(), master, r, 512);
      processor.beginProcessing(true);
      if (round % 2) std::this_thread::sleep_for(std::chrono::microseconds(200 * round));
      processor.cancelProcessing();
      EXPECT_TRUE(processor.finished());
      const int finishedBeforeRestart = r.finishes;
      EXPECT_LE(finishedBeforeRestart, 1);
      processor.beginProcessing(true);
      if (round >= 3) continue; // destroyed while running
      while (!processor.finished())
        std::this_thread::yield();
      EXPECT_EQ(r.finishes, finishedBeforeRestart + 1);
      EXPECT_EQ(r.bytes, text.size());
      EXPECT_EQ(processor.bytesProcessed(), text.size());
      EXPECT_EQ(r.begins, 2);
    }
  }
}
