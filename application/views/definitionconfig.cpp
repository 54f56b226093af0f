#include "views/definitionconfig.h"

#include "utils/propertygroup.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int SIGNIFICANT_DIGITS = -2;
// By DefinitionConfig::CharacterSet.
const char* const CHARACTER_SETS[] = {"simplified", "traditional"};

int characterSet(const char* word) {
  return word && std::strcmp(word, CHARACTER_SETS[1]) == 0 ? DefinitionConfig::Traditional
                                                           : DefinitionConfig::Simplified;
}

// A size that is not a positive number would make no font: the default instead.
double size(PropertyGroup const& group, const char* key, double def) {
  const double value = group.valueAsDouble(key, def);
  return std::isfinite(value) && value > 0 ? value : def;
}

} // namespace

PropertyGroup& operator>>(PropertyGroup& group, DefinitionConfig& config) {
  const DefinitionConfig d;
  config.simplifiedFontName =
      group.valueAsString("headword.simplified.font.name", d.simplifiedFontName.c_str());
  config.simplifiedFontSize = size(group, "headword.simplified.font.size", d.simplifiedFontSize);
  config.traditionalFontName =
      group.valueAsString("headword.traditional.font.name", d.traditionalFontName.c_str());
  config.traditionalFontSize = size(group, "headword.traditional.font.size", d.traditionalFontSize);
  config.pinyinFontName = group.valueAsString("pinyin.font.name", d.pinyinFontName.c_str());
  config.pinyinFontSize = size(group, "pinyin.font.size", d.pinyinFontSize);
  config.useToneMarks = group.valueAsBool("pinyin.useToneMarks", d.useToneMarks);
  config.englishDefinitionFontName =
      group.valueAsString("englishDefinition.font.name", d.englishDefinitionFontName.c_str());
  config.englishDefinitionFontSize = size(group, "englishDefinition.font.size", d.englishDefinitionFontSize);
  config.customDefinitionsOnly = group.valueAsBool("customDefinitionsOnly", d.customDefinitionsOnly);
  config.headwordCharacterSet = characterSet(group.valueAsString("headword.defaultCharacterSet", nullptr));
  return group;
}

PropertyGroup& operator<<(PropertyGroup& group, DefinitionConfig const& config) {
  group.setValue(".version", DefinitionConfig::VERSION);
  group.setValue("headword.simplified.font.name", config.simplifiedFontName);
  group.setValue("headword.simplified.font.size", config.simplifiedFontSize, SIGNIFICANT_DIGITS);
  group.setValue("headword.traditional.font.name", config.traditionalFontName);
  group.setValue("headword.traditional.font.size", config.traditionalFontSize, SIGNIFICANT_DIGITS);
  group.setValue("pinyin.font.name", config.pinyinFontName);
  group.setValue("pinyin.font.size", config.pinyinFontSize, SIGNIFICANT_DIGITS);
  group.setValue("pinyin.useToneMarks", config.useToneMarks);
  group.setValue("englishDefinition.font.name", config.englishDefinitionFontName);
  group.setValue("englishDefinition.font.size", config.englishDefinitionFontSize, SIGNIFICANT_DIGITS);
  group.setValue("customDefinitionsOnly", config.customDefinitionsOnly);
  group.setValue("headword.defaultCharacterSet",
                 CHARACTER_SETS[config.headwordCharacterSet == DefinitionConfig::Traditional ? 1 : 0]);
  return group;
}
