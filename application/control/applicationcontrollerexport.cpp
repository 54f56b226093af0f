// The export commands: the export dialog over the current document, then the document itself with markup,
// or a table of its words, to a file, the clipboard or an e-mail link. A file export never harms what was
// there: it is written beside the target and renamed over it only once whole, and a file that is open as a
// document is refused.
#include "control/applicationcontrollerimpl.h"

#include "control/programlink.h"
#include "curlpp/curlpp.h"
#include "documents/wordstatisticssort.h"
#include "export/documentexporter.h"
#include "export/wordlistexporter.h"
#include "utils/atomicfilesaver.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/filewriter.h"
#include "views/clipboard.h"
#include "views/messagebox.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace {

constexpr size_t MAX_MAILTO_LINK = 240;
const char* const EMAIL_SUBJECT = "Quillmere - Wordlist Export";

// Where a file export goes. A regular file, or a new one, is written through a hidden file beside it that
// replaces it once complete; a device or pipe cannot be replaced and is written directly. A link is followed,
// so that the link itself stays.
class ExportTarget {
public:
  explicit ExportTarget(const char* path) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (error || resolved.empty()) resolved = path;
    struct stat st {};
    if (::stat(resolved.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      writer = std::make_unique<FileWriter>(resolved.c_str(), FileWriter::Append);
      return;
    }
    saver = std::make_unique<AtomicFileSaver>("export", resolved.c_str());
    writer = std::make_unique<FileWriter>(saver->path(), FileWriter::Exclusive);
  }
  OutputStream& out() { return *writer; }
  // Whether every byte reached the target.
  bool commit(bool complete) {
    const bool closed = writer->close();
    if (!saver) return complete && closed;
    if (complete && closed) return saver->commit();
    saver->abort();
    return false;
  }

private:
  std::unique_ptr<AtomicFileSaver> saver;
  std::unique_ptr<FileWriter> writer;
};

// where: "file", "the clipboard"; name: the file's or the document's.
void exportError(const char* where, const char* name, const char* reason = "") {
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("Error!");
  box.setInformation("Error exporting to %s:\n\n%s%s", where, name, reason);
  box.show();
}

