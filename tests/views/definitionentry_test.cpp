#include "views/definitionentry.h"

#include "support/memorydictionary.h"
#include "views/definitionconfig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Entries = std::vector<DefinitionEntry>;
using qmtest::MemoryDictionary;
constexpr int S = DefinitionConfig::Simplified;
constexpr int T = DefinitionConfig::Traditional;

DefinitionEntry entry(std::string headword, std::string other, std::string pinyin, std::string english,
                      int headwordFont = S, int otherFont = T) {
  return DefinitionEntry{headword, other, pinyin, english, headwordFont, otherFont};
}

} // namespace

void PrintTo(DefinitionEntry const& e, std::ostream* out) {
  *out << "{" << e.headword << "|" << e.other << "|" << e.pinyin << "|" << e.english << "|" << e.headwordFont
       << e.otherFont << "}";
}

TEST(DefinitionEntryTest, EntriesAreGroupedAsTheDictionaryListsThem) {
  MemoryDictionary dictionary;
  dictionary.add({"中国", "中國", "Zhong1 guo2", "1. China"});
  dictionary.add({"人", "人", "ren2", "1. person"});
  dictionary.add({"人", "人", "ren2", "1. people"});
  dictionary.add({"人", "人", "ren2", "1. everybody"});
  dictionary.add({"了", "了", "le5", "1. (completed action)"});
  dictionary.add({"了", "瞭", "liao3", "1. to understand"});
  dictionary.add({"没", "沒", "mei2", "1. have not"});
  dictionary.add({"没", "沒", "mo4", "1. drowned"});
  dictionary.add({"坏", "壞", "huai4", "(gone)"});

  DefinitionConfig config;
  DefinitionConfig traditional;
  traditional.headwordCharacterSet = T;
  DefinitionConfig numbers;
  numbers.useToneMarks = false;
  const DefinitionEntry none = entry("", "", "", "No definition.");
  const struct {
    const char* word;
    DefinitionConfig const& config;
    Entries expected;
  } cases[] = {
      {"中国", config, {entry("中国", "[ 中國 ]", "Zhōng guó", "1. China")}},
      {"中國", config, {entry("中國", "[ 中国 ]", "Zhōng guó", "1. China", T, S)}},
      {"中国", numbers, {entry("中国", "[ 中國 ]", "Zhong1 guo2", "1. China")}},
      // The same forms three times: headword and pinyin once.
      {"人",
       traditional,
       {entry("人", "", "rén", "1. person", T, S), entry("", "", "", "1. people", T, S),
        entry("", "", "", "1. everybody", T, S)}},
      // Another other form starts a block of its own; the same forms with another pinyin show it.
      {"了",
       config,
       {entry("了", "", "le", "1. (completed action)", S, S),
        entry("了", "[ 瞭 ]", "liǎo", "1. to understand")}},
      {"没", config, {entry("没", "[ 沒 ]", "méi", "1. have not"), entry("", "", "mò", "1. drowned")}},
      {"坏", config, {none}}, // its only entry cannot be read back
      {"猫", config, {none}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(
        DefinitionEntry::build(Span(c.word), DefinitionEntry::lookUp(&dictionary, Span(c.word)), c.config),
        c.expected);
  }
  EXPECT_EQ(DefinitionEntry::build(Span("中国"), DefinitionEntry::lookUp(nullptr, Span("中国")), config),
            Entries{none});
}
