#include "support/wordfixture.h"

#include "documents/documentprocessor.h"

namespace qmtest {

const std::string WordFixture::TEXT = "中国人民\n我们的中国。abc\n";

namespace {
void addLevel(ProficiencyLevelHash& levels, ProficiencyLevelHash::LevelType type, std::string const& words,
              unsigned short bit) {
  levels.addTextWithLevel(type, Utf8Range(words.data(), words.size()), bit);
}
} // namespace

WordFixture::WordFixture() : master(12, nullptr, true), engine(SegmentEngine::ChineseAndAlpha, master) {
  for (const char* word : {"中国", "人民", "我们", "的"})
    master.add(Span(word));
  addLevel(levels, ProficiencyLevelHash::HSK, "中国\n的\n", 1);
  addLevel(levels, ProficiencyLevelHash::HSK, "人民\n", 2);
  addLevel(levels, ProficiencyLevelHash::HSK, "人民\n", 8);
  addLevel(levels, ProficiencyLevelHash::TOCFL, "的\n", 1);
  addLevel(levels, ProficiencyLevelHash::TOCFL, "我们\n", 4);
}

std::unique_ptr<DocumentStatistics> WordFixture::statistics(std::string const& text) {
  auto statistics = std::make_unique<DocumentStatistics>(levels, engine);
  const auto path = dir / ("text" + std::to_string(m_files++) + ".txt");
  writeFile(path, text);
  DocumentProcessor(path.c_str(), master, *statistics).beginProcessing(false);
  return statistics;
}

} // namespace qmtest
