// A few words with known levels and the statistics of small texts over them, for the panes' tests:
// 中国 (HSK 1), 人民 (HSK 2 and 4), 我们 (TOCFL 3), 的 (HSK 1, TOCFL 1). The standard text gives
// 中国 ×2, 人民, 我们, 的 and abc: 6 words, 5 unique.
#pragma once

#include "documents/documentstatistics.h"
#include "support/tempdir.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"

#include <memory>
#include <string>

namespace qmtest {

class WordFixture {
public:
  static const std::string TEXT; // "中国人民\n我们的中国。abc\n"

  WordFixture();

  // Statistics of text, processed before they are returned.
  std::unique_ptr<DocumentStatistics> statistics(std::string const& text = TEXT);

  TempDir dir;
  WordHash master;
  ProficiencyLevelHash levels;
  SegmentEngine engine;

private:
  int m_files = 0;
};

} // namespace qmtest
