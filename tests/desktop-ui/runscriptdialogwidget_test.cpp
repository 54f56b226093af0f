// The run-script window: its states as a recording delegate drives them, then with the real controller and
// script runner (run, poll, kill, run again, copy after a failure), and a script left waiting on a file
// chooser when the window closes.
#include "desktop-ui/runscriptdialogwidget.h"

#include "control/runscriptdialogcontroller.h"
#include "control/scriptreaper.h"
#include "desktop-ui/filepanel.h"
#include "desktop-ui/imagelabel.h"
#include "desktop-ui/messagepump.h"
#include "desktop-ui/reapertimer.h"
#include "desktop-ui/scriptfilechooser.h"
#include "script/qelstate.h"
#include "support/fakerunscriptdialog.h"
#include "support/nodictionary.h"
#include "support/qtchild.h"
#include "support/qtspin.h"
#include "support/tempdir.h"
#include "text/wordhash.h"
#include "views/clipboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using qmtest::child;
using Kind = FilePanel::Kind;
using qmtest::NoDictionary;
using qmtest::spinFor;
using qmtest::spinUntil;

class RunScriptDialogWidgetTest : public testing::Test {
protected:
  struct Panel {
    QWidget* parent;
    Kind kind;
    FilePanel::Answer answer;
  };

  RunScriptDialogWidgetTest() {
    pump.start();
    FilePanel::setPresenter(
        [this](QWidget* parent, Kind kind, QString const&, QString const&, FilePanel::Answer answer) {
          panels.push_back({parent, kind, std::move(answer)});
        });
  }
  ~RunScriptDialogWidgetTest() override {
    EXPECT_TRUE(spinUntil([] { return ScriptReaper::instance().pending() == 0; }));
    FilePanel::setPresenter({});
  }

  std::string script(const char* name, std::string const& source) {
    qmtest::writeFile(dir / name, source);
    return (dir / name).string();
  }
  static QString text(QWidget& w, const char* label) { return child<QLabel>(w, label)->text(); }
  static void click(QWidget& w, const char* button) {
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
  }
  std::unique_ptr<RunScriptDialogController> controller() {
    return std::make_unique<RunScriptDialogController>(
        [this] { return std::make_shared<qelLua::QelState>(dictionary, known); }, data);
  }

  MessagePump pump;
  ReaperTimer reaper;
  qmtest::TempDir dir;
  NoDictionary dictionary;
  WordHash known{8};
  RunScriptDialogData data;
  std::vector<Panel> panels;
};

using Calls = std::vector<std::string>;

TEST_F(RunScriptDialogWidgetTest, TheWindowFollowsItsController) {
  qmtest::FakeRunScriptDialogDelegate delegate;
  delegate.recorded.recentScripts.addFile("/s/b.lua", 0);
  delegate.recorded.recentScripts.addFile("/s/a.lua", 0);
  delegate.recorded.saveToClipboard = false;
  RunScriptDialogWidget w(delegate);
  w.show();
  EXPECT_EQ(delegate.calls, Calls{"scriptChanged /s/a.lua"}) << "the first recent script is described";
  auto* field = child<QComboBox>(w, "scriptField");
  EXPECT_EQ(field->count(), 2);
  EXPECT_FALSE(child<QCheckBox>(w, "saveToClipboard")->isChecked());
  EXPECT_TRUE(child<QPushButton>(w, "killButton")->isHidden());

  QTest::keyClicks(field->lineEdit(), "x");
  click(w, "runButton");
  w.setScriptRunning(true);
  EXPECT_FALSE(child<QPushButton>(w, "runButton")->isEnabled());
  EXPECT_TRUE(child<QPushButton>(w, "killButton")->isVisibleTo(&w));
  ASSERT_TRUE(spinUntil([&] { return delegate.calls.back() == "onTimer"; })) << "the poll runs";
  click(w, "killButton");
  w.setScriptRunning(false);
  EXPECT_TRUE(child<QPushButton>(w, "runButton")->isEnabled());
  EXPECT_TRUE(child<QPushButton>(w, "killButton")->isHidden());
  delegate.calls.erase(std::remove(delegate.calls.begin(), delegate.calls.end(), "onTimer"),
                       delegate.calls.end());
  EXPECT_EQ(delegate.calls, (Calls{"scriptChanged /s/a.lua", "scriptChanged /s/a.luax", "runScript /s/a.luax",
                                   "killScript"}));

  delegate.calls.clear();
  click(w, "browseButton");
  click(w, "fileButton");
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(panels[0].kind, Kind::openFile);
  EXPECT_EQ(panels[0].parent, &w);
  EXPECT_EQ(panels[1].kind, Kind::saveFile);
  panels[0].answer({"/s/chosen.lua"});
  panels[1].answer({"/s/out.txt"});
  EXPECT_EQ(field->currentText(), "/s/chosen.lua");
  click(w, "clipboardButton");
  EXPECT_EQ(delegate.calls,
            (Calls{"scriptChanged /s/chosen.lua", "outputToFile /s/out.txt", "outputToClipboard"}));

  child<QCheckBox>(w, "saveToClipboard")->setChecked(true);
  w.setScriptRunning(true);
  click(w, "closeButton");
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.saveOutputToClipboard()) << "the box's state when the window closed";
  delegate.calls.clear();
  click(w, "killButton");
  click(w, "clipboardButton");
  spinFor(300);
  EXPECT_TRUE(delegate.calls.empty()) << "a closed window no longer reaches its controller";
}

