// The object through which the desktop reaches the engine and the engine reports back: it owns the open
// documents, the segmentation, the word lists, the dictionary, the search and its history, the words looked
// up in this run, the settings and the colour scheme, wires the views of the GUI together and carries out
// every command of the main window, the views and the dialogs.
//
// Start-up: construct, then init(); a failed init leaves nothing of the user's to save, and the destructor
// then writes no file. Destruction saves what init loaded, the word-list changes first, each file on its own.
// No exception leaves a command: it is logged under "ERR" (with the command's box where it has one).
// Main thread only.
#pragma once

#include "utils/exception.h"
#include "utils/span.h"
#include "views/colourscheme.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class ApplicationDelegate;
class DocumentStatistics;
class GUI;
class OutputStream;
class WordHash;
struct ExportDialogData;
struct WordStatistics;

class ApplicationController {
public:
  // The shipped master word list could not be read: nothing can be segmented.
  ZUN_ERROR(missing_word_list);

  // How long start-up and the final save keep trying a word list that another running copy holds.
  static constexpr std::chrono::milliseconds LIST_LOCK_WAIT{3000};
  static constexpr const char* DEFAULT_DICTIONARY = "data/cedict_ts.u8";

  // Builds the engine's objects and the view controllers over gui, which must outlive the controller. Throws
  // the lock's error (FileLock::already_exists) when another running copy holds the current word list for
  // longer than LIST_LOCK_WAIT.
  explicit ApplicationController(GUI& gui);
  ~ApplicationController();
  ApplicationController(ApplicationController const&) = delete;
  ApplicationController& operator=(ApplicationController const&) = delete;

  // Loads the settings, the dictionary (dictionaryPath, or DEFAULT_DICTIONARY for null), the search history
  // and the recent files, and gives the views what they show. Throws CEDictionary::missing_dictionary, or
  // missing_word_list; the user's files are then left as they were.
  void init(const char* dictionaryPath);
  // Restores the window state, shows the main window, then the first-run welcome.
  void splashScreenClosed();
  void checkInitialRun();
  // Stores the window's full-screen state and cancels all document processing.
  void applicationWillTerminate();
  // Saves the user's state now, as destruction does, for an end that cannot wait for destruction; the
  // destructor then saves nothing more.
  void save();

  // Opens path as the current document; false (logged, no box) when it cannot be opened.
  bool openFile(const char* path);
  // Names the files that could not be opened in the "Error opening file" box (the first five, then how many
  // more); nothing for none.
  static void reportUnopened(std::vector<std::string> const& paths);
  // The desktop's appearance changed; in Auto mode the colours follow it.
  void systemColourSchemeChanged(ColourScheme::Mode mode);
  // Adds the non-empty words to the current list and stores the change; says how many were given.
  void importWordList(std::vector<Span> const& words);

  void markWordAsKnown(Span const& word);
  void markWordAsUnknown(Span const& word);
  void markAllAsKnown(std::vector<WordStatistics*> const& words);
  void markAllAsUnknown(std::vector<WordStatistics*> const& words);
  void markWordAsLookedUp(Span const& word);
  // The definition popup at the mouse, or at a point in Qt global logical pixels.
  void showDefinition(Span const& word);
  void showDefinition(Span const& word, double x, double y);

  // Writes the export of a document (documentFile: its UTF-8 file; statistics: its words) to out with the
  // given settings, which also become the controller's. False when something could not be written or read.
  bool exportDocument(const char* documentFile, OutputStream& out, DocumentStatistics const& statistics,
                      ExportDialogData const& data);

  // The receiver of the views' word commands, as the text view and the word-list view are given it.
  ApplicationDelegate& applicationDelegate();
  // The words looked up in this run.
  WordHash const& lookedUpWords() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