bool sameFile(struct stat const& a, const char* path) {
  struct stat b {};
  return path && *path && ::stat(path, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

void ApplicationController::Impl::exportToDestination(ExportDestination::Type type) {
  Document* document = documents.currentDocument();
  if (!document) return;
  gui.runExportDialog(*wordLists, *document, lookedUpWords, exportSettings, *this, type);
}

void ApplicationController::Impl::onExport(ExportDialogData const& data, ExportDestination::Type type,
                                           const char* path) {
  guarded("Exporting", [&] {
    exportSettings = data;
    *config.group("export-dialog") << data;
    switch (type) {
    case ExportDestination::File:
      exportToFile(data, path);
      break;
    case ExportDestination::Clipboard:
      exportToClipboard(data);
      break;
    case ExportDestination::Email:
      exportToEmail(data);
      break;
    default:
      break;
    }
  });
}

bool ApplicationController::Impl::exportDocument(const char* documentFile, OutputStream& out,
                                                 DocumentStatistics const& statistics,
                                                 ExportDialogData const& data) {
  std::unique_ptr<Exporter> exporter;
  if (data.exportType == ExportDialogData::WordList) {
    WordHash const* list = data.lookedUp ? &lookedUpWords : &wordLists->current();
    const int filter = data.lookedUp ? DocumentStatistics::KnownWords : std::clamp(data.filter, 0, 2);
    std::vector<WordStatistics*> rows;
    statistics.wordStatisticsList(rows, data.sortBy, DocumentStatistics::FilterType(filter), list);
    const bool limited = data.lastRow >= 0;
    const size_t first = std::min(size_t(std::max(data.firstRow, 0)), rows.size());
    const size_t last = limited ? std::clamp(size_t(data.lastRow), first, rows.size()) : rows.size();
    rows.erase(rows.begin() + std::ptrdiff_t(last), rows.end());
    rows.erase(rows.begin(), rows.begin() + std::ptrdiff_t(first));
    if (limited && data.rowOrder != data.sortBy) WordStatisticsSort::sort(rows, data.rowOrder);
    const std::vector<int> fields(data.selectedFields.begin(), data.selectedFields.end());
    auto words = std::make_unique<WordListExporter>(std::move(rows), fields, *dictionary, documentFile);
    if (data.markAsKnown)
      words->setKnownWords(wordLists->currentListReadOnly() ? nullptr : &wordLists->current(),
                           &lookedUpWords);
    if (data.useHeader) words->setHeader(data.header.c_str());
    exporter = std::move(words);
  } else {
    auto document = std::make_unique<DocumentExporter>(documentFile);
    document->configure(data.preDocument.c_str(), data.postDocument.c_str(), data.preParagraph.c_str(),
                        data.postParagraph.c_str(), data.preWord.c_str(), data.postWord.c_str(),
                        data.preCharacter.c_str(), data.postCharacter.c_str());
    exporter = std::move(document);
  }
  exportSettings = data;
  *config.group("export-dialog") << data;
  const bool complete = exporter->exportData(out);
  refreshViews();
  return complete;
}

// Whether path is the file of an open document, as opened or as converted (the same file, by any name).
bool ApplicationController::Impl::isOpenDocumentFile(const char* path) const {
  struct stat target {};
  if (::stat(path, &target) != 0) return false;
  for (Document* document : documents.openDocuments())
    if (sameFile(target, document->filename().c_str()) ||
        sameFile(target, document->actualFilename().c_str()))
      return true;
  return false;
}

void ApplicationController::Impl::exportToFile(ExportDialogData const& data, const char* path) {
  Document* document = documents.currentDocument();
  if (!path || !*path || !document) return;
  if (isOpenDocumentFile(path)) {
    Log::print("ERR", "Not exporting over '%s': it is open as a document\n", path);
    return exportError("file", path, "\n\nThe file is open as a document.");
  }
  bool written = false;
  try {
    ExportTarget target(path);
    const bool complete = exportDocument(document->actualFilename().c_str(), target.out(), *document, data);
    written = target.commit(complete);
    if (!written) Log::print("ERR", "Error writing the export to '%s'\n", path);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error opening file: ", e);
  }
  if (!written) return exportError("file", path);
  checkToOpenFile(path);
}

void ApplicationController::Impl::checkToOpenFile(const char* path) {
  switch (general.openExportedFile) {
  case GeneralConfig::Never:
    return;
  case GeneralConfig::Always:
    break;
  default: {
    MessageBox box(2, MessageBox::Question);
    box.setMessage("Open file?");
    box.setInformation("Would you like to open the exported file?");
    if (box.show() != MessageBox::Yes) return;
  }
  }
  openDocument(path, false, true);
}

// The current document's export in memory; false, told in a box, when it could not be made whole.
bool ApplicationController::Impl::exportToOutputStream(MemoryOutputStream& out, ExportDialogData const& data,
                                                       const char* where) {
  Document* document = documents.currentDocument();
  if (!document) return false;
  if (exportDocument(document->actualFilename().c_str(), out, *document, data)) return true;
  exportError(where, document->filename().c_str());
  return false;
}

void ApplicationController::Impl::exportToClipboard(ExportDialogData const& data) {
  MemoryOutputStream out;
  if (exportToOutputStream(out, data, "the clipboard")) Clipboard().setText(Span(out.data(), out.size()));
}

// The desktop cannot say whether it has a mail program, so the reader is asked every time. A link with the
// export as its body; one too long for a mailto link carries only the subject, and the export goes to the
// clipboard instead.
void ApplicationController::Impl::exportToEmail(ExportDialogData const& data) {
  MessageBox question(2, MessageBox::Question);
  question.setMessage("No default e-mail application!");
  question.setInformation(
      "Unable to find a default e-mail application.\n\nWould you like to continue anyway?");
  if (question.show() != MessageBox::Yes) return;
  MemoryOutputStream out;
  if (!exportToOutputStream(out, data, "an e-mail")) return;
  const CurlPP::Curl curl;
  const Text body = curl.escape(Span(out.data(), out.size()));
  const Text subject = curl.escape(Span(EMAIL_SUBJECT));
  std::string link = "mailto:?to=&body=" + std::string(body.view()) + "&subject=" + subject.c_str();
  if (link.size() > MAX_MAILTO_LINK || (body.empty() && out.size() > 0)) {
    MessageBox box(2, MessageBox::Ok);
    box.setMessage("Email too large.");
    box.setInformation(
        "Email too large for mailto: link.\n\nThe contents have been copied to the clipboard.\n");
    box.show();
    Clipboard().setText(Span(out.data(), out.size()));
    link = std::string("mailto:?to=&subject=") + subject.c_str();
  }
  ProgramLink::openOrTell(link.c_str());
}
