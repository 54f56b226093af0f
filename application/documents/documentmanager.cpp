// Conversion jobs are recorded per document while they run; a job that comes back is matched by its own
// record, so a job of a document closed meanwhile (cancelled, and never delivered) can reach nothing. A
// conversion that fails, or whose copy can't be opened, closes its document without asking: there is
// nothing the reader could keep.
#include "documents/documentmanager.h"

#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "encoding/encodingdetector.h"
#include "text/oldwordlistmanager.h"
#include "utils/atomicfilesaver.h"
#include "utils/exception.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/saveguard.h"

#include <algorithm>
#include <map>

struct DocumentManager::Impl : FileConverter::Listener {
  Impl(WordHash const& master, ProficiencyLevelHash const& levels) : master(master), levels(levels) {}

  void finished(FileConverter::Status status, std::unique_ptr<FileConverter::Info> info) override;
  void startConversion(Document& document, EncodingDetector::Encoding encoding);
  void cancelConversion(Document* document);
  void close(Document* document);
  size_t indexOf(Document const* document) const;

  DocumentManager* owner = nullptr;
  WordHash const& master;
  ProficiencyLevelHash const& levels;
  Delegate* delegate = nullptr;
  std::vector<std::unique_ptr<Document>> documents; // in opening order
  Document* current = nullptr;
  RecentFiles recent;
  SaveGuard recentFile; // "data/recent": unreadable at load, it is not saved over
  std::map<Document*, FileConverter::Info*> pending; // jobs under way; each owned by its worker
  std::unique_ptr<EncodingDetector> detector;        // read on first use: it loads a character list
};

namespace {
Text recentPath() {
  return FileSystem::instance().userPath("data/recent");
}
} // namespace

DocumentManager::DocumentManager()
    : DocumentManager(OldWordListManager::instance().privateMasterList(),
                      OldWordListManager::instance().privateProficiencyLevel()) {}

DocumentManager::DocumentManager(WordHash const& master, ProficiencyLevelHash const& levels)
    : impl(std::make_unique<Impl>(master, levels)) {
  impl->owner = this;
}

DocumentManager::~DocumentManager() {
  for (auto& [document, job] : impl->pending)
    job->setCancelled(true);
  impl->pending.clear();
  impl->current = nullptr;
  impl->documents.clear();
}

void DocumentManager::setDelegate(Delegate* delegate) {
  impl->delegate = delegate;
}

size_t DocumentManager::Impl::indexOf(Document const* document) const {
  const auto found = std::find_if(documents.begin(), documents.end(),
                                  [&](std::unique_ptr<Document> const& d) { return d.get() == document; });
  return size_t(found - documents.begin());
}

void DocumentManager::Impl::startConversion(Document& document, EncodingDetector::Encoding encoding) {
  document.setConverting(true);
  auto job = std::make_unique<FileConverter::Info>(uint64_t(reinterpret_cast<uintptr_t>(&document)), encoding,
                                                   this, document.filename());
  pending[&document] = job.get();
  // A worker that can't start hands the job back failed, through the queue, like any other.
  FileConverter::launch(std::move(job));
}

void DocumentManager::Impl::cancelConversion(Document* document) {
  const auto found = pending.find(document);
  if (found == pending.end()) return;
  found->second->setCancelled(true);
  pending.erase(found);
}

Document* DocumentManager::openDocument(const char* path, SegmentEngine const& engine, bool temporary) {
  Impl& d = *impl;
  auto document = std::make_unique<Document>(path, FileSystem::stripPath(path), d.master, d.levels, engine);
  if (!d.detector) d.detector = std::make_unique<EncodingDetector>();
  const EncodingDetector::Encoding encoding = d.detector->detect(path);
  if (encoding != EncodingDetector::Utf8 && encoding != EncodingDetector::Unknown) {
    d.startConversion(*document, encoding);
  } else {
    document->processor()->beginProcessing(true);
  }
  document->setTemporary(temporary);
  if (!temporary) {
    const uint64_t position = d.recent.addFile(path, 0);
    if (d.delegate && d.delegate->rememberFilePosition(*this)) document->state().position = position;
  }
  d.documents.push_back(std::move(document));
  Document* added = d.documents.back().get();
  if (d.delegate) d.delegate->documentAdded(*added);
  return added;
}

Document* DocumentManager::openDocumentAndMakeCurrent(const char* path, SegmentEngine const& engine,
                                                      bool temporary) {
  Document* document = openDocument(path, engine, temporary);
  setCurrentDocument(document);
  return document;
}

Document* DocumentManager::openRecentFileAndMakeCurrent(size_t i, SegmentEngine const& engine) {
  if (i >= impl->recent.totalFiles()) return nullptr;
  const Text path = impl->recent[i]; // a copy: opening reorders the list
  return openDocumentAndMakeCurrent(path.c_str(), engine, false);
}

void DocumentManager::setCurrentDocument(Document* document) {
  Impl& d = *impl;
  if (!d.delegate) return;
  if (d.current && d.current != document) d.delegate->currentDocumentState(d.current->state());
  d.current = document;
  d.delegate->currentDocumentChanged(document);
}

Document* DocumentManager::currentDocument() const {
  return impl->current;
}

