// The open documents: opens a file as a Document (a legacy-encoded one converted to UTF-8 first), starts
// its segmentation on a worker, keeps the documents in opening order with one of them current, closes them,
// and keeps the recent-files list with each file's last position. Every change is reported to the delegate
// (the application controller). Main thread only; conversions come back through the main-thread queue.
#pragma once

#include "documents/documentstate.h"
#include "documents/recentfiles.h"
#include "encoding/fileconverter.h"

#include <memory>
#include <vector>

class Document;
class ProficiencyLevelHash;
class SegmentEngine;
class WordHash;

class DocumentManager {
public:
  class Delegate {
  public:
    virtual ~Delegate() = default;
    // Fill in the state (caret position, selection) of the document now shown.
    virtual void currentDocumentState(DocumentState& state) const = 0;
    // The current document changed, or must be shown again; may be null.
    virtual void currentDocumentChanged(Document* document) = 0;
    // Before a close the reader asked for; false keeps the document open.
    virtual bool okToCloseDocument(Document& document) = 0;
    // Whether a newly opened file goes back to its remembered position.
    virtual bool rememberFilePosition(DocumentManager& manager) const = 0;
    virtual void documentAdded(Document const& document) = 0;
    // After the document left the list, before it is destroyed.
    virtual void documentRemoved(Document const& document) = 0;
    // A conversion failed; its document is then closed without asking.
    virtual void fileConversionFailed(FileConverter::Status status) = 0;
  };

  // Over the program's master word list and levels.
  DocumentManager();
  // Over the given ones, which must outlive the manager.
  DocumentManager(WordHash const& master, ProficiencyLevelHash const& levels);
  // Cancels every pending conversion, then destroys the documents in order without asking the delegate.
  ~DocumentManager();
  DocumentManager(DocumentManager const&) = delete;
  DocumentManager& operator=(DocumentManager const&) = delete;

  // Not owned; set it before opening documents. Null stops all reports.
  void setDelegate(Delegate* delegate);

  // Opens path (converting or processing it), adds it to the recent files unless temporary, and appends it
  // to the list; it is not made current. A file that can't be opened throws the file layer's error and
  // nothing is added. engine must outlive the document.
  Document* openDocument(const char* path, SegmentEngine const& engine, bool temporary);
  Document* openDocumentAndMakeCurrent(const char* path, SegmentEngine const& engine, bool temporary);
  // Recent file i, when there is one; otherwise nothing (null).
  Document* openRecentFileAndMakeCurrent(size_t i, SegmentEngine const& engine);

  // Without a delegate nothing happens. The outgoing document keeps the state the delegate gives for it;
  // the delegate hears of the new one (also when it was current already).
  void setCurrentDocument(Document* document);
  Document* currentDocument() const;
  std::vector<Document*> openDocuments() const;
  size_t totalOpenDocuments() const;
  // The next (previous) document becomes current, wrapping around; nothing without a current document.
  void nextDocument();
  void prevDocument();

  // Asks the delegate, then cancels the document's conversion and processing, remembers its position in
  // the recent files, makes the next (or else the previous) document current, and destroys it.
  void closeDocument(Document* document);
  bool hasUnsavedDocuments() const;
  // Cancels processing that is under way (not conversions); shows the current document again when it was
  // among them.
  void cancelDocumentProcessing() const;
  // Processes every document that is not converting again (the master word list changed).
  void reloadOpenDocuments();
  // Stores every open document's position in the recent files (before they are saved).
  void updateFilePositions();

  RecentFiles const& recentFiles() const;
  void addRecentFile(const char* path, uint64_t position);
  void clearRecentFiles();
  // "data/recent" in the user folder; any error leaves the list empty (a file that exists but cannot be read
  // is logged under "WARN").
  void loadRecentFiles();
  // Saves "data/recent" through a temporary file; on failure logs under "ERR", keeps the old file and
  // returns false. A file that could not be read at the last load is kept as it is (false, logged under
  // "WARN"): it may hold more than this run knows.
  bool saveRecentFiles() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
