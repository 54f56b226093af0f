// The main window over a recording delegate, offscreen: its menus' states and the check in every command,
// the tab and full-screen keys on any desktop, the two submenus built as they open, drops, the open panel,
// the placement kept in the "position" settings, closing, titles and the desktop's appearance.
#include "desktop-ui/mainwindowwidget.h"

#include "desktop-ui/darkmode.h"
#include "desktop-ui/filepanel.h"
#include "desktop-ui/mainmenubar.h"
#include "desktop-ui/statisticswidget.h"
#include "desktop-ui/wordlistwidget.h"
#include "documents/document.h"
#include "support/fakemainwindowdelegate.h"
#include "support/logcapture.h"
#include "support/qtspin.h"
#include "support/shippedprograminfo.h"
#include "support/tempdir.h"
#include "support/wordfixture.h"
#include "views/messagebox.h"
#include "wordlists/wordlistmanager.h"

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using M = MainMenu;
using Strings = std::vector<std::string>;
using qmtest::spinFor;

// Answers canCloseApplication as the controller does: a question that only Yes answers with consent.
class AskingDelegate : public qmtest::FakeMainWindowDelegate {
public:
  bool failing = false;
  bool canCloseApplication(MainWindow&) const override {
    if (failing) throw std::runtime_error("no answer");
    MessageBox box(2, MessageBox::Question);
    box.setMessage("Unsaved documents.");
    return box.show() == MessageBox::Yes;
  }
  void onOpenFiles(MainWindow& w, std::vector<std::string> const& paths) override {
    if (failing) throw std::runtime_error("cannot open");
    FakeMainWindowDelegate::onOpenFiles(w, paths);
  }
};

class MainWindowWidgetTest : public testing::Test, MessageBox::Presenter {
protected:
  MainWindowWidgetTest() {
    MessageBox::setPresenter(this);
    FilePanel::setPresenter([this](QWidget* parent, FilePanel::Kind kind, QString const&, QString const&,
                                   FilePanel::Answer answer) {
      EXPECT_EQ(parent, &window);
      EXPECT_EQ(kind, FilePanel::Kind::openFiles);
      answer(chosen);
    });
    window.setDelegate(&delegate);
  }
  ~MainWindowWidgetTest() override {
    MessageBox::setPresenter(nullptr);
    FilePanel::setPresenter({});
  }
  int present(MessageBox const& box) override {
    asked.push_back(box.message());
    return answer;
  }

  static QMenu* menuOf(QAction* action) {
    return action ? qobject_cast<QMenu*>(action->associatedObjects().value(0)) : nullptr;
  }
  // A submenu's items as they show after it opens: "-" a separator, "* " before a ticked item.
  static Strings opened(QMenu* menu) {
    emit menu->aboutToShow();
    Strings items;
    for (QAction* a : menu->actions()) {
      // The text as shown: "&&" is a plain "&", a lone "&" marks the shortcut letter.
      QString shown = a->text();
      shown.replace(QLatin1String("&&"), QLatin1String("\x01")).remove('&').replace('\x01', '&');
      items.push_back(a->isSeparator() ? "-" : (a->isChecked() ? "* " : "") + shown.toStdString());
    }
    return items;
  }
  static QAction* item(QMenu* menu, int index) { return menu->actions().value(index); }
  bool drop(QStringList const& urls, QString const& text, Qt::DropActions actions = Qt::CopyAction) {
    QMimeData data;
    QList<QUrl> list;
    for (QString const& url : urls)
      list.append(QUrl(url));
    if (!list.isEmpty()) data.setUrls(list);
    if (!text.isEmpty()) data.setText(text);
    QDragEnterEvent enter(QPoint(50, 50), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent dropped(QPointF(50, 50), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &dropped);
    EXPECT_EQ(enter.isAccepted(), dropped.isAccepted() || !window.delegate() || delegate.failing);
    return dropped.isAccepted();
  }

  AskingDelegate delegate;
  StatisticsWidget* statistics = new StatisticsWidget;
  WordListWidget* wordList = new WordListWidget;
  MainWindowWidget window{statistics, wordList};
  QStringList chosen;
  Strings asked;
  int answer = MessageBox::No;
};

} // namespace

