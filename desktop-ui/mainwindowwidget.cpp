#include "desktop-ui/mainwindowwidget.h"

#include "desktop-ui/darkmode.h"
#include "desktop-ui/filepanel.h"
#include "desktop-ui/mainmenubar.h"
#include "desktop-ui/named.h"
#include "desktop-ui/recentdocuments.h"
#include "desktop-ui/slotguard.h"
#include "desktop-ui/statisticswidget.h"
#include "desktop-ui/tabheaderwidget.h"
#include "desktop-ui/wordlistwidget.h"
#include "documents/document.h"
#include "views/mainwindowdelegate.h"
#include "views/tabheader.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <string>
#include <vector>

namespace {

const int LOAD_TICK_MS = 100;
const int WORD_LIST_WIDTH = 340; // the panes' column, at first

QByteArray decode(Text const& text) {
  auto bytes = QByteArray::fromBase64Encoding(QByteArray(text.c_str(), qsizetype(text.length())),
                                              QByteArray::AbortOnBase64DecodingErrors);
  return bytes ? *bytes : QByteArray();
}

Text encode(QByteArray const& bytes) {
  const QByteArray text = bytes.toBase64();
  return Text(text.constData(), size_t(text.size()));
}

// The local files a drag carries, in order, as the bytes that name them on disk.
std::vector<std::string> localFiles(QMimeData const* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (QUrl const& url : data->urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty())
      paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  return paths;
}

// A title shown as it is: Qt reads a lone "[*]" as the place of the modified mark.
QString literalTitle(QString title) {
  return title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

} // namespace

struct MainWindowWidget::Impl {
  MainWindowDelegate* delegate = nullptr; // not owned
  bool documentActions = false;
  bool dark = false; // the appearance last told to the observer
  AppearanceObserver* observer = nullptr;
  TabHeader tabs;
  TabHeaderWidget* strip = nullptr; // deleted before tabs
  QSplitter* textSplitter = nullptr;
  QSplitter* wordListSplitter = nullptr;
  QTimer loadTimer;
  std::unique_ptr<MainMenuBar> menus;
};

MainWindowWidget::MainWindowWidget(StatisticsWidget* statistics, WordListWidget* wordList, QWidget* parent)
    : QMainWindow(parent), impl(std::make_unique<Impl>()) {
  impl->menus = std::make_unique<MainMenuBar>(
      *this, *this, [this] { return impl->documentActions; },
      [this](MainMenu::Action action, unsigned index, const char* baseName) {
        run(action, index, baseName);
      });

  impl->wordListSplitter = named(new QSplitter(Qt::Vertical), "wordListSplitter");
  impl->wordListSplitter->addWidget(statistics);
  impl->wordListSplitter->addWidget(wordList);
  impl->wordListSplitter->setSizes({310, 390});
  impl->textSplitter = named(new QSplitter(Qt::Horizontal), "textSplitter");
  impl->textSplitter->addWidget(named(new QWidget, "textContainer"));
  impl->textSplitter->addWidget(impl->wordListSplitter);
  impl->textSplitter->setStretchFactor(0, 1);
  impl->textSplitter->setStretchFactor(1, 0);
  impl->strip = named(new TabHeaderWidget(impl->tabs), "openFileTabs");
  impl->strip->hide();

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(impl->strip);
  layout->addWidget(impl->textSplitter, 1);
  setCentralWidget(central);

  QRect frame(QPoint(), QSize(1200, 700));
  if (QScreen* s = screen()) {
    frame.setSize(frame.size().boundedTo(s->availableGeometry().size()));
    frame.moveCenter(s->availableGeometry().center());
  }
  setGeometry(frame);
  impl->textSplitter->setSizes({frame.width() - WORD_LIST_WIDTH, WORD_LIST_WIDTH});
  setAcceptDrops(true);

  impl->loadTimer.setInterval(LOAD_TICK_MS);
  connect(&impl->loadTimer, &QTimer::timeout, this, [this] {
    slotGuard("Error updating the load progress: ", [this] {
      if (impl->delegate) impl->delegate->onLoadProgress(*this);
    });
  });
  impl->dark = DarkMode::isDarkMode();
  qApp->installEventFilter(this);
}

MainWindowWidget::~MainWindowWidget() {
  qApp->removeEventFilter(this);
  delete impl->strip; // it detaches itself from tabs, which goes with impl
}

void MainWindowWidget::setDelegate(MainWindowDelegate* delegate) {
  impl->delegate = delegate;
}

MainWindowDelegate* MainWindowWidget::delegate() const {
  return impl->delegate;
}

void MainWindowWidget::show() {
  QMainWindow::show();
  raise();
  activateWindow();
}

void MainWindowWidget::startLoadTimer() {
  impl->loadTimer.start(); // a running timer starts again
}

void MainWindowWidget::stopLoadTimer() {
  impl->loadTimer.stop();
}

void MainWindowWidget::setFullScreen(bool fullScreen) {
  if (fullScreen != isFullScreen()) setWindowState(windowState() ^ Qt::WindowFullScreen);
}

bool MainWindowWidget::isFullScreen() const {
  return QMainWindow::isFullScreen();
}

void MainWindowWidget::setDocument() {
  Document* document = impl->delegate ? impl->delegate->currentDocument(*this) : nullptr;
  if (!document) {
    setWindowFilePath(QString());
    setWindowTitle(QString());
  } else if (document->title() == document->filename()) {
    const QString path = QFile::decodeName(document->filename().c_str());
    setWindowFilePath(path);
    setWindowTitle(literalTitle(QFileInfo(path).fileName()));
  } else {
    setWindowFilePath(QString());
    setWindowTitle(literalTitle(QString::fromUtf8(document->title().c_str())));
  }
}

void MainWindowWidget::setDocumentActionsEnabled(bool enabled) {
  impl->documentActions = enabled;
}

bool MainWindowWidget::documentActionsEnabled() const {
  return impl->documentActions;
}

void MainWindowWidget::onExit() {
  close();
}

TabHeader& MainWindowWidget::openFileTabs() {
  return impl->tabs;
}

void MainWindowWidget::showTabs(bool show) {
  impl->strip->setVisible(show);
}

void MainWindowWidget::restoreState(PositionConfig const& config) {
  restoreGeometry(decode(config.data));
  impl->textSplitter->restoreState(decode(config.textViewData));
  impl->wordListSplitter->restoreState(decode(config.wordListData));
  setFullScreen(config.fullScreen);
}

void MainWindowWidget::saveState(PositionConfig& config) const {
  config.data = encode(saveGeometry());
  config.textViewData = encode(impl->textSplitter->saveState());
  config.wordListData = encode(impl->wordListSplitter->saveState());
  config.fullScreen = isFullScreen();
}

bool MainWindowWidget::isDarkMode() const {
  return DarkMode::isDarkMode();
}

void MainWindowWidget::setTextContainer(QWidget* container) {
  if (!container || container == textContainer()) return;
  delete impl->textSplitter->replaceWidget(0, container);
}

QWidget* MainWindowWidget::textContainer() const {
  return impl->textSplitter->widget(0);
}

void MainWindowWidget::setAppearanceObserver(AppearanceObserver* observer) {
  impl->observer = observer;
}

MainMenuBar& MainWindowWidget::menus() const {
  return *impl->menus;
}

QSplitter* MainWindowWidget::textSplitter() const {
  return impl->textSplitter;
}

QSplitter* MainWindowWidget::wordListSplitter() const {
  return impl->wordListSplitter;
}

TabHeaderWidget* MainWindowWidget::tabStrip() const {
  return impl->strip;
}

void MainWindowWidget::closeEvent(QCloseEvent* event) {
  bool close = true;
  slotGuard("Error closing the main window: ", [&] {
    if (!impl->delegate) return;
    close = false; // a failing question keeps the window: nothing unsaved is lost
    if (!impl->delegate->canCloseApplication(*this)) return;
    close = true;
    impl->delegate->applicationWillClose(*this);
  });
  event->setAccepted(close);
}

// Also when the window manager leaves or enters full screen, the menu shows the window's state.
void MainWindowWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange && impl->menus)
    slotGuard("Error showing the window's state: ", [this] { impl->menus->showTick(MainMenu::FullScreen); });
  QMainWindow::changeEvent(event);
}

