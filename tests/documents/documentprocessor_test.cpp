#include "documents/documentprocessor.h"

#include "support/logcapture.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"
#include "support/waituntil.h"
#include "text/chinesetokenizer.h"
#include "text/wordhash.h"
#include "utils/platform/posix/filehandle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using Seen = std::tuple<std::string, unsigned long, uint32_t>; // text, offset, type

class Recorder : public DocumentProcessorListener {
public:
  void beginProcessing() override {
    ++begins;
    tokens.clear();
  }
  void processToken(Token const& token, unsigned long offset) override {
    tokens.emplace_back(std::string(token.text, token.bytes), offset, token.type);
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

std::string randomText(std::mt19937& rng, size_t characters) {
  // Characters, letters, digits, blanks, line ends, a four-byte character and a cut sequence.
  const char* const chars[] = {"中", "国", "人", "民", "的", "\xF0\xA0\x80\x80", "a", "b",
                               "1",  " ",  "\n", "\r", "，", "\xE4\xB8"};
  std::string s;
  for (size_t i = 0; i < characters; ++i)
    s += chars[rng() % (rng() % 8 ? 6 : std::size(chars))];
  return s;
}

class DocumentProcessorTest : public ::testing::Test {
protected:
  std::string write(std::string const& content) {
    const auto path = dir / ("doc" + std::to_string(files++) + ".txt");
    qmtest::writeFile(path, content);
    return path.string();
  }
  void process(std::string const& text, size_t step) {
    DocumentProcessor processor(write(text).c_str(), master, recorder, step);
    processor.beginProcessing(false);
    EXPECT_EQ(processor.bytesProcessed(), text.size());
  }
  qmtest::TempDir dir;
  WordHash master{12, nullptr, true};
  Recorder recorder;
  int files = 0;
};

} // namespace

// Windows of any size down to one byte give the tokens, offsets, lines and digest of one pass of the
// tokenizer over the whole text. The end of the text ends a word, whatever the window: the last word (AB of
// the words AB and ABCD, a cut character) is delivered whole.
TEST_F(DocumentProcessorTest, WindowsEqualOnePass) {
  std::mt19937 rng(17);
  for (int i = 0; i < 40; ++i) {
    std::string word = randomText(rng, 2 + rng() % 5);
    master.add(Span(word.data(), word.size()));
  }
  master.add(Span("中国"));
  master.add(Span("中国人民"));
  std::vector<std::pair<std::string, size_t>> runs = {{"x中国人", 1}, {"x中国人", 3}, {"x\xE4\xB8", 1},
                                                      {"中国", 4096}, {"", 2},        {"a\r\n\r\nb\r\n", 2},
                                                      {"\n\n", 1}};
  for (int round = 0; round < 60; ++round)
    runs.emplace_back(randomText(rng, rng() % 3000), 1 + rng() % (round % 2 ? 64 : 5000));
  for (auto const& [text, step] : runs) {
    SCOPED_TRACE(std::to_string(text.size()) + " bytes, step " + std::to_string(step));
    process(text, step);
    EXPECT_FALSE(recorder.error);
    // The reference: one pass, and lines that hold at least one byte.
    ChineseTokenizer tokenizer(Utf8Range(text.data(), text.size()), master, true);
    std::vector<Seen> expected;
    unsigned long offset = 0, lines = 0;
    while (tokenizer.hasTokens()) {
      const Token t = tokenizer.nextToken();
      if (t.type == Token::EndOfText || !t.text) continue;
      expected.emplace_back(std::string(t.text, t.bytes), offset, t.type);
      offset += t.bytes;
    }
    for (size_t i = 0; i < text.size(); ++i)
      lines += i == 0 || text[i - 1] == '\n';
    EXPECT_EQ(recorder.tokens, expected);
    EXPECT_EQ(recorder.bytes, text.size());
    EXPECT_EQ(recorder.maxLine, lines);
    EXPECT_EQ(recorder.sha1, OpenSSL::SHA1::of(text.data(), text.size()));
  }
}

// A run of letters longer than a window is cut at window ends: the tokens still tile the text.
TEST_F(DocumentProcessorTest, LongLetterRunIsCutAtWindowEnds) {
  const std::string text(5000, 'q');
  process(text, 1000);
  EXPECT_GT(recorder.tokens.size(), 1u);
  std::string joined;
  for (auto const& [token, offset, type] : recorder.tokens) {
    EXPECT_EQ(type, Token::Alpha);
    EXPECT_EQ(offset, joined.size());
    joined += token;
  }
  EXPECT_EQ(joined, text);
}

TEST_F(DocumentProcessorTest, LifecycleAndOpenFailures) {
  DocumentProcessor processor(write("a\n\nb").c_str(), master, recorder);
  EXPECT_FALSE(processor.processingStarted());
  processor.cancelProcessing(); // never started: returns at once
  processor.beginProcessing(false);
  EXPECT_TRUE(processor.finished());
  processor.beginProcessing(false); // finished but not cancelled: nothing happens
  EXPECT_EQ(recorder.finishes, 1);
  processor.cancelProcessing();
  EXPECT_FALSE(processor.processingStarted());
  processor.beginProcessing(false); // reprocessing after a word-list change
  EXPECT_EQ(recorder.begins, 2);
  EXPECT_EQ(recorder.finishes, 2);
  EXPECT_EQ(recorder.maxLine, 3u);
  // A folder is no file to read: the same error as a missing file.
  std::filesystem::create_directory(dir / "folder");
  for (const char* name : {"missing.txt", "folder"})
    EXPECT_THROW(DocumentProcessor((dir / name).c_str(), master, recorder), FileHandle::open_error) << name;
}

// Another program truncates the file while it is processed: the document ends early, nothing crashes.
TEST_F(DocumentProcessorTest, FileTruncatedDuringRun) {
  std::string text;
  for (int i = 0; i < 20000; ++i)
    text += "中ab\n";
  const std::string path = write(text);
  DocumentProcessor processor(path.c_str(), master, recorder, 4096);
  recorder.onToken = [&](size_t n) {
    if (n == 10) std::filesystem::resize_file(path, 50001);
  };
  processor.beginProcessing(false);
  EXPECT_EQ(recorder.finishes, 1);
  EXPECT_FALSE(recorder.error);
  EXPECT_EQ(recorder.bytes, 50001u);
  EXPECT_EQ(std::get<1>(recorder.tokens.back()) + std::get<0>(recorder.tokens.back()).size(), 50001u);
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
  ASSERT_TRUE(qmtest::waitUntil([&] { return processor.finished(); }));
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
    DocumentProcessor processor(path.c_str(), master, r, 512);
    processor.beginProcessing(true);
    if (round % 2) std::this_thread::sleep_for(std::chrono::microseconds(200 * round));
    processor.cancelProcessing();
    EXPECT_TRUE(processor.finished());
    const int finishedBeforeRestart = r.finishes;
    EXPECT_LE(finishedBeforeRestart, 1);
    processor.beginProcessing(true);
    if (round >= 3) continue; // destroyed while running
    ASSERT_TRUE(qmtest::waitUntil([&] { return processor.finished(); }));
    EXPECT_EQ(r.finishes, finishedBeforeRestart + 1);
    EXPECT_EQ(r.bytes, text.size());
    EXPECT_EQ(r.begins, 2);
  }
}