TEST_F(MainWindowWidgetTest, MenusShowEachStateAndEveryCommandChecksItAgain) {
  chosen = {"/docs/a.txt", "/docs/b.txt"};
  const struct {
    const char* name;
    bool documentActions, ready, selection;
    int copyable;
    unsigned long documents;
    std::set<int> disabled;
  } cases[] = {
      // clang-format off
      // Which command each state allows is the menu model's; here each state reaches the items.
      {"no document", false, false, false, 0, 0,
       {M::Close, M::ExportToFile, M::ExportToClipboard, M::ExportToEmail, M::Copy, M::AppendToClipboard,
        M::Paste, M::SelectAll, M::Find, M::FindNext, M::CentreSelection, M::NextTab, M::PreviousTab}},
      {"ready, selection", true, true, true, 1, 2, {M::Paste, M::FindNext}},
      // clang-format on
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    window.setDocumentActionsEnabled(c.documentActions);
    delegate.documentReady = c.ready;
    delegate.selection = c.selection;
    delegate.copyable = c.copyable;
    delegate.openDocuments = c.documents;
    delegate.colourScheme = c.ready ? ColourScheme::Dark : ColourScheme::Auto;
    delegate.highlightLookedUp = c.ready;
    for (int a = M::Open; a < M::ACTION_COUNT; ++a) {
      QAction* action = window.menus().action(M::Action(a));
      if (a == M::OpenRecent || a == M::ClearRecent || a == M::ChangeWordList) { // items that come and go
        EXPECT_EQ(action, nullptr);
        continue;
      }
      QMenu* menu = menuOf(action);
      ASSERT_NE(menu, nullptr) << a;
      emit menu->aboutToShow();
      const bool enabled = !c.disabled.count(a);
      EXPECT_EQ(action->isEnabled(), enabled) << a;
      const bool ticked = a == (c.ready ? M::ColourSchemeDark : M::ColourSchemeAuto) ||
                          (a == M::HighlightLookedUpWords && c.ready);
      EXPECT_EQ(action->isChecked(), ticked) << a;
      emit menu->aboutToHide();
      EXPECT_TRUE(action->isEnabled()) << a; // so that its shortcut reaches the check below
      delegate.calls.clear();
      action->trigger();
      EXPECT_EQ(delegate.calls.size(), enabled ? 1u : 0u) << a;
      if (a == M::Open) {
        EXPECT_EQ(delegate.calls, Strings{"onOpenFiles /docs/a.txt /docs/b.txt"});
      }
    }
  }

  // A shortcut of a command that is not allowed now does nothing; one that is allowed runs it.
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  delegate.calls.clear();
  window.setDocumentActionsEnabled(false);
  QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(delegate.calls, Strings{});
  window.setDocumentActionsEnabled(true);
  QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(delegate.calls, Strings{"onSelectAll"});

  // Without a delegate the menus show everything enabled and nothing is sent (nor a panel shown).
  window.setDelegate(nullptr);
  chosen.clear();
  delegate.calls.clear();
  for (int a = M::Open; a < M::ACTION_COUNT; ++a)
    if (QAction* action = window.menus().action(M::Action(a))) action->trigger();
  EXPECT_EQ(delegate.calls, Strings{});
}

