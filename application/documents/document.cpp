#include "documents/document.h"

#include "documents/documentprocessor.h"
#include "documents/textdocument.h"
#include "text/oldwordlistmanager.h"
#include "utils/exception.h"
#include "utils/filesystem.h"
#include "utils/log.h"

struct Document::Impl {
  std::unique_ptr<DocumentProcessor> processor; // segments the actual file into the statistics base
  std::unique_ptr<TextDocument> text;           // reads the actual file for display
  DocumentState state;
  Text filename;       // as opened
  Text actualFilename; // as read
  Text title;
  bool temporary = false; // made from pasted text: the file goes with the document
  bool converting = false;
  void* listEntry = nullptr;
};

Document::Document(const char* path, Text title, WordHash const& master, ProficiencyLevelHash const& levels,
                   SegmentEngine const& engine)
    : DocumentStatistics(levels, engine), impl(std::make_unique<Impl>()) {
  impl->processor = std::make_unique<DocumentProcessor>(path, master, *this);
  impl->text = std::make_unique<TextDocument>(path);
  impl->filename = path;
  impl->actualFilename = path;
  impl->title = std::move(title);
}

Document::~Document() {
  impl->processor.reset(); // cancels and waits before the statistics base goes
  impl->text.reset();
  if (impl->temporary && !impl->filename.empty())
    FileSystem::instance().privateDeleteFile(impl->filename.c_str());
}

void Document::setActualFilename(const char* path, WordHash const& master) {
  auto processor = std::make_unique<DocumentProcessor>(path, master, *this);
  auto text = std::make_unique<TextDocument>(path);
  impl->actualFilename = path;
  impl->processor = std::move(processor); // the old processor cancels and waits as it goes
  impl->text = std::move(text);
}

Text const& Document::title() const {
  return impl->temporary ? impl->title : impl->filename;
}
bool Document::isTemporary() const {
  return impl->temporary;
}
void Document::setTemporary(bool temporary) {
  impl->temporary = temporary;
}
bool Document::isConverting() const {
  return impl->converting;
}
void Document::setConverting(bool converting) {
  impl->converting = converting;
}

// The file is moved while the processor and reader still hold it open (harmless here), so that a failed
// move leaves the document whole: dropping them first would leave a document that can only be closed, and
// closing a temporary document deletes the pasted text.
bool Document::saveToFile(const char* path) {
  if (!path) return false;
  try {
    if (!FileSystem::instance().privateMoveFile(impl->filename.c_str(), path)) return false;
    // The text lives at path now, whatever follows.
    impl->filename = path;
    impl->temporary = false;
    impl->title = FileSystem::stripPath(path);
    setActualFilename(path, OldWordListManager::instance().privateMasterList());
    return true;
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error saving document: ", e);
  } catch (std::exception const& e) {
    Log::print("ERR", "Error saving document to '%s': %s\n", path, e.what());
  }
  return false;
}

Text const& Document::filename() const {
  return impl->filename;
}
Text const& Document::actualFilename() const {
  return impl->actualFilename;
}
DocumentProcessor* Document::processor() const {
  return impl->processor.get();
}
TextDocument* Document::textDocument() const {
  return impl->text.get();
}
DocumentState& Document::state() {
  return impl->state;
}
void* Document::listEntry() const {
  return impl->listEntry;
}
void Document::setListEntry(void* entry) {
  impl->listEntry = entry;
}
