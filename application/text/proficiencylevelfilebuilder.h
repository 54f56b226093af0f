// Reads the shipped HSK and TOCFL level lists ("wordlists/hsk-N.txt", "wordlists/tocfl-N.txt", found in the
// resources, then the base folder) into word sets, or concatenates them into a file, for scripts and the
// import dialog.
#pragma once

#include <cstddef>

class FileWriter;
class WordHash;

class ProficiencyLevelFileBuilder {
public:
  enum Type { HSK = 0, TOCFL = 1 };

  // Levels from..to, each copied to the writer when there is one, else added to words. Missing files are
  // skipped; the result is that of the last file found, false when none was found or from > to.
  static bool addLevels(Type type, size_t from, size_t to, FileWriter* writer, WordHash* words);
  // Writes the levels into a new or emptied file at path; false when nothing could be written.
  static bool create(Type type, const char* path, size_t level);
  static bool create(Type type, const char* path, size_t from, size_t to);
  // Empties words, then adds the levels.
  static bool createWordHash(Type type, WordHash& words, size_t level);
  static bool createWordHash(Type type, WordHash& words, size_t from, size_t to);
  static bool addToWordHash(Type type, WordHash& words, size_t level);
  // Appends the lines of the file at path, its last line ended and its byte-order mark left out (a mark of
  // our own starts an empty output whose first word begins with U+FEFF); false on any error.
  static bool writeFileToFile(FileWriter& writer, const char* path);
};
