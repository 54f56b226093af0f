// The application controller's handle on the desktop: the views of the main window, the document tabs, the
// find bar, the window state kept in the "position" settings, and the modal dialogs that commands run. The
// desktop implements it over its Qt widgets (and builds its layout when it is made); tests implement it with
// recording fakes. It outlives the controller. Main thread only; points are Qt global logical pixels.
#pragma once

#include "utils/span.h"
#include "utils/text.h"
#include "views/exportdestination.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class DefinitionView;
class DocumentStatistics;
class ExportDialogDelegate;
class FindDialogDelegate;
class MainWindow;
class ManageWordListsDelegate;
class RunScriptDialogDelegate;
class SplashScreen;
class StatisticsView;
class TabHeader;
class TextView;
class WordHash;
class WordListManager;
class WordListView;
struct ExportDialogData;
struct PositionConfig;

class GUI {
public:
  virtual ~GUI() = default;

  virtual MainWindow& mainWindow() = 0;
  virtual TextView& textView() = 0;
  virtual WordListView& wordListView() = 0;
  virtual StatisticsView& statisticsView() = 0;
  virtual DefinitionView& definitionView() = 0;
  // The strip of open documents across the top of the window.
  virtual TabHeader& openFileTabs() = 0;
  // The word-list pane's "All", "Known" and "Unknown" strip.
  virtual TabHeader& wordListTabs() = 0;

  // Shows or hides the strip of open documents.
  virtual void showTabs(bool show) = 0;
  // Puts text (UTF-8; null: empty) into the find bar, shows the bar above the text with delegate and gives
  // its field the focus.
  virtual void showFindDialog(const char* text, FindDialogDelegate& delegate) = 0;
  // Puts text (null: empty) into the find bar's field.
  virtual void setLastSearch(const char* text) = 0;
  // The mouse pointer in Qt global logical pixels (top-left origin).
  virtual void mouseLocation(double& x, double& y) const = 0;
  // The desktop's appearance: dark when the palette's window colour is darker than its text.
  virtual bool isDarkMode() const = 0;
  // Applies the stored window state (full screen) to the main window, and stores it back.
  virtual void restoreState(PositionConfig const& position) = 0;
  virtual void saveState(PositionConfig& position) = 0;

  // The splash screen shown while the program starts (it closes itself after its delay).
  virtual SplashScreen& splashScreen() = 0;
  // The import dialog, modally: its words when it ended with Import, nothing otherwise.
  virtual std::optional<std::vector<std::string>> runImportDialog() = 0;
  // The export dialog over the current document, modally. It edits a copy of data and hands the result to
  // delegate (once, when the reader exports); every reference outlives the call.
  virtual void runExportDialog(WordListManager& lists, DocumentStatistics const& statistics,
                               WordHash const& lookedUp, ExportDialogData const& data,
                               ExportDialogDelegate& delegate, ExportDestination::Type destination) = 0;
  // The manage-word-lists dialog over its controller, modally.
  virtual void runManageWordListsDialog(ManageWordListsDelegate& controller) = 0;
  // The run-script window over its controller, modally; returns the state its "copy output to clipboard" box
  // had when it closed.
  virtual bool runRunScriptDialog(RunScriptDialogDelegate& controller) = 0;
  // The feedback dialog, posting to address, modally.
  virtual void runFeedbackDialog(const char* address) = 0;
  // The first-run welcome dialog, modally. Its import button runs the import dialog and hands the words of an
  // import that ended with Import to importWords (valid during the call); the welcome dialog then stays open.
  virtual void runWelcomeDialog(std::function<void(std::vector<Span> const&)> const& importWords) = 0;
  // The font chooser, starting at name and size (points); true with the reader's choice in them, false
  // (both unchanged) when cancelled.
  virtual bool chooseFont(Text& name, double& size) = 0;
};
