// The widgets live in Qt's tree under the main window, except the find bar, which moves in and out of the
// text container and so is taken out before the window goes.
#include "desktop-ui/desktopgui.h"

#include "desktop-ui/darkmode.h"
#include "desktop-ui/definitionwidget.h"
#include "desktop-ui/feedbackdialog.h"
#include "desktop-ui/finddialogwidget.h"
#include "desktop-ui/fontutils.h"
#include "desktop-ui/mainwindowwidget.h"
#include "desktop-ui/managewordlistsdialog.h"
#include "desktop-ui/named.h"
#include "desktop-ui/runscriptdialogwidget.h"
#include "desktop-ui/splashscreenwidget.h"
#include "desktop-ui/statisticswidget.h"
#include "desktop-ui/textcontainerwidget.h"
#include "desktop-ui/textviewwidget.h"
#include "desktop-ui/welcomedialog.h"
#include "desktop-ui/wordlistwidget.h"
#include "views/appearanceconfig.h"
#include "views/finddialogdelegate.h"

#include <QCursor>
#include <QFontDialog>
#include <QLineEdit>

struct DesktopGUI::Impl {
  explicit Impl(int splashMs) : splash(splashMs) {}

  SplashScreenWidget splash;
  StatisticsWidget* statistics = named(new StatisticsWidget, "statistics");
  WordListWidget* wordList = named(new WordListWidget, "wordList");
  std::unique_ptr<MainWindowWidget> window = std::make_unique<MainWindowWidget>(statistics, wordList);
  TextContainerWidget* container = named(new TextContainerWidget, "textContainer");
  TextViewWidget* text = named(new TextViewWidget, "textView");
  std::unique_ptr<FindDialogWidget> findBar = std::make_unique<FindDialogWidget>();
  DefinitionWidget* definition = named(new DefinitionWidget(window.get()), "definition");
  ImportDialog::OpenFileChooser openChooser = ImportDialog::fileDialogChooser();
  ExportDialog::SaveFileChooser saveChooser = ExportDialog::fileDialogChooser();
  FontChooser fontChooser = fontDialogChooser();
};

DesktopGUI::DesktopGUI(int splashMs) : impl(std::make_unique<Impl>(splashMs)) {
  impl->findBar->setObjectName("findBar");
  impl->container->setTextView(impl->text);
  impl->window->setTextContainer(impl->container);
}

DesktopGUI::~DesktopGUI() {
  impl->container->setSearchView(nullptr);
}

MainWindow& DesktopGUI::mainWindow() {
  return *impl->window;
}

TextView& DesktopGUI::textView() {
  return *impl->text;
}

WordListView& DesktopGUI::wordListView() {
  return *impl->wordList;
}

StatisticsView& DesktopGUI::statisticsView() {
  return *impl->statistics;
}

DefinitionView& DesktopGUI::definitionView() {
  return *impl->definition;
}

TabHeader& DesktopGUI::openFileTabs() {
  return impl->window->openFileTabs();
}

TabHeader& DesktopGUI::wordListTabs() {
  return impl->wordList->tabHeader();
}

void DesktopGUI::showTabs(bool show) {
  impl->window->showTabs(show);
}

void DesktopGUI::showFindDialog(const char* text, FindDialogDelegate& delegate) {
  FindDialogWidget& bar = *impl->findBar;
  bar.setSearchText(text);
  bar.show(&delegate);
  impl->container->setSearchView(&bar);
  bar.searchField()->selectAll();
  bar.searchField()->setFocus(Qt::OtherFocusReason);
}

void DesktopGUI::setLastSearch(const char* text) {
  impl->findBar->setSearchText(text);
}

void DesktopGUI::mouseLocation(double& x, double& y) const {
  const QPoint at = QCursor::pos();
  x = at.x();
  y = at.y();
}

bool DesktopGUI::isDarkMode() const {
  return DarkMode::isDarkMode();
}

void DesktopGUI::restoreState(PositionConfig const& position) {
  impl->window->restoreState(position);
}

void DesktopGUI::saveState(PositionConfig& position) {
  impl->window->saveState(position);
}

SplashScreen& DesktopGUI::splashScreen() {
  return impl->splash;
}

std::optional<std::vector<std::string>> DesktopGUI::runImportDialog() {
  ImportDialog dialog(impl->window.get(), impl->openChooser);
  if (!dialog.run()) return std::nullopt;
  std::vector<std::string> words;
  words.reserve(dialog.words().size());
  for (Span const& word : dialog.words())
    words.emplace_back(word.view());
  return words;
}

void DesktopGUI::runExportDialog(WordListManager& lists, DocumentStatistics const& statistics,
                                 WordHash const& lookedUp, ExportDialogData const& data,
                                 ExportDialogDelegate& delegate, ExportDestination::Type destination) {
  ExportDialog dialog(impl->window.get(), lists, statistics, lookedUp, data, impl->saveChooser);
  dialog.run(delegate, destination);
}

void DesktopGUI::runManageWordListsDialog(ManageWordListsDelegate& controller) {
  ManageWordListsDialog dialog(impl->window.get());
  dialog.run(&controller);
}

bool DesktopGUI::runRunScriptDialog(RunScriptDialogDelegate& controller) {
  RunScriptDialogWidget dialog(controller, impl->window.get());
  dialog.run();
  return dialog.saveOutputToClipboard();
}

void DesktopGUI::runFeedbackDialog(const char* address) {
  FeedbackDialog dialog(impl->window.get(), address ? address : "");
  dialog.run();
}

void DesktopGUI::runWelcomeDialog(std::function<void(std::vector<Span> const&)> const& importWords) {
  WelcomeDialog dialog(impl->window.get(), impl->openChooser, importWords);
  dialog.run();
}

bool DesktopGUI::chooseFont(Text& name, double& size) {
  const QFont initial = FontUtils::font(name.c_str(), AppearanceConfig::clampFontSize(size));
  const std::optional<QFont> chosen = impl->fontChooser(initial, impl->window.get());
  if (!chosen) return false;
  name = Text(chosen->family().toUtf8().constData());
  size = AppearanceConfig::clampFontSize(chosen->pointSizeF());
  return true;
}

void DesktopGUI::setOpenFileChooser(ImportDialog::OpenFileChooser chooser) {
  impl->openChooser = std::move(chooser);
}

void DesktopGUI::setSaveFileChooser(ExportDialog::SaveFileChooser chooser) {
  impl->saveChooser = std::move(chooser);
}

void DesktopGUI::setFontChooser(FontChooser chooser) {
  impl->fontChooser = std::move(chooser);
}

DesktopGUI::FontChooser DesktopGUI::fontDialogChooser() {
  return [](QFont const& initial, QWidget* parent) -> std::optional<QFont> {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent, QObject::tr("Font"));
    if (!ok) return std::nullopt;
    return font;
  };
}

MainWindowWidget& DesktopGUI::window() const {
  return *impl->window;
}

TextContainerWidget& DesktopGUI::textContainer() const {
  return *impl->container;
}

TextViewWidget& DesktopGUI::textViewWidget() const {
  return *impl->text;
}

FindDialogWidget& DesktopGUI::findBar() const {
  return *impl->findBar;
}

DefinitionWidget& DesktopGUI::definitionWidget() const {
  return *impl->definition;
}

StatisticsWidget& DesktopGUI::statisticsWidget() const {
  return *impl->statistics;
}

WordListWidget& DesktopGUI::wordListWidget() const {
  return *impl->wordList;
}

SplashScreenWidget& DesktopGUI::splash() const {
  return impl->splash;
}