std::vector<Document*> DocumentManager::openDocuments() const {
  std::vector<Document*> out;
  for (auto const& d : impl->documents)
    out.push_back(d.get());
  return out;
}

size_t DocumentManager::totalOpenDocuments() const {
  return impl->documents.size();
}

void DocumentManager::nextDocument() {
  auto const& documents = impl->documents;
  if (!impl->current) return;
  const size_t i = impl->indexOf(impl->current);
  setCurrentDocument(documents[(i + 1) % documents.size()].get());
}

void DocumentManager::prevDocument() {
  auto const& documents = impl->documents;
  if (!impl->current) return;
  const size_t i = impl->indexOf(impl->current);
  setCurrentDocument(documents[(i + documents.size() - 1) % documents.size()].get());
}

void DocumentManager::closeDocument(Document* document) {
  if (!document || !impl->delegate || !impl->delegate->okToCloseDocument(*document)) return;
  impl->close(document);
}

void DocumentManager::Impl::close(Document* document) {
  const size_t i = indexOf(document);
  if (i == documents.size()) return;
  cancelConversion(document);
  document->processor()->cancelProcessing();
  uint64_t position = document->state().position;
  if (document == current && delegate) {
    DocumentState shown;
    delegate->currentDocumentState(shown);
    position = shown.position;
  }
  recent.updateFilePosition(document->filename().c_str(), position);
  if (document == current) {
    Document* next =
        i + 1 < documents.size() ? documents[i + 1].get() : (i > 0 ? documents[i - 1].get() : nullptr);
    owner->setCurrentDocument(next);
    if (current == document) current = nullptr; // no delegate to tell
  }
  std::unique_ptr<Document> gone = std::move(documents[i]);
  documents.erase(documents.begin() + std::ptrdiff_t(i));
  if (delegate) delegate->documentRemoved(*gone);
}

bool DocumentManager::hasUnsavedDocuments() const {
  return std::any_of(impl->documents.begin(), impl->documents.end(),
                     [](std::unique_ptr<Document> const& d) { return d->isTemporary(); });
}

void DocumentManager::cancelDocumentProcessing() const {
  Impl& d = *impl;
  bool currentCancelled = false;
  for (auto const& document : d.documents) {
    DocumentProcessor* processor = document->processor();
    if (document->isConverting() || processor->finished()) continue;
    processor->cancelProcessing();
    if (document.get() == d.current) currentCancelled = true;
  }
  if (currentCancelled && d.delegate) d.delegate->currentDocumentChanged(d.current);
}

void DocumentManager::reloadOpenDocuments() {
  Impl& d = *impl;
  if (d.delegate && d.current) d.delegate->currentDocumentState(d.current->state());
  for (auto const& document : d.documents) {
    if (document->isConverting()) continue;
    document->processor()->cancelProcessing();
    document->processor()->beginProcessing(true);
  }
  if (d.delegate && d.current) d.delegate->currentDocumentChanged(d.current);
}

void DocumentManager::updateFilePositions() {
  Impl& d = *impl;
  if (!d.delegate) return;
  for (auto const& document : d.documents) {
    if (document.get() == d.current) d.delegate->currentDocumentState(document->state());
    d.recent.updateFilePosition(document->filename().c_str(), document->state().position);
  }
}

void DocumentManager::Impl::finished(FileConverter::Status status, std::unique_ptr<FileConverter::Info> job) {
  const auto found =
      std::find_if(pending.begin(), pending.end(), [&](auto const& p) { return p.second == job.get(); });
  if (found == pending.end()) return; // not ours any more
  Document* document = found->first;
  pending.erase(found);
  if (status == FileConverter::Converted) {
    try {
      document->setActualFilename(job->converted.c_str(), master);
      document->setConverting(false);
      Log::print("LOG", "File conversion complete for '%s'\n\tConverted file: '%s'\n", job->source.c_str(),
                 job->converted.c_str());
      document->processor()->beginProcessing(true);
      if (document == current) owner->setCurrentDocument(document);
      return;
    } catch (zun::exception const& e) {
      ZUN_LOG_CAUGHT("ERR", "Error opening the converted file", e);
      status = FileConverter::UnknownError;
    }
  }
  if (delegate) delegate->fileConversionFailed(status);
  close(document);
}

RecentFiles const& DocumentManager::recentFiles() const {
  return impl->recent;
}
void DocumentManager::addRecentFile(const char* path, uint64_t position) {
  impl->recent.addFile(path, position);
}
void DocumentManager::clearRecentFiles() {
  impl->recent.clear();
}

void DocumentManager::loadRecentFiles() {
  const Text path = recentPath();
  if (impl->recentFile.load(path.c_str(), "the recent files",
                            [&] { impl->recent.loadFromFile(path.c_str()); }) != SaveGuard::Read)
    impl->recent.clear();
}

bool DocumentManager::saveRecentFiles() const {
  if (!impl->recentFile.maySave()) return false;
  const Text target = recentPath();
  FileSystem::instance().privateEnsurePath(target.c_str());
  return AtomicFileSaver::save(target.c_str(),
                               [this](OutputStream& out) { impl->recent.saveToOutputStream(out); });
}
