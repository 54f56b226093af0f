// One block of the definition popup: a dictionary entry as it is shown, with the fonts of its headword and
// its other character form. Absent lines are empty texts. The entries of a word are built here, without Qt,
// from the dictionary's records and the popup's settings.
#pragma once

#include "dictionary/dictionary.h"
#include "utils/span.h"

#include <string>
#include <vector>

struct DefinitionConfig;

struct DefinitionEntry {
  static constexpr const char* NO_DEFINITION = "No definition.";

  std::string headword;
  std::string other; // "[ 中國 ]"
  std::string pinyin;
  std::string english;
  int headwordFont = 0; // DefinitionConfig::CharacterSet: which headword font draws it
  int otherFont = 1;

  bool operator==(DefinitionEntry const&) const = default;

  // Every entry of the word, in the dictionary's order; none without a dictionary. An entry that cannot be
  // read back is left out.
  static std::vector<Dictionary::Info> lookUp(Dictionary const* dictionary, Span const& word);
  // The blocks for the records: an entry that repeats the previous one's other form shows no headword, and
  // its pinyin only when it differs from the previous one's. No records give one "No definition." block.
  static std::vector<DefinitionEntry> build(Span const& word, std::vector<Dictionary::Info> const& records,
                                            DefinitionConfig const& config);
};