TEST_F(MainWindowWidgetTest, FullScreenHasAKeyAndItsTickFollowsTheWindow) {
  QAction* item = window.menus().action(M::FullScreen);
  ASSERT_TRUE(item->isCheckable());
  const QList<QKeySequence> desktop = QKeySequence::keyBindings(QKeySequence::FullScreen);
  EXPECT_EQ(item->shortcut(), desktop.isEmpty() ? QKeySequence(Qt::Key_F11) : desktop.first());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keySequence(&window, item->shortcut());
  EXPECT_EQ(delegate.calls, Strings{"onToggleFullScreen"});
  EXPECT_FALSE(item->isChecked()); // the command left the window as it was

  window.setFullScreen(true); // the controller's doing: ticked without the menu opening
  EXPECT_TRUE(item->isChecked());
  window.setWindowState(window.windowState() & ~Qt::WindowFullScreen); // the window manager's
  EXPECT_FALSE(item->isChecked());
}

// A desktop whose Full Screen key is Ctrl+F11 alone (GNOME, XFCE), and whose Previous Tab key is
// Ctrl+Shift+Backtab, which X11's Ctrl+Shift+Tab does not match; and a session without a desktop.
QList<QKeySequence> gnomeKeys(QKeySequence::StandardKey key) {
  switch (key) {
  case QKeySequence::FullScreen:
    return {QKeySequence(Qt::CTRL | Qt::Key_F11)};
  case QKeySequence::NextChild:
    return {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::Key_Forward)};
  case QKeySequence::PreviousChild:
    return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::Key_Back)};
  default:
    return QKeySequence::keyBindings(key);
  }
}
QList<QKeySequence> noDesktopKeys(QKeySequence::StandardKey key) {
  const bool own =
      key == QKeySequence::FullScreen || key == QKeySequence::NextChild || key == QKeySequence::PreviousChild;
  return own ? QList<QKeySequence>{} : QKeySequence::keyBindings(key);
}

TEST_F(MainWindowWidgetTest, TabAndFullScreenKeysWorkOnEveryDesktop) {
  const struct {
    const char* name;
    MainMenuBar::KeyBindings bindings;
    std::vector<std::pair<QKeyCombination, const char*>> keys; // and the command each reaches
  } desktops[] = {
      {"this one", nullptr, {}},
      {"gnome",
       gnomeKeys,
       {{Qt::CTRL | Qt::Key_F11, "onToggleFullScreen"}, {QKeyCombination(Qt::Key_Back), "onPrevTab"}}},
      {"none", noDesktopKeys, {}},
  };
  const std::vector<std::pair<QKeyCombination, const char*>> everywhere = {
      {QKeyCombination(Qt::Key_F11), "onToggleFullScreen"},
      {Qt::CTRL | Qt::Key_Tab, "onNextTab"},
      {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, "onPrevTab"},     // as most platforms deliver it
      {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, "onPrevTab"}, // as X11 does
  };
  delegate.openDocuments = 3;
  for (auto const& d : desktops) {
    SCOPED_TRACE(d.name);
    MainMenuBar::setKeyBindings(d.bindings);
    auto* panes = new StatisticsWidget;
    auto* list = new WordListWidget;
    MainWindowWidget other{panes, list};
    MainMenuBar::setKeyBindings(nullptr);
    other.setDelegate(&delegate);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    auto keys = everywhere;
    keys.insert(keys.end(), d.keys.begin(), d.keys.end());
    // Wherever the focus is: a field that takes typing, or a view that moves with Tab.
    for (QWidget* focus :
         {static_cast<QWidget*>(list->searchField()), static_cast<QWidget*>(panes->tree())}) {
      focus->setFocus();
      for (auto const& [key, call] : keys) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString() + " in " + focus->metaObject()->className());
        delegate.calls.clear();
        QTest::keyClick(focus, key.key(), key.keyboardModifiers());
        EXPECT_EQ(delegate.calls, Strings{call});
      }
    }
    // The menu shows the keys the help names.
    EXPECT_EQ(other.menus().action(M::NextTab)->shortcut().toString(), "Ctrl+Tab");
    EXPECT_EQ(other.menus().action(M::PreviousTab)->shortcut().toString(), "Ctrl+Shift+Tab");
  }
}

