// The whole program on a real display (run it under xvfb-run; without a display it is skipped), driven as a
// reader would: started with a GB18030 news text on its command line, the welcome closed, the document read
// and shown, a word marked known by a double click, the text paged down and up at a window height that cuts a
// line off at the bottom edge, a word searched with the find bar, the word list exported to a file, a second
// start of the program handing this one another file, the tabs stepped by their keys, a text of one 60 KB
// paragraph (as saved from a web page) paged to its end, the dark scheme chosen, the program quit.
// Screenshots of each stage go to $QM_SCREENSHOT_DIR (else the build's "screenshots" folder) and are checked
// for the word colours where the words are.
#include "desktop-ui/desktopgui.h"
#include "desktop-ui/exportdialog.h"
#include "desktop-ui/finddialogwidget.h"
#include "desktop-ui/mainmenubar.h"
#include "desktop-ui/mainwindowwidget.h"
#include "desktop-ui/shell.h"
#include "desktop-ui/statisticswidget.h"
#include "desktop-ui/tabheaderwidget.h"
#include "desktop-ui/textviewwidget.h"
#include "desktop-ui/welcomedialog.h"
#include "desktop-ui/wordlistwidget.h"
#include "support/qtspin.h"
#include "support/recode.h"
#include "support/shownwhole.h"
#include "support/tempdir.h"
#include "support/testenvironment.h"
#include "views/colourscheme.h"
#include "views/mainwindowdelegate.h"
#include "views/styleid.h"
#include "views/textviewdelegate.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCursor>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path shotsFolder() {
  const char* dir = std::getenv("QM_SCREENSHOT_DIR");
  return dir && *dir ? fs::path(dir) : fs::path(QM_E2E_SCREENSHOTS);
}

QColor qcolour(Colour const& c) {
  return QColor(c.r, c.g, c.b);
}

bool near(QColor const& a, QColor const& b) {
  return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
         std::abs(a.blue() - b.blue()) <= 3;
}

// The value beside the first row named name, depth first.
QString statistic(QAbstractItemModel const& model, QString const& name, QModelIndex const& parent = {}) {
  for (int r = 0; r < model.rowCount(parent); ++r) {
    const QModelIndex row = model.index(r, 0, parent);
    if (row.data().toString() == name) return model.index(r, 1, parent).data().toString();
    const QString below = statistic(model, name, row);
    if (!below.isNull()) return below;
  }
  return {};
}

// Presses a key with modifiers on the X server itself (XTEST), so that the program gets it as it gets the
// reader's, through the server's keyboard map: Ctrl+Shift+Tab arrives as Backtab with keycodes that a
// synthetic Qt event does not carry, and only such an event shows which shortcut X11 really matches. Without
// the XTEST library the same key goes as a Qt event to window; false then.
bool pressOnServer(QWidget& window, std::vector<unsigned long> const& keysyms, Qt::Key key,
                   Qt::KeyboardModifiers modifiers) {
  using OpenDisplay = void* (*)(const char*);
  using KeysymToKeycode = unsigned char (*)(void*, unsigned long);
  using FakeKeyEvent = int (*)(void*, unsigned, int, unsigned long);
  using Display = int (*)(void*);
  void* x11 = dlopen("libX11.so.6", RTLD_NOW);
  void* xtest = dlopen("libXtst.so.6", RTLD_NOW);
  const auto open = x11 ? reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay")) : nullptr;
  const auto keycode = x11 ? reinterpret_cast<KeysymToKeycode>(dlsym(x11, "XKeysymToKeycode")) : nullptr;
  const auto flush = x11 ? reinterpret_cast<Display>(dlsym(x11, "XFlush")) : nullptr;
  const auto close = x11 ? reinterpret_cast<Display>(dlsym(x11, "XCloseDisplay")) : nullptr;
  const auto fake = xtest ? reinterpret_cast<FakeKeyEvent>(dlsym(xtest, "XTestFakeKeyEvent")) : nullptr;
  void* display = open && keycode && flush && close && fake ? open(nullptr) : nullptr;
  if (!display) {
    QTest::keyClick(&window, key, modifiers);
    return false;
  }
  for (unsigned long keysym : keysyms)
    fake(display, keycode(display, keysym), 1, 0);
  for (auto k = keysyms.rbegin(); k != keysyms.rend(); ++k)
    fake(display, keycode(display, *k), 0, 0);
  flush(display);
  close(display);
  return true;
}

