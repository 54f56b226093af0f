// A table of a document's words: one row per word, or per dictionary entry of a word when pinyin or
// definitions are exported, with the columns of ExportField in the caller's order, a separator between cells
// and a newline after each row. Main thread; the dictionary's items are walked by index, not by cursor.
#pragma once

#include "export/exporter.h"

#include <memory>
#include <vector>

class Dictionary;
class WordHash;
struct WordStatistics;

class WordListExporter : public Exporter {
public:
  // rows: the records to export, in order (they must stay valid during exportData). documentFile: the
  // document's UTF-8 file, read for the sentence and line columns.
  WordListExporter(std::vector<WordStatistics*>&& rows, std::vector<int> const& fields,
                   Dictionary const& dictionary, const char* documentFile);
  ~WordListExporter() override;
  WordListExporter(WordListExporter const&) = delete;
  WordListExporter& operator=(WordListExporter const&) = delete;

  // Defaults: "\t", "\r\n", and no header. Null gives an empty text.
  void setSeparator(const char* separator);
  void setNewline(const char* newline);
  void setHeader(const char* header);
  // While exporting, each exported word is added to known and removed from lookedUp (either may be null).
  void setKnownWords(WordHash* known, WordHash* lookedUp);

  // Writes the header line (when set) and the rows. False on a short write (the rest is not attempted), or
  // when the document cannot be read for the sentence or line columns (logged under "ERR").
  bool exportData(OutputStream& out) override;
  // used[f] becomes true for every listed field f in 0-16; used has ExportField::COUNT entries.
  virtual void prepareFields(bool* used) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