TEST_F(MainWindowWidgetTest, WordListAndRecentSubmenusAreBuiltAsTheyOpen) {
  qmtest::TempDir root;
  WordListManager lists(root.str().c_str());
  delegate.lists = &lists;
  QMenu* menu = window.menus().wordListMenu();
  EXPECT_EQ(opened(menu), Strings{"Manage..."}); // one list

  ASSERT_TRUE(lists.createList("A & B", false)); // shown as named, not as a shortcut mark
  const Strings two = opened(menu);
  const int other = two.at(2).starts_with("* ") ? 3 : 2; // the list that is not current
  EXPECT_EQ(two[5 - other], "* " + std::string(lists.wordLists()[3 - other]->displayName()));
  EXPECT_TRUE(two[2] == "A & B" || two[3] == "A & B");
  delegate.calls.clear();
  item(menu, other)->trigger();
  item(menu, 0)->trigger();
  EXPECT_EQ(delegate.calls,
            (Strings{"onWordListChange " + std::string(lists.wordLists()[other - 2]->baseName()),
                     "onWordListManage"}));

  QMenu* recent = window.menus().recentMenu();
  EXPECT_EQ(opened(recent), Strings{"Clear Menu"});
  EXPECT_FALSE(item(recent, 0)->isEnabled());
  delegate.recent.addFile("/docs/a.txt", 0);
  delegate.recent.addFile("/docs/b & c.txt", 0);
  EXPECT_EQ(opened(recent), (Strings{"/docs/b & c.txt", "/docs/a.txt", "-", "Clear Menu"}));
  delegate.calls.clear();
  item(recent, 1)->trigger();
  item(recent, 3)->trigger();
  EXPECT_EQ(delegate.calls, (Strings{"onFileOpenRecent 1", "onFileOpenRecentClearList"}));
}

TEST_F(MainWindowWidgetTest, DroppedFilesOpenInTheOrderDropped) {
  qmtest::LogCapture log;
  const struct {
    const char* name;
    QStringList urls;
    QString text;
    Qt::DropActions actions;
    bool bound, failing;
    bool accepted;
    Strings calls;
  } cases[] = {
      // clang-format off
      {"files", {"file:///docs/b.txt", "file:///docs/%E4%B8%AD.txt", "file:///docs/a.txt"}, "", Qt::CopyAction,
       true, false, true, {"onOpenFiles /docs/b.txt /docs/中.txt /docs/a.txt"}},
      {"files among links", {"https://example.org/x", "file:///docs/a.txt"}, "",
       Qt::CopyAction | Qt::MoveAction, true, false, true, {"onOpenFiles /docs/a.txt"}},
      {"text only", {}, "/docs/a.txt", Qt::CopyAction, true, false, false, {}},
      {"links only", {"https://example.org/x"}, "", Qt::CopyAction, true, false, false, {}},
      {"move only", {"file:///docs/a.txt"}, "", Qt::MoveAction, true, false, false, {}},
      {"no delegate", {"file:///docs/a.txt"}, "", Qt::CopyAction, false, false, false, {}},
      {"the delegate fails", {"file:///docs/a.txt"}, "", Qt::CopyAction, true, true, false, {}},
      // clang-format on
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    delegate.calls.clear();
    delegate.failing = c.failing;
    window.setDelegate(c.bound ? &delegate : nullptr);
    EXPECT_EQ(drop(c.urls, c.text, c.actions), c.accepted);
    EXPECT_EQ(delegate.calls, c.calls);
  }
  EXPECT_NE(log.all().find("Error opening dropped files"), std::string::npos);

  // The open panel: a cancel sends nothing.
  delegate.failing = false;
  window.setDelegate(&delegate);
  delegate.calls.clear();
  window.menus().action(M::Open)->trigger();
  EXPECT_EQ(delegate.calls, Strings{});
}

