// Opening and closing documents, their tabs, showing the current one in the views, and pasting the clipboard
// as a new document. Every way of opening a file catches its errors and names the file in a box; a paste
// always ends, whatever happens to its worker.
#include "control/applicationcontrollerimpl.h"

#include "documents/documentprocessor.h"
#include "utils/filesystem.h"
#include "utils/textbuffer.h"
#include "views/clipboard.h"
#include "views/mainwindow.h"
#include "views/messagebox.h"
#include "views/statisticsview.h"
#include "views/tabheader.h"

namespace {

constexpr size_t REPORTED_FAILURES = 5;

// Hands a paste's completion to the controller only while it lives; each job reports exactly once, and this
// forwarder goes with it.
template <class Target> class PasteForwarder : public ClipboardPaster::Listener {
public:
  explicit PasteForwarder(std::weak_ptr<Target*> target) : target(std::move(target)) {}
  void onPasteComplete(ClipboardPaster::Status status, ClipboardPaster::Info const& info) override {
    const std::unique_ptr<PasteForwarder> self(this);
    if (const auto alive = target.lock(); alive && *alive) (*alive)->onPasteComplete(status, info);
  }

private:
  std::weak_ptr<Target*> target;
};

void showOk(const char* message, const char* information) {
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("%s", message);
  box.setInformation("%s", information);
  box.show();
}

} // namespace

void ApplicationController::Impl::showOpenError(const char* path) const {
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("Error opening file");
  box.setInformation("The following file could not be opened:\n\n\t%s", FileSystem::stripPath(path).c_str());
  box.show();
}

// One file: its errors are logged and told in a box that names it; null when it did not open.
Document* ApplicationController::Impl::openDocument(const char* path, bool temporary, bool makeCurrent) {
  try {
    return makeCurrent ? documents.openDocumentAndMakeCurrent(path, segmentEngine, temporary)
                       : documents.openDocument(path, segmentEngine, temporary);
  } catch (zun::exception const& e) {
    Log::print("ERR", "%s: Unable to open file: %s\n", e.name, path);
    showOpenError(path);
    return nullptr;
  }
}

void ApplicationController::Impl::openFiles(std::vector<std::string> const& paths) {
  Document* last = nullptr;
  std::vector<std::string> failed;
  for (std::string const& path : paths) {
    try {
      last = documents.openDocument(path.c_str(), segmentEngine, false);
    } catch (zun::exception const& e) {
      Log::print("ERR", "%s: Unable to open file: %s\n", e.name, path.c_str());
      failed.push_back(path);
    }
  }
  if (last) documents.setCurrentDocument(last);
  reportUnopened(failed);
}

void ApplicationController::reportUnopened(std::vector<std::string> const& paths) {
  if (paths.empty()) return;
  TextBuffer<4096> report;
  for (size_t i = 0; i < paths.size() && i < REPORTED_FAILURES; ++i)
    report.appendFormat("\t%s\n", FileSystem::stripPath(paths[i].c_str()).c_str());
  if (paths.size() > REPORTED_FAILURES)
    report.appendFormat("\t<%zu more...>", paths.size() - REPORTED_FAILURES);
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("Error opening file");
  box.setInformation("%s:\n\n%s", "The following files could not be opened", report.c_str());
  box.show();
}

bool ApplicationController::Impl::openFile(const char* path) {
  return guarded("Opening a file", false, [&] {
    try {
      return documents.openDocumentAndMakeCurrent(path, segmentEngine, false) != nullptr;
    } catch (zun::exception const& e) {
      Log::print("ERR", "ApplicationController::openFile\n\t%s: Unable to open file: %s\n", e.name, path);
      return false;
    }
  });
}

