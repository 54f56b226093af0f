#include "export/exportfield.h"

const char* ExportField::text(int field) {
  // The titles are shown and exported as they stand ("Occurence" included): stored headers rely on them.
  static const char* const titles[COUNT] = {
      "Word",
      "Simplified",
      "Traditional",
      "Simplified[Traditional]",
      "Pinyin (Tones)",
      "Pinyin (Numbers)",
      "English Definition",
      "Sentence",
      "Cloze Sentence",
      "Frequency",
      "% Frequency",
      "Cumulative Frequency",
      "First Occurence",
      "HSK Level",
      "Line",
      "Cloze Line",
      "TOCFL Level",
  };
  return field >= 0 && field < COUNT ? titles[field] : "";
}