TEST_F(MainWindowWidgetTest, FilesChosenInTheOpenPanelJoinTheDesktopsRecentDocumentsDroppedOnesDoNot) {
  qmtest::loadShippedProgramInfo(); // the name the desktop shows them under
  const qmtest::TempDir temp;
  const qmtest::ScopedEnv data("XDG_DATA_HOME", (temp / "data").string());
  const std::filesystem::path store = temp / "data" / "recently-used.xbel";
  const QString a = QString::fromStdString((temp / "甲.txt").string());
  const QString b = QString::fromStdString((temp / "b.txt").string());
  const QString dropped = QString::fromStdString((temp / "dropped.txt").string());
  for (QString const& path : {a, b, dropped})
    qmtest::writeFile(path.toStdString(), "中文\n");
  ASSERT_TRUE(drop({QUrl::fromLocalFile(dropped).toString()}, ""));
  EXPECT_FALSE(std::filesystem::exists(store));

  delegate.calls.clear();
  chosen = {a, b};
  window.menus().action(M::Open)->trigger();
  EXPECT_EQ(delegate.calls, Strings{"onOpenFiles " + a.toStdString() + " " + b.toStdString()});
  const std::string listed = qmtest::readFile(store);
  for (QString const& path : {a, b})
    EXPECT_NE(listed.find(QUrl::fromLocalFile(path).toEncoded().toStdString()), std::string::npos);
  EXPECT_EQ(listed.find("dropped.txt"), std::string::npos);
  EXPECT_NE(listed.find("name=\"Quillmere\""), std::string::npos);
}

