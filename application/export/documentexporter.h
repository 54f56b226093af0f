// The document's text, segmented once more, with markup around the whole document, each line, each word
// and each character of a word. The segmentation runs inline, whatever the document's own processing state.
// Main thread.
#pragma once

#include "documents/documentprocessorlistener.h"
#include "export/exporter.h"

#include <memory>
#include <string>

class WordHash;

class DocumentExporter : public Exporter, public DocumentProcessorListener {
public:
  // documentPath: the document's UTF-8 file.
  explicit DocumentExporter(const char* documentPath);
  ~DocumentExporter() override;
  DocumentExporter(DocumentExporter const&) = delete;
  DocumentExporter& operator=(DocumentExporter const&) = delete;

  // Stores the eight markup texts, unescaping "\\\\", "\\n", "\\r" and "\\t"; a backslash before any other
  // character stays with it and one at the very end is dropped. Null gives an empty text.
  void configure(const char* documentPrefix, const char* documentSuffix, const char* linePrefix,
                 const char* lineSuffix, const char* wordPrefix, const char* wordSuffix,
                 const char* characterPrefix, const char* characterSuffix);
  // The word list to segment against (not owned); null means the master word list.
  void setWordHash(WordHash const* words);

  // Every byte of the text is written, a line's suffix before its CR LF or LF. False when a write came up
  // short or the document could not be read (logged under "ERR").
  bool exportData(OutputStream& out) override;

  void beginProcessing() override;
  void processToken(Token const& token, unsigned long offset) override;
  void processingFinished(float seconds, bool error, unsigned long maxLine, unsigned long bytes,
                          OpenSSL::SHA1 const& sha1) override;

  // The markup unescaping of configure().
  static std::string unescape(const char* markup);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
