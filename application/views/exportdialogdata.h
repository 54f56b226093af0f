// The export dialog's settings: the markup around a document export, and the filter, order, rows, header
// and columns of a word-list export. Kept in the "export-dialog" group of "data/config" by the stream
// operators below; the dialog edits a copy and hands it to ExportDialogDelegate::onExport.
#pragma once

#include "documents/wordstatisticssort.h"
#include "utils/text.h"

#include <cstdint>
#include <vector>

class PropertyGroup;

struct ExportDialogData {
  enum Filter : int32_t { None = 0, Include = 1, Exclude = 2 };
  enum ExportType : int32_t { Document = 0, WordList = 1 };
  // The longest markup or header text that the settings file gives back: a value holds 511 bytes, and the
  // texts are stored between brackets.
  static constexpr size_t MAX_TEXT = 509;

  Text preDocument, postDocument;
  Text preParagraph, postParagraph;
  Text preWord, postWord{" "};
  Text preCharacter, postCharacter;
  Text header;
  int32_t filter = Exclude; // against the current word list
  WordStatisticsSort::Type sortBy = WordStatisticsSort::FrequencyDescending;
  WordStatisticsSort::Type rowOrder = WordStatisticsSort::FrequencyDescending;
  int32_t exportFormat = 0; // always tab-separated
  int32_t exportType = Document;
  int32_t firstRow = 0;
  int32_t lastRow = -1; // -1: every row
  bool useHeader = false;
  bool markAsKnown = false;
  bool lookedUp = false;               // filter against the looked-up words instead (as filter 1)
  std::vector<int32_t> selectedFields; // ExportField numbers in column order, each at most once

  bool operator==(ExportDialogData const&) const = default;

  // text cut to MAX_TEXT bytes at a character boundary.
  static Text limitText(Span const& text);
  // The numbers of fields, in their order, that name an ExportField, each once.
  static std::vector<int32_t> validFields(std::vector<int32_t> const& fields);
  // The field numbers in text: every run of digits is one number; runs that overflow or name no field,
  // and repeats, are left out.
  static std::vector<int32_t> parseFields(const char* text);
};

// Keys absent from the group give the defaults above; ".version" 2 or below takes the filter from the old
// key "wordList".
PropertyGroup& operator>>(PropertyGroup& group, ExportDialogData& data);
// Writes ".version" 4 and every field; texts are written cut to MAX_TEXT bytes between brackets.
PropertyGroup& operator<<(PropertyGroup& group, ExportDialogData const& data);
