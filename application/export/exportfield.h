// The columns a word-list export can hold, in the export dialog's order; the values are stored in settings.
#pragma once

struct ExportField {
  enum Type : int {
    Word = 0,
    Simplified = 1,
    Traditional = 2,
    SimplifiedTraditional = 3,
    PinyinTones = 4,
    PinyinNumbers = 5,
    EnglishDefinition = 6,
    Sentence = 7,
    ClozeSentence = 8,
    Frequency = 9,
    PercentFrequency = 10,
    CumulativeFrequency = 11,
    FirstOccurrence = 12,
    HskLevel = 13,
    Line = 14,
    ClozeLine = 15,
    TocflLevel = 16,
  };
  static constexpr int COUNT = 17;

  // The column title ("Word", "Simplified", ...); "" for a value out of range.
  static const char* text(int field);
};
