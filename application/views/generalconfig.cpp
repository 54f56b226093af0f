#include "views/generalconfig.h"

#include "utils/propertygroup.h"

#include <cstring>

namespace {

constexpr int VERSION = 3;
// By GeneralConfig::OpenExportedFile.
const char* const OPEN_EXPORTED_FILE_WORDS[] = {"never", "always", "prompt"};

GeneralConfig::OpenExportedFile openExportedFile(const char* word) {
  for (int i = 0; word && i < 3; ++i)
    if (std::strcmp(word, OPEN_EXPORTED_FILE_WORDS[i]) == 0) return GeneralConfig::OpenExportedFile(i);
  return GeneralConfig::Prompt;
}

} // namespace

PropertyGroup& operator>>(PropertyGroup& group, GeneralConfig& config) {
  config.chineseOnly =
      group.valueAsBool("chineseOnly", true) ? SegmentEngine::ChineseOnly : SegmentEngine::ChineseAndAlpha;
  config.maxSearchHistory = uint64_t(int64_t(group.valueAsInt("maxSearchHistory", 20)));
  config.openExportedFile = openExportedFile(group.valueAsString("openExportedFile", nullptr));
  config.showWelcome = group.valueAsBool("showWelcome", true);
  config.rememberFilePosition = group.valueAsBool("rememberFilePosition", true);
  return group;
}

PropertyGroup& operator<<(PropertyGroup& group, GeneralConfig const& config) {
  const unsigned open = unsigned(config.openExportedFile);
  group.setValue(".version", VERSION);
  group.setValue("chineseOnly", config.chineseOnly == SegmentEngine::ChineseOnly);
  group.setValue("showWelcome", config.showWelcome);
  group.setValue("maxSearchHistory", static_cast<unsigned long>(config.maxSearchHistory));
  group.setValue("openExportedFile",
                 OPEN_EXPORTED_FILE_WORDS[open < 3 ? open : unsigned(GeneralConfig::Prompt)]);
  group.setValue("rememberFilePosition", config.rememberFilePosition);
  return group;
}