TEST_F(MainWindowWidgetTest, PlacementAndDividersComeBackFromTheSettings) {
  window.show();
  window.setGeometry(40, 30, 700, 500);
  window.textSplitter()->setSizes({450, 250});
  window.wordListSplitter()->setSizes({120, 300});
  spinFor(50);
  const QList<int> text = window.textSplitter()->sizes(), lists = window.wordListSplitter()->sizes();
  PositionConfig saved;
  saved.minX = 7; // a field of other builds, kept as it is
  window.saveState(saved);
  EXPECT_FALSE(saved.fullScreen);
  EXPECT_EQ(saved.minX, 7);

  const struct {
    const char* name;
    Text data, textViewData, wordListData;
    bool fullScreen, restored;
  } cases[] = {
      {"saved", saved.data, saved.textViewData, saved.wordListData, false, true},
      {"saved, full screen", saved.data, saved.textViewData, saved.wordListData, true, true},
      {"never saved", "", "", "", false, false},
      {"not base64", "%%%%", "@@", "!", false, false},
      {"base64 of something else", "aGVsbG8gd29ybGQ=", "aGVsbG8=", "AAAA", false, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    MainWindowWidget other(new StatisticsWidget, new WordListWidget);
    const QRect fresh = other.geometry();
    PositionConfig config;
    config.data = c.data;
    config.textViewData = c.textViewData;
    config.wordListData = c.wordListData;
    config.fullScreen = c.fullScreen;
    other.restoreState(config);
    other.show();
    spinFor(50);
    EXPECT_EQ(other.isFullScreen(), c.fullScreen);
    if (c.restored) {
      EXPECT_EQ(other.normalGeometry(), window.normalGeometry());
    } else {
      EXPECT_EQ(other.normalGeometry().size(), fresh.size());
    }
    if (c.restored && !c.fullScreen) {
      EXPECT_EQ(other.textSplitter()->sizes(), text);
      EXPECT_EQ(other.wordListSplitter()->sizes(), lists);
    }
    other.setFullScreen(false);
    EXPECT_FALSE(other.isFullScreen());
    PositionConfig again;
    other.saveState(again);
    if (c.restored) {
      EXPECT_EQ(again.textViewData, saved.textViewData);
    }
  }
}

TEST_F(MainWindowWidgetTest, ClosingAsksTheDelegateAndOnlyYesCloses) {
  qmtest::LogCapture log;
  const struct {
    const char* name;
    bool bound, failing;
    int answer;
    bool closed;
    Strings calls;
  } cases[] = {{"yes", true, false, MessageBox::Yes, true, {"applicationWillClose"}},
               {"no, or Escape", true, false, MessageBox::No, false, {}},
               {"the question fails", true, true, MessageBox::Yes, false, {}},
               {"no delegate", false, false, MessageBox::No, true, {}}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    delegate.calls.clear();
    asked.clear();
    delegate.failing = c.failing;
    answer = c.answer;
    window.setDelegate(c.bound ? &delegate : nullptr);
    window.show();
    window.close();
    EXPECT_EQ(window.isVisible(), !c.closed);
    EXPECT_EQ(delegate.calls, c.calls);
    EXPECT_EQ(asked, c.bound && !c.failing ? Strings{"Unsaved documents."} : Strings{});
  }
  EXPECT_NE(log.all().find("Error closing the main window"), std::string::npos);

  // Quit reaches the delegate, whose exit hook closes the window after the same question.
  window.setDelegate(&delegate);
  delegate.failing = false;
  answer = MessageBox::Yes;
  window.show();
  delegate.calls.clear();
  window.menus().action(M::Quit)->trigger();
  EXPECT_EQ(delegate.calls, Strings{"onFileExit"});
  window.onExit();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(delegate.calls, (Strings{"onFileExit", "applicationWillClose"}));
}

TEST_F(MainWindowWidgetTest, TheTitleNamesTheCurrentDocument) {
  qmtest::WordFixture fixture;
  const auto path = fixture.dir / "笔记[*].txt";
  qmtest::writeFile(path, qmtest::WordFixture::TEXT);
  Document file(path.c_str(), Text(path.c_str()), fixture.master, fixture.levels, fixture.engine);
  Document pasted(path.c_str(), Text("Clipboard 1"), fixture.master, fixture.levels, fixture.engine);
  pasted.setTemporary(true);
  window.show();
  const struct {
    const char* name;
    Document* document;
    QString title, shown, filePath;
  } cases[] = {{"a file", &file, "笔记[*][*].txt", "笔记[*].txt", QString::fromStdString(path.string())},
               {"pasted", &pasted, "Clipboard 1", "Clipboard 1", ""},
               {"none", nullptr, "", "", ""}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    delegate.document = c.document;
    window.setDocument();
    EXPECT_EQ(window.windowTitle(), c.title);
    EXPECT_EQ(window.windowFilePath(), c.filePath);
    if (!c.shown.isEmpty()) {
      EXPECT_TRUE(window.windowHandle()->title().startsWith(c.shown))
          << window.windowHandle()->title().toStdString();
    }
  }
  pasted.setTemporary(false); // its file is the test's, not a paste's
}

TEST_F(MainWindowWidgetTest, PaletteChangesTellTheAppearance) {
  struct Observer : MainWindowWidget::AppearanceObserver {
    std::vector<bool> told;
    void appearanceChanged(bool dark) override { told.push_back(dark); }
  } observer;
  window.setAppearanceObserver(&observer);
  const QPalette light = QApplication::palette();
  QPalette dark = light;
  dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
  ASSERT_FALSE(DarkMode::isDarkMode(light));
  ASSERT_TRUE(DarkMode::isDarkMode(dark));

  QApplication::setPalette(dark);
  EXPECT_TRUE(window.isDarkMode());
  QPalette darker = dark;
  darker.setColor(QPalette::Base, Qt::black); // still dark: nothing new to tell
  QApplication::setPalette(darker);
  QApplication::setPalette(light);
  EXPECT_FALSE(window.isDarkMode());
  EXPECT_EQ(observer.told, (std::vector<bool>{true, false}));
  window.setAppearanceObserver(nullptr);
}