TEST_F(RunScriptDialogWidgetTest, RunsKillsAndCopiesWithTheRealRunner) {
  const std::string hello = script("hello.lua", "--[[\n@qel Prints a greeting.\n]]\nprint('hello')\n");
  const std::string loop = script("loop.lua", "print('partial')\nwhile true do end\n");
  data.recentScripts.addFile(hello.c_str(), 0);
  auto c = controller();
  RunScriptDialogWidget w(*c);
  w.show();
  EXPECT_EQ(text(w, "scriptDetails"), "Prints a greeting.");

  click(w, "runButton");
  ASSERT_TRUE(spinUntil([&] { return text(w, "scriptStatus") == "Finished"; }))
      << text(w, "scriptDetails").toStdString();
  EXPECT_EQ(std::string(Clipboard().text().view()), "hello\n") << "the box is ticked";
  EXPECT_EQ(child<ImageLabel>(w, "outputStatus")->text(), "Copied output to clipboard");

  auto* field = child<QComboBox>(w, "scriptField");
  field->setEditText(QString::fromStdString(loop));
  click(w, "runButton");
  ASSERT_TRUE(spinUntil([&] { return text(w, "scriptDetails").contains("Output Size: 8 bytes"); }));
  EXPECT_EQ(field->itemText(0).toStdString(), loop) << "a script run joins the list at once";
  EXPECT_EQ(field->currentText().toStdString(), loop);
  field->completer()->setCompletionPrefix(QString::fromStdString((dir / "lo").string()));
  EXPECT_EQ(field->completer()->currentCompletion().toStdString(), loop);
  click(w, "killButton");
  ASSERT_TRUE(spinUntil([&] { return text(w, "scriptStatus") == "Error running script"; }));
  EXPECT_TRUE(text(w, "scriptDetails").contains("Script Killed"));
  EXPECT_TRUE(child<QPushButton>(w, "runButton")->isEnabled());
  click(w, "clipboardButton");
  EXPECT_EQ(std::string(Clipboard().text().view()), "partial\n") << "a killed script's output can be copied";

  field->setEditText(QString::fromStdString(hello));
  click(w, "runButton");
  ASSERT_TRUE(spinUntil([&] { return text(w, "scriptStatus") == "Finished"; }));
  w.reject();
}

// The reader closes the window while a script waits for its file chooser: the window and its controller go at
// once, the script is stopped and freed later, and a chooser asked for afterwards appears over the main
// window.
TEST_F(RunScriptDialogWidgetTest, ClosingWhileAScriptWaitsOnAChooserDoesNotFreeze) {
  QMainWindow main;
  main.show();
  const std::string asking = script("ask.lua", "local p = require('qel').askUserForFileToOpen()\nprint(p)\n");
  data.recentScripts.addFile(asking.c_str(), 0);
  auto c = controller();
  auto w = std::make_unique<RunScriptDialogWidget>(*c, &main);
  w->show();
  click(*w, "runButton");
  ASSERT_TRUE(spinUntil([&] { return !panels.empty(); }));
  EXPECT_EQ(panels[0].parent, w.get());
  EXPECT_EQ(panels[0].kind, Kind::openFile);

  QElapsedTimer clock;
  clock.start();
  w->reject();
  w.reset();
  c.reset();
  EXPECT_LT(clock.elapsed(), 5000) << "the window froze";
  EXPECT_TRUE(spinUntil([] { return ScriptReaper::instance().pending() == 0; }));
  panels[0].answer({"/late.txt"}); // the answer of a panel that outlived its script touches nothing

  EXPECT_EQ(ScriptFileChooser::instance().window(), &main);
  ScriptFileChooser::instance().choose(Kind::directory, Text("t"), [](std::vector<Text> const&) {});
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(panels[1].parent, &main);
}

} // namespace