// The views show document (null, or one still converting: nothing).
void ApplicationController::Impl::showDocument(Document* document) {
  MainWindow& window = gui.mainWindow();
  if (!document || document->isConverting()) {
    shown = nullptr;
    statisticsModel.setStatistics(nullptr, nullptr);
    gui.statisticsView().setModel(nullptr);
    wordListView.setDocumentStatistics(nullptr);
    textView.setDocument(nullptr, nullptr, nullptr);
    search->setFilename(nullptr, 0);
    window.setDocumentActionsEnabled(false);
    window.setDocument();
    return;
  }
  gui.openFileTabs().select(document);
  textView.setDocument(document, document->textDocument(), &document->state());
  try {
    search->setFilename(document->actualFilename().c_str(), document->state().position);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Unable to search the document: ", e);
    showOpenError(document->filename().c_str());
  }
  shown = document;
  textView.setFocus();
  if (document->processor()->finished())
    window.stopLoadTimer();
  else
    window.startLoadTimer();
  const bool ready = document->ready();
  statisticsModel.setStatistics(ready ? document : nullptr, ready ? wordLists.get() : nullptr);
  gui.statisticsView().setModel(&statisticsModel);
  wordListView.setDocumentStatistics(document);
  window.setDocumentActionsEnabled(true);
  window.setDocument();
}

void ApplicationController::Impl::pasteFromClipboard() {
  if (pasteInProgress) return;
  if (!pasteAvailable()) {
    showOk("No text available", "There is no text available on the clipboard.\n");
    return;
  }
  TextBuffer<1024> name;
  name.format("%s/%s-%u", "clipboard", "Clipboard", unsigned(pasteCounter++));
  auto info = std::make_unique<ClipboardPaster::Info>();
  info->path = FileSystem::instance().userPath(name.c_str());
  FileSystem::instance().privateEnsurePath(info->path.c_str());
  info->listener = new PasteForwarder<Impl>(alive);
  pasteInProgress = true;
  try {
    ClipboardPaster::start(std::move(info));
  } catch (...) {
    pasteInProgress = false;
    throw;
  }
}

void ApplicationController::Impl::onPasteComplete(ClipboardPaster::Status status,
                                                  ClipboardPaster::Info const& info) {
  guarded("Opening the pasted text", [&] {
    pasteInProgress = false;
    if (status == ClipboardPaster::Done) {
      openDocument(info.path.c_str(), true, true);
      return;
    }
    const char* reason = status == ClipboardPaster::OutOfMemory       ? "Contents of clipboard too large."
                         : status == ClipboardPaster::ClipboardFailed ? "Unable to open the clipboard."
                         : status == ClipboardPaster::FileFailed      ? "Unable to create temporary file."
                                                                      : "Unable to copy clipboard contents.";
    showOk("Error copying from clipboard", reason);
  });
}

// Only a document the text view shows has its place there; one still being converted keeps the state it had.
void ApplicationController::Impl::currentDocumentState(DocumentState& state) const {
  if (Document* current = documents.currentDocument(); current && current != shown) {
    state = current->state();
    return;
  }
  textView.selection(state);
}

void ApplicationController::Impl::currentDocumentChanged(Document* document) {
  guarded("Showing the current document", [&] { showDocument(document); });
}

// A pasted document exists nowhere else: closing it loses its text, so the reader is asked.
bool ApplicationController::Impl::okToCloseDocument(Document& document) {
  if (!document.isTemporary()) return true;
  MessageBox box(2, MessageBox::Question);
  box.setMessage("Unsaved document.");
  box.setInformation(
      "'%s' holds text pasted from the clipboard that is not saved anywhere.\n\nAre you sure you "
      "wish to close it?",
      document.title().c_str());
  return box.show() == MessageBox::Yes;
}

bool ApplicationController::Impl::rememberFilePosition(DocumentManager&) const {
  return general.rememberFilePosition;
}

void ApplicationController::Impl::documentAdded(Document const& document) {
  auto item = std::make_unique<TabItem>();
  item->title = document.isTemporary() ? document.title() : FileSystem::stripPath(document.title().c_str());
  item->data = const_cast<Document*>(&document);
  TabHeader& header = gui.openFileTabs();
  header.addItem(item.get());
  tabs[&document] = std::move(item);
  header.select(&document);
  if (documents.totalOpenDocuments() >= 2) gui.showTabs(true);
}

void ApplicationController::Impl::documentRemoved(Document const& document) {
  if (shown == &document) showDocument(nullptr);
  if (const auto it = tabs.find(&document); it != tabs.end()) {
    gui.openFileTabs().removeItem(it->second.get());
    tabs.erase(it);
  }
  if (Document* current = documents.currentDocument()) gui.openFileTabs().select(current);
  if (documents.totalOpenDocuments() <= 1) gui.showTabs(false);
}

