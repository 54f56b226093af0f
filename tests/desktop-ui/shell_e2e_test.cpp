// The whole program on a real display (run it under xvfb-run; without a display it is skipped), driven as a
// reader would: started with a GB18030 news text on its command line, the welcome closed, the document read
// and shown, a word marked known by a double click, a word searched with the find bar, the word list exported
// to a file, the program quit. Screenshots of each stage go to $QM_SCREENSHOT_DIR (else the build's
// "screenshots" folder) and are checked for the word colours where the words are.
#include "desktop-ui/desktopgui.h"
#include "desktop-ui/exportdialog.h"
#include "desktop-ui/finddialogwidget.h"
#include "desktop-ui/mainmenubar.h"
#include "desktop-ui/mainwindowwidget.h"
#include "desktop-ui/shell.h"
#include "desktop-ui/statisticswidget.h"
#include "desktop-ui/textviewwidget.h"
#include "desktop-ui/welcomedialog.h"
#include "support/qtspin.h"
#include "support/tempdir.h"
#include "support/testenvironment.h"
#include "views/colourscheme.h"
#include "views/mainwindowdelegate.h"
#include "views/styleid.h"
#include "views/textviewdelegate.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

  // The whole screen now, saved as name.png.
  QImage screenshot(const char* name) const {
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    fs::create_directories(shotsFolder());
    shot.save(QString::fromStdString((shotsFolder() / (std::string(name) + ".png")).string()));
    return shot;
  }
  // The word under the view x on the page's line: a point of its box above its glyphs, where only its
  // background shows (screen coordinates), and its centre (view coordinates).
  struct Word {
    QPoint background;
    QPoint centre;
  };
  Word wordAt(size_t line, double x) const {
    Layout& layout = text().delegate()->layout();
    Line const& l = layout.line(line);
    const double top = layout.topMargin() + l.y;
    const Layout::Hit hit = layout.hitTest(layout.leftMargin() + x, top + l.height / 2);
    const double left = layout.leftMargin() + l.positionOfIndex(hit.start - l.start);
    const double right = layout.leftMargin() + l.positionOfIndex(hit.end - l.start);
    const int middle = int((left + right) / 2);
    return {text().mapToGlobal(QPoint(middle, int(top + 2))), QPoint(middle, int(top + l.height / 2))};
  }
  QColor background(int style) const {
    return qcolour(ColourScheme::builtIn(ColourScheme::Light).background(style));
  }
  // How many pixels of the text view show colour.
  int count(QImage const& shot, QColor const& colour) const {
    const QRect area(text().mapToGlobal(QPoint(0, 0)), text().size());
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); y += 2)
      for (int x = area.left(); x <= area.right(); x += 2)
        n += near(shot.pixelColor(x, y), colour);
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

template <class W> W* modal() {
  return dynamic_cast<W*>(QApplication::activeModalWidget());
}

} // namespace

TEST(ShellEndToEndTest, ReadsMarksSearchesExportsAndQuits) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display: run under xvfb-run";
  qmtest::TempDir temp;
  const fs::path exportFile = temp / "words.txt";
  std::string corpus = (qmtest::sharedDataDir() / "corpus/pku_test.txt").string();
  std::string program = "quillmere";
  std::vector<char*> argv{program.data(), corpus.data(), nullptr};
  int argc = 2;

  QString knownBefore, knownAfter;
  Reader::Word first;
  bool scrolled = false;
  std::unique_ptr<Reader> reader;
  const int status = Shell::runProgram(argc, argv.data(), [&](Shell& shell) {
    reader = std::make_unique<Reader>(shell, exportFile);
    Reader& r = *reader;
    auto known = [&r] { return statistic(*r.gui().statisticsWidget().tree()->model(), "Known"); };
    r.steps = {
        {"the welcome", [] { return modal<WelcomeDialog>() != nullptr; },
         [&r] {
           r.screenshot("1-welcome");
           modal<WelcomeDialog>()->findChild<QPushButton*>("closeButton")->click();
         }},
        {"the document read",
         [&r] {
           return r.window().windowTitle() == "pku_test.txt" && r.controller().isCurrentDocumentReady(r.window()) &&
                  r.text().delegate() && !QApplication::activeModalWidget();
         },
         [] { QCursor::setPos(0, 0); }}, // no word under the pointer
        {"the page shown", [] { return true; },
         [&] {
           qmtest::spinFor(300);
           knownBefore = known();
           first = r.wordAt(0, 1);
           const QImage shot = r.screenshot("2-document");
           EXPECT_TRUE(near(shot.pixelColor(first.background), r.background(StyleId::Unknown)))
               << "the first word, unknown, on its unknown background";
           EXPECT_GT(r.count(shot, r.background(StyleId::Unknown)), 1000);
           EXPECT_EQ(r.count(shot, r.background(StyleId::Known)), 0);
           QTest::mouseDClick(&r.text(), Qt::LeftButton, {}, first.centre);
           QTest::mouseMove(&r.text(), QPoint(r.text().width() - 5, r.text().height() - 5));
           QCursor::setPos(0, 0);
         }},
        {"the word marked known", [&] { return known() != knownBefore; },
         [&] {
           qmtest::spinFor(300);
           knownAfter = known();
           const QImage shot = r.screenshot("3-marked");
           EXPECT_TRUE(near(shot.pixelColor(first.background), r.background(StyleId::Known)))
               << "the word marked known, on the known background";
           EXPECT_TRUE(near(shot.pixelColor(r.wordAt(2, 1).background), r.background(StyleId::Unknown)))
               << "another line's first word still unknown";
           QTest::keyClick(&r.window(), Qt::Key_F, Qt::ControlModifier);
         }},
        {"the find bar", [&r] { return r.gui().findBar().isVisible(); },
         [&r] {
           QTest::keyClicks(r.gui().findBar().searchField(), QStringLiteral("熊猫"));
           r.screenshot("4-find-bar");
           QTest::keyClick(r.gui().findBar().searchField(), Qt::Key_Return);
         }},
        {"the word found", [&] { return (scrolled = r.text().scroller()->value() > 0); },
         [&] {
           qmtest::spinFor(300);
           const QImage shot = r.screenshot("5-found");
           EXPECT_GT(r.count(shot, r.background(StyleId::CurrentSearch)), 10) << "the match is marked";
           QTimer::singleShot(0, &r.window(),
                              [&r] { r.window().menus().action(MainMenu::ExportToFile)->trigger(); });
         }},
        {"the export dialog", [] { return modal<ExportDialog>() != nullptr; },
         [&r] {
           auto* dialog = modal<ExportDialog>();
           dialog->findChild<QTabWidget*>("pageTab")->setCurrentIndex(1);
           r.screenshot("6-export");
           dialog->findChild<QPushButton*>("exportButton")->click();
         }},
        {"the word list exported",
         [&] { return fs::exists(exportFile) && !QApplication::activeModalWidget(); },
         [&r] { QTest::keyClick(&r.window(), Qt::Key_Q, Qt::ControlModifier); }},
    };
  });

  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->failedStep, "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(knownBefore, "0");
  EXPECT_NE(knownAfter, knownBefore);
  EXPECT_TRUE(scrolled);
  EXPECT_EQ(reader->boxes, std::vector<std::string>{"Open file?|Would you like to open the exported file?"});
  const std::string exported = qmtest::readFile(exportFile);
  EXPECT_NE(exported.find("熊猫"), std::string::npos) << exported.substr(0, 200);
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