constexpr unsigned long XK_Tab = 0xff09, XK_Shift_L = 0xffe1, XK_Control_L = 0xffe3;

// The reader's session, one step at a time from a timer that also runs inside the modal dialogs' loops.
class Reader : public QObject {
public:
  struct Step {
    const char* name;
    std::function<bool()> ready;
    std::function<void()> act;
  };

  Reader(Shell& shell, fs::path exportFile) : shell(shell), exportFile(std::move(exportFile)) {
    gui().setSaveFileChooser([this](QWidget*) { return QString::fromStdString(this->exportFile.string()); });
    connect(&tick, &QTimer::timeout, this, [this] { advance(); });
    tick.start(50);
    stepStarted = Clock::now();
  }

  std::vector<Step> steps;
  std::vector<std::string> boxes; // "message|information" of each box answered
  std::string failedStep;

  DesktopGUI& gui() const { return shell.gui(); }
  MainWindowWidget& window() const { return gui().window(); }
  MainWindowDelegate& controller() const { return *window().delegate(); }
  TextViewWidget& text() const { return gui().textViewWidget(); }
  // Ctrl+Shift+Tab as the reader presses it; false when it could only be sent as a Qt event.
  bool previousTab() const {
    return pressOnServer(window(), {XK_Control_L, XK_Shift_L, XK_Tab}, Qt::Key_Backtab,
                         Qt::ControlModifier | Qt::ShiftModifier);
  }
  // The statistics pane's count of known words in the text.
  QString known() const { return statistic(*gui().statisticsWidget().tree()->model(), "Known"); }

  // The whole screen now, saved as name.png.
  QImage screenshot(const char* name) const {
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    fs::create_directories(shotsFolder());
    shot.save(QString::fromStdString((shotsFolder() / (std::string(name) + ".png")).string()));
    return shot;
  }
  // A word of the page: its text, its box on the screen and its centre in the view.
  struct Word {
    std::string text;
    QRect box;
    QPoint centre;
  };
  Word wordAt(QPoint view) const {
    Layout& layout = text().delegate()->layout();
    const Layout::Hit hit = layout.hitTest(view.x(), view.y());
    if (hit.line >= layout.lineCount()) return {};
    Line const& l = layout.line(size_t(hit.line));
    char buffer[256];
    size_t length = sizeof buffer;
    uint64_t offset = 0;
    bool isWord = false;
    layout.wordSpan(hit, offset, isWord, buffer, length);
    const double top = layout.topMargin() + l.y;
    const double left = layout.leftMargin() + l.positionOfIndex(hit.start - l.start);
    const double right = layout.leftMargin() + l.positionOfIndex(hit.end - l.start);
    return {std::string(buffer, length),
            QRect(text().mapToGlobal(QPoint(int(left), int(top))), QSize(int(right - left), int(l.height))),
            QPoint(int((left + right) / 2), int(top + l.height / 2))};
  }
  // The word at x (from the left margin) on the page's line.
  Word wordOnLine(size_t line, double x) const {
    Layout& layout = text().delegate()->layout();
    Line const& l = layout.line(line);
    return wordAt(QPoint(int(layout.leftMargin() + x), int(layout.topMargin() + l.y + l.height / 2)));
  }
  // The page's lines by their first byte, and how many at its head are wholly in view.
  struct Page {
    std::vector<uint64_t> lines;
    size_t whole = 0;
  };
  Page page() const {
    Layout& layout = text().delegate()->layout();
    Page p;
    for (size_t i = 0; i < layout.lineCount(); ++i) {
      Line const& l = layout.line(i);
      p.lines.push_back(l.byteOffset);
      if (p.whole == i && layout.topMargin() + l.y >= 0 &&
          layout.topMargin() + l.y + l.height <= text().height())
        ++p.whole;
    }
    return p;
  }
  // The page's lines wholly in view: byte range and text.
  struct Shown {
    uint64_t start, end;
    QString text;
  };
  std::vector<Shown> shownLines() const {
    Layout& layout = text().delegate()->layout();
    std::vector<Shown> out;
    for (size_t i = 0; i < layout.lineCount(); ++i) {
      Line const& l = layout.line(i);
      const double top = layout.topMargin() + l.y;
      if (top >= 0 && top + l.height <= text().height())
        out.push_back(
            {l.byteOffset, l.endOffset(),
             QString::fromUtf16(reinterpret_cast<const char16_t*>(l.text + l.start), qsizetype(l.length))});
    }
    return out;
  }
  // A colour of the light scheme, which a new reader's program shows on a light desktop.
  static QColor foreground(int style) {
    return qcolour(ColourScheme::builtIn(ColourScheme::Light).foreground(style));
  }
  static QColor background(int style) {
    return qcolour(ColourScheme::builtIn(ColourScheme::Light).background(style));
  }
  // The pixels of area (the whole text view when empty) that show colour, and the rectangle they span.
  int count(QImage const& shot, QColor const& colour, QRect area = {}, QRect* span = nullptr) const {
    if (area.isEmpty()) area = QRect(text().mapToGlobal(QPoint(0, 0)), text().size());
    int n = 0;
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        if (near(shot.pixelColor(x, y), colour)) {
          ++n;
          found |= QRect(x, y, 1, 1);
        }
    if (span) *span = found;
    return n;
  }

private:
  void advance() {
    if (busy) return; // a step's own waiting runs the loop
    busy = true;
    step < steps.size() ? run() : tick.stop();
    busy = false;
  }
  void run() {
    answerBoxes();
    if (Clock::now() - stepStarted > std::chrono::seconds(60)) {
      failedStep = steps[step].name;
      screenshot("timeout");
      tick.stop();
      QApplication::exit(3);
      return;
    }
    if (!steps[step].ready()) return;
    Step const& current = steps[step++];
    stepStarted = Clock::now();
    current.act();
  }
  // A question or notice from the program: noted and answered with its escape button (No, or Ok).
  void answerBoxes() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    boxes.push_back((box->text() + "|" + box->informativeText()).toStdString());
    if (QAbstractButton* escape = box->escapeButton())
      escape->click();
    else
      box->reject();
  }

  Shell& shell;
  fs::path exportFile;
  QTimer tick;
  size_t step = 0;
  bool busy = false;
  Clock::time_point stepStarted;
};

