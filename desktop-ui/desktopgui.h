// The desktop's GUI: the main window with the text container (the find bar, when shown, above the text view)
// beside the statistics pane over the word-list pane, the strip of open documents, the definition popup and
// the splash screen, all built when it is made; and the modal dialogs the controller runs, each over the
// main window. It outlives the Application. GUI thread only.
#pragma once

#include "desktop-ui/exportdialog.h"
#include "desktop-ui/importdialog.h"
#include "views/gui.h"

#include <QFont>

#include <functional>
#include <memory>
#include <optional>

class DefinitionWidget;
class FindDialogWidget;
class MainWindowWidget;
class SplashScreenWidget;
class StatisticsWidget;
class TextContainerWidget;
class TextViewWidget;
class WordListWidget;

class DesktopGUI : public GUI {
public:
  // The reader's choice of reading font starting at initial; nothing when cancelled.
  using FontChooser = std::function<std::optional<QFont>(QFont const& initial, QWidget* parent)>;

  // splashMs: how long the splash stays (the program's 2,000 ms; tests shorten it).
  explicit DesktopGUI(int splashMs = 2000);
  ~DesktopGUI() override;
  DesktopGUI(DesktopGUI const&) = delete;
  DesktopGUI& operator=(DesktopGUI const&) = delete;

  MainWindow& mainWindow() override;
  TextView& textView() override;
  WordListView& wordListView() override;
  StatisticsView& statisticsView() override;
  DefinitionView& definitionView() override;
  TabHeader& openFileTabs() override;
  TabHeader& wordListTabs() override;

  void showTabs(bool show) override;
  void showFindDialog(const char* text, FindDialogDelegate& delegate) override;
  void setLastSearch(const char* text) override;
  void mouseLocation(double& x, double& y) const override;
  bool isDarkMode() const override;
  void restoreState(PositionConfig const& position) override;
  void saveState(PositionConfig& position) override;

  SplashScreen& splashScreen() override;
  std::optional<std::vector<std::string>> runImportDialog() override;
  void runExportDialog(WordListManager& lists, DocumentStatistics const& statistics, WordHash const& lookedUp,
                       ExportDialogData const& data, ExportDialogDelegate& delegate,
                       ExportDestination::Type destination) override;
  void runManageWordListsDialog(ManageWordListsDelegate& controller) override;
  bool runRunScriptDialog(RunScriptDialogDelegate& controller) override;
  void runFeedbackDialog(const char* address) override;
  void runWelcomeDialog(std::function<void(std::vector<Span> const&)> const& importWords) override;
  // Sizes outside the reading-font range are brought into it.
  bool chooseFont(Text& name, double& size) override;

  // The file and font choosers the dialogs ask; Qt's own dialogs unless replaced (tests answer them).
  void setOpenFileChooser(ImportDialog::OpenFileChooser chooser);
  void setSaveFileChooser(ExportDialog::SaveFileChooser chooser);
  void setFontChooser(FontChooser chooser);
  static FontChooser fontDialogChooser();

  // The widgets, for the shell and tests.
  MainWindowWidget& window() const;
  TextContainerWidget& textContainer() const;
  TextViewWidget& textViewWidget() const;
  FindDialogWidget& findBar() const;
  DefinitionWidget& definitionWidget() const;
  StatisticsWidget& statisticsWidget() const;
  WordListWidget& wordListWidget() const;
  SplashScreenWidget& splash() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
