// The statistics pane's figures: a document's summary against the current word list (DocumentInfo) as five
// groups of labelled rows — words and coverage by known words, HSK levels 1-6, TOCFL levels 1-5,
// characters, the file. Counts and percentages are formatted by Number in the user's locale. Neither the
// statistics nor the word lists are owned; the owner attaches them again (or null) before either goes.
// Main thread only.
#pragma once

#include "views/propertymodel.h"

#include <memory>

class DocumentStatistics;
class WordListManager;

class StatisticsModel : public PropertyModel {
public:
  static constexpr uint64_t GROUPS = 5;

  StatisticsModel();
  ~StatisticsModel() override;
  StatisticsModel(StatisticsModel const&) = delete;
  StatisticsModel& operator=(StatisticsModel const&) = delete;

  // Both null until the document's statistics are ready.
  void setStatistics(DocumentStatistics const* statistics, WordListManager const* lists);
  bool hasStatistics() const;

  // 5 with statistics, else 1 (the "Processing..." group).
  uint64_t groupCount() const override;
  // 10, 16, 14, 2, 5 for groups 0-4; 0 without statistics or past the last group.
  uint64_t rowCount(uint64_t group) const override;
  // "Processing..." without statistics or past the last group.
  const char* groupName(uint64_t group) const override;
  const char* rowName(uint64_t group, uint64_t row) const override;
  // "N/A" without statistics or word lists, or for a row the model does not have. Valid until the next
  // value() call.
  const char* value(uint64_t group, uint64_t row) const override;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
