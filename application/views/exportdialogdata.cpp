#include "views/exportdialogdata.h"

#include "export/exportfield.h"
#include "utils/propertygroup.h"

#include <algorithm>
#include <string>
#include <strings.h>

namespace {

constexpr int VERSION = 4;

const char* const FILTER_WORDS[] = {"none", "include", "exclude"};
const char* const LOOKED_UP = "looked-up";
const char* const SORT_WORDS[WordStatisticsSort::TYPE_COUNT] = {
    "frequencyAscending",  "frequencyDescending",  "firstOccurrenceAscending", "firstOccurrenceDescending",
    "wordAscending",       "wordDescending",       "hskLevelAscending",        "hskLevelDescending",
    "tocflLevelAscending", "tocflLevelDescending", "wordLengthAscending",      "wordLengthDescending"};

struct TextKey {
  const char* key;
  Text ExportDialogData::*field;
};
const TextKey TEXT_KEYS[] = {
    {"preDocument", &ExportDialogData::preDocument},
    {"postDocument", &ExportDialogData::postDocument},
    {"preParagraph", &ExportDialogData::preParagraph},
    {"postParagraph", &ExportDialogData::postParagraph},
    {"preWord", &ExportDialogData::preWord},
    {"postWord", &ExportDialogData::postWord},
    {"preCharacter", &ExportDialogData::preCharacter},
    {"postCharacter", &ExportDialogData::postCharacter},
    {"header", &ExportDialogData::header},
};

bool same(const char* a, const char* b) {
  return a && b && strcasecmp(a, b) == 0;
}

// Brackets keep blanks at either end and a leading "#" or "=" in the file; a value without both is taken
// as it stands.
Text unbracketed(const char* value) {
  const std::string_view v(value);
  if (v.size() > 1 && v.front() == '[' && v.back() == ']') return Text(v.data() + 1, v.size() - 2);
  return Text(value);
}

WordStatisticsSort::Type sortType(const char* word) {
  for (int i = 0; i < WordStatisticsSort::TYPE_COUNT; ++i)
    if (same(word, SORT_WORDS[i])) return WordStatisticsSort::Type(i);
  return WordStatisticsSort::FrequencyAscending;
}

const char* sortWord(WordStatisticsSort::Type type) {
  return type >= 0 && type < WordStatisticsSort::TYPE_COUNT ? SORT_WORDS[type] : SORT_WORDS[0];
}

void readFilter(PropertyGroup const& group, ExportDialogData& data) {
  data.lookedUp = false;
  if (group.valueAsInt(".version", VERSION) <= 2) {
    const char* old = group.valueAsString("wordList", nullptr);
    const char* const OLD_WORDS[] = {"all", "known", "unknown"};
    for (int i = 0; i < 3; ++i)
      if (same(old, OLD_WORDS[i])) data.filter = i;
    return;
  }
  const char* word = group.valueAsString("filter", FILTER_WORDS[ExportDialogData::Exclude]);
  if (same(word, LOOKED_UP)) {
    data.lookedUp = true;
    return;
  }
  data.filter = ExportDialogData::None;
  for (int i = 0; i < 3; ++i)
    if (same(word, FILTER_WORDS[i])) data.filter = i;
}

} // namespace

Text ExportDialogData::limitText(Span const& text) {
  char cut[MAX_TEXT + 1];
  text.copyTo(cut, sizeof cut);
  return Text(cut);
}

std::vector<int32_t> ExportDialogData::validFields(std::vector<int32_t> const& fields) {
  std::vector<int32_t> out;
  for (int32_t f : fields)
    if (f >= 0 && f < ExportField::COUNT && std::find(out.begin(), out.end(), f) == out.end())
      out.push_back(f);
  return out;
}

std::vector<int32_t> ExportDialogData::parseFields(const char* text) {
  std::vector<int32_t> out;
  for (const char* p = text; p && *p;) {
    if (*p < '0' || *p > '9') {
      ++p;
      continue;
    }
    // Digits beyond what a field number needs only make the number too large; it is dropped, not wrapped.
    int64_t n = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
      n = std::min<int64_t>(n * 10 + (*p - '0'), ExportField::COUNT);
    out.push_back(int32_t(n));
  }
  return validFields(out);
}

PropertyGroup& operator>>(PropertyGroup& group, ExportDialogData& data) {
  const ExportDialogData defaults;
  for (TextKey const& t : TEXT_KEYS) {
    const char* value = group.valueAsString(t.key, nullptr);
    data.*t.field = value ? unbracketed(value) : defaults.*t.field;
  }
  readFilter(group, data);
  data.sortBy = sortType(group.valueAsString("sortBy", SORT_WORDS[defaults.sortBy]));
  data.rowOrder = sortType(group.valueAsString("rowOrder", SORT_WORDS[defaults.rowOrder]));
  data.exportFormat = 0;
  data.exportType = same(group.valueAsString("exportType", "document"), "wordList")
                        ? ExportDialogData::WordList
                        : ExportDialogData::Document;
  data.firstRow = group.valueAsInt("firstRow", defaults.firstRow);
  data.lastRow = group.valueAsInt("lastRow", defaults.lastRow);
  data.useHeader = group.valueAsBool("useHeader", defaults.useHeader);
  data.markAsKnown = group.valueAsBool("markAsKnown", defaults.markAsKnown);
  data.selectedFields = ExportDialogData::parseFields(group.valueAsString("selectedFields", ""));
  return group;
}

PropertyGroup& operator<<(PropertyGroup& group, ExportDialogData const& data) {
  group.setValue(".version", VERSION);
  for (TextKey const& t : TEXT_KEYS)
    group.setValue(t.key,
                   ("[" + std::string(ExportDialogData::limitText(data.*t.field).view()) + "]").c_str());
  const bool knownFilter = data.filter >= 0 && data.filter < 3;
  group.setValue("filter", data.lookedUp ? LOOKED_UP : FILTER_WORDS[knownFilter ? data.filter : 0]);
  group.setValue("sortBy", sortWord(data.sortBy));
  group.setValue("rowOrder", sortWord(data.rowOrder));
  group.setValue("exportFormat", "tabSeparated");
  group.setValue("exportType", data.exportType == ExportDialogData::WordList ? "wordList" : "document");
  group.setValue("firstRow", int(data.firstRow));
  group.setValue("lastRow", int(data.lastRow));
  group.setValue("useHeader", data.useHeader);
  group.setValue("markAsKnown", data.markAsKnown);
  std::string fields;
  for (int32_t f : ExportDialogData::validFields(data.selectedFields))
    fields += (fields.empty() ? "" : " ") + std::to_string(f);
  group.setValue("selectedFields", fields.c_str());
  return group;
}
