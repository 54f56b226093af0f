// Turns a document's token stream into per-word records and totals, double-buffered: a run fills the back
// buffer on the processing thread while readers keep the front buffer of the previous run; the finished run
// swaps them under the statistics lock. Record pointers handed out stay valid until the run after the next
// one begins, so readers on the main thread refresh their lists whenever a run finishes.
//
// Readers (the getters, wordStatisticsList, info, statisticsForWord) may run on any one thread while a run
// proceeds on another.
#pragma once

#include "documents/documentinfo.h"
#include "documents/documentprocessorlistener.h"
#include "documents/wordstatisticssort.h"

#include <memory>
#include <vector>

class ProficiencyLevelHash;
class SegmentEngine;
class WordHash;

class DocumentStatistics : public DocumentProcessorListener {
public:
  enum FilterType { AllWords = 0, KnownWords = 1, UnknownWords = 2 };

  // Both are read while runs proceed and must outlive the statistics.
  DocumentStatistics(ProficiencyLevelHash const& levels, SegmentEngine const& engine);
  ~DocumentStatistics() override;
  DocumentStatistics(DocumentStatistics const&) = delete;
  DocumentStatistics& operator=(DocumentStatistics const&) = delete;

  void beginProcessing() override;
  void processToken(Token const& token, unsigned long offset) override;
  void processingFinished(float seconds, bool error, unsigned long maxLine, unsigned long bytes,
                          OpenSSL::SHA1 const& sha1) override;

  // True once a run has finished; stays true while later runs proceed.
  bool ready() const;
  uint64_t totalWords() const;

  // The front records that pass the filter (known words judged by known; without it every record passes),
  // sorted in the given order. Empty until ready.
  void wordStatisticsList(std::vector<WordStatistics*>& out, WordStatisticsSort::Type type,
                          FilterType filter = AllWords, WordHash const* known = nullptr) const;
  // The summary against the known words: recomputed after each run and whenever the set passed is another
  // one or has changed since, else the stored one. All zeros until ready. The reference stays valid for the
  // statistics' life; its contents change with the next call.
  DocumentInfo const& info(WordHash const& known) const;
  // The front record of a word, or null (also before ready).
  WordStatistics const* statisticsForWord(Span const& word) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