void ApplicationController::Impl::fileConversionFailed(FileConverter::Status status) {
  const char* reason = status == FileConverter::OutOfMemory  ? "Unable to convert file: out of memory"
                       : status == FileConverter::NotWritten ? "Unable to write to temporary file"
                       : status == FileConverter::NoBytes    ? "Unable to convert file to UTF-8"
                                                             : "Unknown error converting file";
  showOk("File conversion error", reason);
}

void ApplicationController::Impl::tabChanged(TabHeader const&, TabItem const& item) {
  guarded("Changing tabs", [&] { documents.setCurrentDocument(static_cast<Document*>(item.data)); });
}

void ApplicationController::Impl::tabClose(TabHeader const&, TabItem const& item) {
  guarded("Closing a tab", [&] { documents.closeDocument(static_cast<Document*>(item.data)); });
}

void ApplicationController::Impl::onOpenFiles(MainWindow&, std::vector<std::string> const& paths) {
  guarded("Opening files", [&] { openFiles(paths); });
}

void ApplicationController::Impl::onFileOpenRecent(MainWindow&, unsigned long index) {
  guarded("Opening a recent file", [&] {
    RecentFiles::Info const* recent = documents.recentFiles().info(index);
    if (!recent) return;
    const Text path = recent->path; // opening reorders the list
    openDocument(path.c_str(), false, true);
  });
}

void ApplicationController::Impl::onFileOpenRecentClearList(MainWindow&) {
  guarded("Clearing the recent files", [&] { documents.clearRecentFiles(); });
}

void ApplicationController::Impl::onFileClose(MainWindow&, Document* document) {
  guarded("Closing a document",
          [&] { documents.closeDocument(document ? document : documents.currentDocument()); });
}

void ApplicationController::Impl::onPaste(MainWindow&, bool) {
  guarded("Pasting", [&] { pasteFromClipboard(); });
}

bool ApplicationController::Impl::pasteAvailable() const {
  return guarded("Reading the clipboard", false, [&] { return !pasteInProgress && Clipboard().hasText(); });
}

bool ApplicationController::Impl::canPaste(MainWindow&) const {
  return pasteAvailable();
}

bool ApplicationController::Impl::canCloseApplication(MainWindow&) const {
  return guarded("Asking to close", false, [&] {
    if (!documents.hasUnsavedDocuments()) return true;
    MessageBox box(2, MessageBox::Question);
    box.setMessage("Unsaved documents.");
    box.setInformation("You currently have unsaved documents open.\n\nAre you sure you wish to exit?");
    return box.show() == MessageBox::Yes;
  });
}

void ApplicationController::Impl::onLoadProgress(MainWindow&) {
  guarded("Following the processing", [&] {
    Document* document = documents.currentDocument();
    if (!document || document->isConverting() || !document->processor()->finished()) return;
    gui.mainWindow().stopLoadTimer();
    statisticsModel.setStatistics(document, wordLists.get());
    gui.statisticsView().setModel(&statisticsModel);
    wordListView.setDocumentStatistics(document);
    gui.mainWindow().setDocumentActionsEnabled(true);
  });
}

unsigned long ApplicationController::Impl::totalOpenDocuments(MainWindow&) const {
  return documents.totalOpenDocuments();
}

RecentFiles const& ApplicationController::Impl::recentFiles(MainWindow&) const {
  return documents.recentFiles();
}

bool ApplicationController::Impl::isCurrentDocumentReady(MainWindow&) const {
  Document* document = documents.currentDocument();
  return document && !document->isConverting() && document->processor()->finished();
}

Document* ApplicationController::Impl::currentDocument(MainWindow&) const {
  return documents.currentDocument();
}

void ApplicationController::Impl::setCurrentDocument(MainWindow&, Document* document) {
  guarded("Changing the current document", [&] { documents.setCurrentDocument(document); });
}

void ApplicationController::Impl::onNextTab(MainWindow&) {
  guarded("Next tab", [&] { documents.nextDocument(); });
}

void ApplicationController::Impl::onPrevTab(MainWindow&) {
  guarded("Previous tab", [&] { documents.prevDocument(); });
}