// The program started once more with file, as a file manager starts it; its process id (0 when it could not
// start).
pid_t startAgain(std::string file) {
  std::string program = QM_PROGRAM;
  std::vector<char*> argv{program.data(), file.data(), nullptr};
  pid_t pid = 0;
  return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

// Runs what opens a modal loop after the step, so that the steps go on inside that loop.
void later(QObject* context, std::function<void()> act) {
  QTimer::singleShot(0, context, std::move(act));
}

template <class W> W* modal() {
  return dynamic_cast<W*>(QApplication::activeModalWidget());
}

} // namespace

TEST(ShellEndToEndTest, ReadsMarksSearchesExportsAndQuits) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display: run under xvfb-run";
  qmtest::TempDir temp;
  const fs::path exportFile = temp / "words.txt";
  // A news text saved from a web page: its first 60 KB with the line ends taken out, in GB18030.
  std::string longText;
  for (char c : qmtest::readFile(qmtest::sharedDataDir() / "corpus/pku_test.utf8")) {
    if (c == '\r' || c == '\n') continue;
    if (longText.size() >= 60000 && (static_cast<unsigned char>(c) & 0xC0) != 0x80) break;
    longText += c;
  }
  const fs::path longFile = temp / "long-paragraph.txt";
  qmtest::writeFile(longFile, qmtest::recode(longText, "UTF-8", "GB18030"));
  std::string corpus = (qmtest::sharedDataDir() / "corpus/pku_test.txt").string();
  std::string program = "quillmere";
  std::vector<char*> argv{program.data(), corpus.data(), nullptr};
  int argc = 2;

  const std::string otherFile = (qmtest::sharedDataDir() / "corpus/cityu_test.utf8").string();
  pid_t second = 0;
  int secondStatus = -1;
  std::optional<Clock::time_point> secondStarted, secondEnded;
  QString knownBefore, knownAfter;
  Reader::Word first;
  bool scrolled = false;
  QSize windowSize;
  uint64_t cutLine = 0;
  bool serverKeys = false;
  std::unique_ptr<Reader> reader;
  const int status = Shell::runProgram(argc, argv.data(), [&](Shell& shell) {
    reader = std::make_unique<Reader>(shell, exportFile);
    Reader* r = reader.get();
    r->steps = {
        {"the welcome", [] { return modal<WelcomeDialog>() != nullptr; },
         [r] {
           r->screenshot("1-welcome");
           modal<WelcomeDialog>()->findChild<QPushButton*>("closeButton")->click();
         }},
        {"the document read",
         [r] {
           return r->window().windowTitle() == "pku_test.txt" &&
                  r->controller().isCurrentDocumentReady(r->window()) && r->text().delegate() &&
                  !QApplication::activeModalWidget();
         },
         [] { QCursor::setPos(0, 0); }}, // no word under the pointer
        // The panes at the window's first size: no title, name or figure cut, a four-character word whole.
        {"the panes filled", [r] { return r->gui().wordListWidget().table()->model()->rowCount() > 0; },
         [r] {
           QTableView& table = *r->gui().wordListWidget().table();
           QAbstractItemModel const& rows = *table.model();
           int four = 0; // the first four-character word (column 8, its length)
           while (four < rows.rowCount() && rows.index(four, 8).data().toString() != "4")
             ++four;
           ASSERT_LT(four, rows.rowCount());
           table.scrollTo(rows.index(four, 1), QAbstractItemView::PositionAtCenter);
           qmtest::spinFor(300);
           r->screenshot("2-panes");
           EXPECT_EQ(qmtest::cutTitles(*table.horizontalHeader()), std::vector<std::string>{});
           EXPECT_EQ(qmtest::cutCells(table, {}, std::max(four - 5, 0), four + 5),
                     std::vector<std::string>{});
           EXPECT_EQ(qmtest::cutCells(table, {}, rows.rowCount() - 5), std::vector<std::string>{});
           QTreeView& statistics = *r->gui().statisticsWidget().tree();
           EXPECT_EQ(qmtest::cutCells(statistics), std::vector<std::string>{});
           // The columns past the panes' edges, the last rows and the file's figures, then back.
           QAbstractScrollArea* const panes[] = {&table, &statistics};
           const auto scroll = [&](bool toEnd) {
             for (QAbstractScrollArea* pane : panes)
               for (QScrollBar* bar : {pane->horizontalScrollBar(), pane->verticalScrollBar()})
                 bar->setValue(toEnd ? bar->maximum() : 0);
           };
           scroll(true);
           qmtest::spinFor(300);
           r->screenshot("2-panes-scrolled");
           scroll(false);
         }},
        {"the page shown", [] { return true; },
         [&, r] {
           qmtest::spinFor(300);
           knownBefore = r->known();
           first = r->wordOnLine(0, 1);
           const QImage shot = r->screenshot("2-document");
           // A new reader knows no word: every word in the unknown words' colour, none in the known ones'.
           EXPECT_EQ(first.text, "共同");
           EXPECT_GT(r->count(shot, Reader::foreground(StyleId::Unknown), first.box), 20);
           EXPECT_EQ(r->count(shot, Reader::foreground(StyleId::Known), first.box), 0);
           QTest::mouseDClick(&r->text(), Qt::LeftButton, {}, first.centre);
           QTest::mouseRelease(&r->text(), Qt::LeftButton, {}, first.centre); // QTest leaves the second press
           QTest::mouseMove(&r->text(), QPoint(r->text().width() - 5, r->text().height() - 5));
           QCursor::setPos(0, 0);
         }},
        {"the word marked known", [&, r] { return r->known() != knownBefore; },
         [&, r] {
           qmtest::spinFor(300);
           knownAfter = r->known();
           const QImage shot = r->screenshot("3-marked");
           EXPECT_EQ(r->wordOnLine(0, 1).text, "共同");
           EXPECT_GT(r->count(shot, Reader::foreground(StyleId::Known), first.box), 20) << "now known";
           EXPECT_EQ(r->count(shot, Reader::foreground(StyleId::Unknown), first.box), 0);
           const Reader::Word other = r->wordOnLine(2, 1);
           EXPECT_EQ(other.text, "女士");
           EXPECT_GT(r->count(shot, Reader::foreground(StyleId::Unknown), other.box), 20) << "still unknown";
           EXPECT_EQ(r->count(shot, Reader::background(StyleId::Hover), other.box), 0) << "no hover left";
           // A window whose text view holds half a line more than a whole number: a line cut off at the
           // bottom edge.
           const double line = r->text().delegate()->layout().line(0).height;
           windowSize = r->window().size();
           const double rest = std::fmod(r->text().height(), line);
           r->window().resize(windowSize.width(), windowSize.height() + int(std::lround(line / 2 - rest)));
         }},
        {"an uneven height",
         [r] {
           const double line = r->text().delegate()->layout().line(0).height;
           return std::abs(std::fmod(r->text().height(), line) - line / 2) < 1;
         },
         [&, r] {
           qmtest::spinFor(300);
           const Reader::Page page = r->page();
           ASSERT_LT(page.whole, page.lines.size());
           cutLine = page.lines[page.whole];
           r->screenshot("10-page-cut-at-the-edge");
           QTest::keyClick(&r->text(), Qt::Key_PageDown);
         }},
        {"one page down", [&, r] { return r->page().lines.front() != 0; },
         [&, r] {
           qmtest::spinFor(300);
           r->screenshot("11-page-down");
           EXPECT_EQ(r->page().lines.front(), cutLine) << "the line cut off before tops the page";
           // Twenty pages on and back: no line skipped going down, the line above the old top last going up,
           // and the same tops passed on the way back.
           std::vector<uint64_t> tops{r->page().lines.front()};
           for (int i = 0; i < 20; ++i) {
             const Reader::Page before = r->page();
             QTest::keyClick(&r->text(), Qt::Key_PageDown);
             ASSERT_EQ(r->page().lines.front(), before.lines[before.whole]) << "page " << i;
             tops.push_back(r->page().lines.front());
           }
           for (size_t i = tops.size(); i-- > 0;) {
             ASSERT_EQ(r->page().lines.front(), tops[i]);
             const uint64_t old = tops[i];
             QTest::keyClick(&r->text(), Qt::Key_PageUp);
             const Reader::Page after = r->page();
             ASSERT_LT(after.whole, after.lines.size());
             EXPECT_EQ(after.lines[after.whole], old) << "the line above the old top ends the page";
           }
           EXPECT_EQ(r->page().lines.front(), 0u);
           r->window().resize(windowSize);
           QTest::keyClick(&r->window(), Qt::Key_F, Qt::ControlModifier);
         }},
        {"the find bar", [r] { return r->gui().findBar().isVisible(); },
         [r] {
           QInputMethodEvent typed; // Chinese arrives through the input method
           typed.setCommitString(QStringLiteral("熊猫"));
           QApplication::sendEvent(r->gui().findBar().searchField(), &typed);
           r->screenshot("4-find-bar");
           QTest::keyClick(r->gui().findBar().searchField(), Qt::Key_Return);
         }},
        {"the word found", [&, r] { return (scrolled = r->text().scroller()->value() > 0); },
         [&, r] {
           qmtest::spinFor(300);
           const QImage shot = r->screenshot("5-found");
           QRect match;
           EXPECT_GT(r->count(shot, Reader::background(StyleId::CurrentSearch), {}, &match), 100);
           const Reader::Word found = r->wordAt(r->text().mapFromGlobal(match.center()));
           EXPECT_NE(found.text.find("熊猫"), std::string::npos)
               << found.text << ": the match's background where the term is";
           EXPECT_TRUE(found.box.contains(match.center()));
           later(&r->window(), [r] { r->window().menus().action(MainMenu::ExportToFile)->trigger(); });
         }},
        {"the export dialog", [] { return modal<ExportDialog>() != nullptr; },
         [r] {
           auto* dialog = modal<ExportDialog>();
           dialog->findChild<QTabWidget*>("pageTab")->setCurrentIndex(1);
           dialog->findChild<QListWidget*>("availableFieldsTable")->setCurrentRow(0); // "Word"
           dialog->findChild<QPushButton*>("moveRightButton")->click();
           qmtest::spinFor(300); // the dialog painted
           r->screenshot("6-export");
           later(dialog, [dialog] { dialog->findChild<QPushButton*>("exportButton")->click(); });
         }},
        // The second start: while the program runs, a file manager starts it again with another file. The
        // second process hands the file over and ends at once; the file opens as a tab of this window.
        {"the second start", [&] { return fs::exists(exportFile) && !QApplication::activeModalWidget(); },
         [&] {
           second = startAgain(otherFile);
           secondStarted = Clock::now();
         }},
        {"the second start's file",
         [&, r] {
           if (second > 0 && !secondEnded && waitpid(second, &secondStatus, WNOHANG) == second)
             secondEnded = Clock::now();
           return secondEnded && r->window().windowTitle() == "cityu_test.utf8" &&
                  r->window().tabStrip()->visibleTabs() == 2;
         },
         [r] {
           qmtest::spinFor(300);
           r->screenshot("7-second-start");
           r->window().activateWindow(); // the dialogs took the focus; the tab keys need it back
         }},
        // (end of the second start)
        // The tabs stepped by their keys, pressed on the X server, from either tab round the ends:
        // Ctrl+Shift+Tab from the last tab to the first and on to the last, then Ctrl+Tab to the first.
        {"the window active", [r] { return QApplication::activeWindow() == &r->window(); },
         [&, r] { serverKeys = r->previousTab(); }},
        {"the previous tab",
         [r] {
           return r->window().windowTitle() == "pku_test.txt" &&
                  r->controller().isCurrentDocumentReady(r->window());
         },
         [r] {
           qmtest::spinFor(300);
           r->screenshot("8-previous-tab");
           r->previousTab();
         }},
        {"before the first tab, the last", [r] { return r->window().windowTitle() == "cityu_test.utf8"; },
         [r] {
           pressOnServer(r->window(), {XK_Control_L, XK_Tab}, Qt::Key_Tab, Qt::ControlModifier);
         }},
        {"after the last tab, the first", [r] { return r->window().windowTitle() == "pku_test.txt"; },
         [&, r] { r->controller().onOpenFiles(r->window(), {longFile.string()}); }},
        // The long paragraph at the window size where its last line was once never shown whole.
        {"the long paragraph read",
         [r] {
           return r->window().windowTitle() == "long-paragraph.txt" &&
                  r->controller().isCurrentDocumentReady(r->window());
         },
         [r] { r->window().resize(1000, 777); }},
        {"the long paragraph paged", [r] { return r->window().size() == QSize(1000, 777); },
         [&, r] {
           qmtest::spinFor(300);
           Layout& layout = r->text().delegate()->layout();
           // Down to the end: every line of the text shown whole, once, in order.
           std::vector<Reader::Shown> seen;
           const auto see = [&] {
             for (Reader::Shown const& line : r->shownLines())
               seen.push_back(line);
           };
           see();
           for (int i = 0; i < 100 && seen.back().end != longText.size(); ++i) {
             const uint64_t top = layout.topOffset();
             QTest::keyClick(&r->text(), Qt::Key_PageDown);
             ASSERT_GT(layout.topOffset(), top) << "page " << i;
             see();
           }
           const uint64_t last = layout.topOffset();
           ASSERT_EQ(r->shownLines().back().end, longText.size()) << "the last line whole";
           qmtest::spinFor(300); // painted
           r->screenshot("12-long-paragraph-end");
           QTest::keyClick(&r->text(), Qt::Key_PageDown);
           EXPECT_EQ(layout.topOffset(), last) << "Page Down at the end";
           EXPECT_EQ(layout.pixelOffset(), 0.0);
           const auto before = [](Reader::Shown const& a, Reader::Shown const& b) {
             return std::pair(a.start, a.end) < std::pair(b.start, b.end);
           };
           const auto same = [](Reader::Shown const& a, Reader::Shown const& b) {
             return a.start == b.start && a.end == b.end;
           };
           std::sort(seen.begin(), seen.end(), before);
           seen.erase(std::unique(seen.begin(), seen.end(), same), seen.end());
           QString shown;
           uint64_t at = 0;
           for (Reader::Shown const& line : seen) {
             ASSERT_EQ(line.start, at) << "a line skipped, or text shown in two lines";
             shown += line.text;
             at = line.end;
           }
           EXPECT_EQ(shown.toStdString(), longText);
           // The scroller dragged to its end shows the same last page.
           r->text().scroller()->triggerAction(QAbstractSlider::SliderToMaximum);
           EXPECT_EQ(layout.topOffset(), last);
           qmtest::spinFor(300); // painted
           r->screenshot("13-long-paragraph-end-by-scroller");
           EXPECT_EQ(r->shownLines().back().end, longText.size());
           // The wheel from the top: the same last page (its top line may slide up past the edge), where
           // Page Down leaves the view as it is.
           r->text().scroller()->triggerAction(QAbstractSlider::SliderToMinimum);
           for (uint64_t was = UINT64_MAX, i = 0; i < 2000 && layout.topOffset() != was; ++i) {
             was = layout.topOffset();
             for (int notch = 0; notch < 10; ++notch) {
               const QPointF at(100, 100);
               QWheelEvent wheel(at, r->text().mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                                 Qt::NoModifier, Qt::NoScrollPhase, false);
               QApplication::sendEvent(&r->text(), &wheel);
             }
           }
           EXPECT_EQ(layout.topOffset(), last);
           EXPECT_EQ(r->shownLines().back().end, longText.size());
           for (Reader::Shown const& line : r->shownLines())
             EXPECT_TRUE(std::binary_search(seen.begin(), seen.end(), line, before))
                 << line.start << "-" << line.end << " as paging showed it";
           qmtest::spinFor(300); // painted
           r->screenshot("14-long-paragraph-end-by-wheel");
           const double slid = layout.pixelOffset();
           QTest::keyClick(&r->text(), Qt::Key_PageDown);
           EXPECT_EQ(layout.topOffset(), last);
           EXPECT_EQ(layout.pixelOffset(), slid);
           r->window().resize(windowSize);
           r->window().menus().action(MainMenu::ColourSchemeDark)->trigger();
         }},
        // The dark scheme: the statistics pane's expand arrows stand out from its dark rows.
        {"the dark scheme",
         [r] {
           return r->gui().statisticsWidget().tree()->palette().color(QPalette::Base).lightness() < 100;
         },
         [r] {
           qmtest::spinFor(300);
           const QImage shot = r->screenshot("9-dark");
           QTreeView& tree = *r->gui().statisticsWidget().tree();
           const QRect title = tree.visualRect(tree.model()->index(1, 0));
           const QRect branch(tree.viewport()->mapToGlobal(QPoint(0, title.top())),
                              QSize(title.left(), title.height()));
           const QColor row = shot.pixelColor(branch.topLeft() + QPoint(1, 1));
           int arrow = 0;
           for (int y = branch.top(); y <= branch.bottom(); ++y)
             for (int x = branch.left(); x <= branch.right(); ++x)
               arrow += std::abs(shot.pixelColor(x, y).lightness() - row.lightness()) > 100;
           EXPECT_LT(row.lightness(), 100) << "a dark row";
           EXPECT_GT(arrow, 5) << "the arrow's pixels that stand out from its row";
         }},
        {"the word list exported",
         [&, r] { return fs::exists(exportFile) && !QApplication::activeModalWidget(); },
         // Without a window manager nothing gives the window back its focus after the dialogs, so the
         // shortcut would not reach it: the reader picks Quit from the menu.
         [r] { r->window().menus().action(MainMenu::Quit)->trigger(); }},
    };
  });

  if (second > 0 && !secondEnded) { // a second copy that did not end must not outlive the test
    kill(second, SIGKILL);
    waitpid(second, nullptr, 0);
  }
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->failedStep, "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(knownBefore, "0");
  EXPECT_NE(knownAfter, knownBefore);
  EXPECT_TRUE(scrolled);
  if (!serverKeys) std::printf("note: without libXtst the tab keys went as Qt events, not through X11\n");
  ASSERT_TRUE(secondStarted && secondEnded) << "the second start";
  EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);
  EXPECT_LT(*secondEnded - *secondStarted, std::chrono::seconds(2));
  // Both files in the desktop's recent documents, in the test's own data folder.
  const std::string recent = qmtest::readFile(fs::path(std::getenv("XDG_DATA_HOME")) / "recently-used.xbel");
  for (std::string const& file : {corpus, otherFile})
    EXPECT_NE(recent.find(QUrl::fromLocalFile(QString::fromStdString(file)).toEncoded().toStdString()),
              std::string::npos)
        << file;
  EXPECT_EQ(reader->boxes, std::vector<std::string>{"Open file?|Would you like to open the exported file?"});
  const std::string exported = qmtest::readFile(exportFile);
  // The unknown words, most frequent first, a line each: the word marked known is not among them.
  EXPECT_EQ(exported.substr(0, exported.find("\r\n")), "的");
  EXPECT_EQ(("\r\n" + exported).find("\r\n共同\r\n"), std::string::npos);
}

int main(int argc, char** argv) {
  const qmtest::TestEnvironment environment;
  const std::filesystem::path runtime = environment.root() / "runtime";
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
