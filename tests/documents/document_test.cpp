#include "documents/document.h"

#include "documents/documentprocessor.h"
#include "documents/textdocument.h"
#include "support/tempdir.h"
#include "support/waituntil.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class DocumentTest : public ::testing::Test {
protected:
  DocumentTest() { master.add(Span("中国")); }
  std::unique_ptr<Document> open(fs::path const& path, std::string const& content) {
    qmtest::writeFile(path, content);
    return std::make_unique<Document>(path.c_str(), Text(path.filename().c_str()), master, levels, engine);
  }
  static void waitFor(Document& d) {
    EXPECT_TRUE(qmtest::waitUntil([&] { return d.processor()->finished(); }));
  }
  qmtest::TempDir dir;
  WordHash master{10, nullptr, true};
  ProficiencyLevelHash levels;
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, master};
};

} // namespace

// The main thread reads the statistics while the worker fills the next run: it sees whole runs only.
TEST_F(DocumentTest, ReadersDuringRuns) {
  std::string text;
  for (int i = 0; i < 60000; ++i) {
    text += i % 7 ? "中国 " : "word\n";
    for (int n = i % 5000 + 1; n; n /= 26)
      text += char('a' + n % 26); // 5,000 more unique words
    text += ' ';
  }
  auto doc = open(dir / "long.txt", text);
  EXPECT_FALSE(doc->processor()->processingStarted()); // the set of documents starts it
  WordHash known(4);
  known.add(Span("word"));
  std::vector<WordStatistics*> list;
  for (int run = 0; run < 4; ++run) {
    SCOPED_TRACE(run);
    doc->processor()->beginProcessing(true);
    const bool finished = qmtest::waitUntil(
        [&] {
          DocumentInfo const& info = doc->info(known);
          EXPECT_TRUE(info.totalWords == 0 || info.totalWords == 120000) << info.totalWords;
          doc->wordStatisticsList(list, WordStatisticsSort::FrequencyDescending);
          double sum = 0;
          for (auto* r : list)
            sum += r->percentageFrequency;
          EXPECT_TRUE(list.empty() || std::abs(sum - 100) < 1e-6) << sum;
          if (const WordStatistics* r = doc->statisticsForWord(Span("word"))) {
            EXPECT_EQ(r->frequency, 8572u);
          }
          return doc->processor()->finished();
        },
        std::chrono::minutes(1), std::chrono::microseconds(0));
    ASSERT_TRUE(finished);
    EXPECT_EQ(doc->info(known).knownWords, 8572u);
    doc->processor()->cancelProcessing();
  }
}

// A failed switch to another file leaves the document reading its old one; a successful one reads the new
// file under the old name.
TEST_F(DocumentTest, SetActualFilename) {
  EXPECT_ANY_THROW(Document((dir / "missing.txt").c_str(), Text("missing.txt"), master, levels, engine));
  auto doc = open(dir / "source.txt", "abc");
  doc->processor()->beginProcessing(true);
  EXPECT_ANY_THROW(doc->setActualFilename((dir / "nowhere" / "x.txt").c_str(), master));
  EXPECT_EQ(doc->actualFilename(), (dir / "source.txt").c_str());
  EXPECT_EQ(doc->textDocument()->totalBytes(), 3u);
  waitFor(*doc);
  qmtest::writeFile(dir / "converted.txt", "converted text");
  doc->setActualFilename((dir / "converted.txt").c_str(), master);
  EXPECT_EQ(doc->actualFilename(), (dir / "converted.txt").c_str());
  EXPECT_EQ(doc->filename(), (dir / "source.txt").c_str());
  EXPECT_EQ(doc->textDocument()->totalBytes(), 14u);
  EXPECT_FALSE(doc->processor()->processingStarted());
  doc->processor()->beginProcessing(false);
  EXPECT_EQ(doc->info(master).bytes, 14u);
}

// A temporary document's file goes with it, unless it was saved; a save that fails changes nothing.
TEST_F(DocumentTest, TemporaryFileLivesWithTheDocumentUntilSaved) {
  auto temporary = open(dir / "pasted.txt", "x");
  temporary->setTemporary(true);
  EXPECT_EQ(temporary->title(), "pasted.txt");
  temporary->processor()->beginProcessing(true); // destroyed while it may still run
  temporary.reset();
  EXPECT_FALSE(fs::exists(dir / "pasted.txt"));
  open(dir / "kept.txt", "y").reset();
  EXPECT_TRUE(fs::exists(dir / "kept.txt"));

  auto doc = open(dir / ".paste-1", "pasted text\n");
  doc->setTemporary(true);
  EXPECT_FALSE(doc->saveToFile(nullptr));
  EXPECT_FALSE(doc->saveToFile((dir / "no" / "such" / "folder.txt").c_str()));
  EXPECT_TRUE(doc->isTemporary());
  ASSERT_NE(doc->textDocument(), nullptr);
  EXPECT_EQ(doc->textDocument()->totalBytes(), 12u);
  const fs::path saved = dir / "saved.txt";
  ASSERT_TRUE(doc->saveToFile(saved.c_str()));
  EXPECT_FALSE(doc->isTemporary());
  EXPECT_FALSE(fs::exists(dir / ".paste-1"));
  EXPECT_EQ(doc->title(), saved.c_str());
  EXPECT_EQ(doc->actualFilename(), saved.c_str());
  EXPECT_EQ(doc->textDocument()->totalBytes(), 12u);
  doc.reset();
  EXPECT_EQ(qmtest::readFile(saved), "pasted text\n");
}