bool MainWindowWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
    slotGuard("Error following the desktop's appearance: ", [this] {
      const bool dark = DarkMode::isDarkMode();
      if (dark == impl->dark) return;
      impl->dark = dark;
      if (impl->observer) impl->observer->appearanceChanged(dark);
    });
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindowWidget::dragEnterEvent(QDragEnterEvent* event) {
  dragMoveEvent(event);
}

void MainWindowWidget::dragMoveEvent(QDragMoveEvent* event) {
  if ((event->possibleActions() & Qt::CopyAction) && !localFiles(event->mimeData()).empty()) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindowWidget::dropEvent(QDropEvent* event) {
  bool opened = false;
  slotGuard("Error opening dropped files: ", [&] {
    const std::vector<std::string> paths = localFiles(event->mimeData());
    if (paths.empty() || !impl->delegate) return;
    impl->delegate->onOpenFiles(*this, paths);
    opened = true;
  });
  if (opened) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindowWidget::run(MainMenu::Action action, unsigned index, const char* baseName) {
  slotGuard("Error running a menu command: ", [&] {
    if (action == MainMenu::Open)
      openPanel();
    else
      MainMenu::perform(action, *this, impl->documentActions, index, baseName);
  });
}

void MainWindowWidget::openPanel() {
  if (!impl->delegate) return;
  QPointer<MainWindowWidget> self(this);
  FilePanel::show(this, FilePanel::Kind::openFiles, tr("Open"), QString(), [self](QStringList const& chosen) {
    slotGuard("Error opening files: ", [&] {
      if (chosen.isEmpty() || !self || !self->impl->delegate) return;
      std::vector<std::string> paths;
      for (QString const& path : chosen) {
        paths.push_back(QFile::encodeName(path).toStdString());
        RecentDocuments::add(paths.back().c_str());
      }
      self->impl->delegate->onOpenFiles(*self, paths);
    });
  });
}
