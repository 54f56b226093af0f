// One open document: the file it was opened from, the file actually read (a UTF-8 conversion or a saved
// copy may stand in), its title, the reader over its text, the processor that segments it, and, as its own
// base, the statistics the processor feeds. The set of open documents creates it, sets its flags and starts
// its processing. Main thread only; the processor's worker writes only into the statistics base.
#pragma once

#include "documents/documentstate.h"
#include "documents/documentstatistics.h"
#include "utils/text.h"

#include <memory>

class DocumentProcessor;
class TextDocument;

class Document : public DocumentStatistics {
public:
  // Opens path for processing and for reading; processing is not started. A file that cannot be opened
  // throws the file layer's error, leaving nothing behind. master, levels and engine must outlive it.
  Document(const char* path, Text title, WordHash const& master, ProficiencyLevelHash const& levels,
           SegmentEngine const& engine);
  // Cancels processing and waits for its worker; deletes the file of a temporary document.
  ~Document() override;
  Document(Document const&) = delete;
  Document& operator=(Document const&) = delete;

  // Reads path from now on (a conversion or a saved copy): builds a new processor and reader first, and
  // only then drops the old ones, so a failure (which throws) leaves the document reading its old file.
  // Processing of the new file is not started.
  void setActualFilename(const char* path, WordHash const& master);

  // The given title while temporary; otherwise the path as opened.
  Text const& title() const;
  bool isTemporary() const;
  void setTemporary(bool temporary);
  bool isConverting() const;
  void setConverting(bool converting);

  // Moves a temporary document's file to path, which becomes its filename, and reads it from there
  // (segmented against the program's master word list, processing not started), no longer temporary, titled
  // by the file name. False for a null path or any failure; a failed move changes nothing.
  bool saveToFile(const char* path);

  Text const& filename() const;
  Text const& actualFilename() const;
  DocumentProcessor* processor() const;
  TextDocument* textDocument() const;
  DocumentStatistics& statistics() { return *this; }
  DocumentState& state();
  // The set of documents' own record of this document; not used here.
  void* listEntry() const;
  void setListEntry(void* entry);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
