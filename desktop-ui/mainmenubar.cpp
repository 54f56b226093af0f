#include "desktop-ui/mainmenubar.h"

#include "desktop-ui/menubuilder.h"
#include "desktop-ui/slotguard.h"
#include "documents/recentfiles.h"
#include "views/mainwindow.h"
#include "views/mainwindowdelegate.h"
#include "wordlists/wordlistmanager.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <string>
#include <vector>

using M = MainMenu;

namespace {

MainMenuBar::KeyBindings desktopBindings = nullptr; // null: Qt's

QList<QKeySequence> desktopKeys(QKeySequence::StandardKey key) {
  return desktopBindings ? desktopBindings(key) : QKeySequence::keyBindings(key);
}

// keys, then those of more that are not among them; the menu shows the first.
QList<QKeySequence> joined(QList<QKeySequence> keys, QList<QKeySequence> const& more) {
  for (QKeySequence const& key : more)
    if (!key.isEmpty() && !keys.contains(key)) keys.append(key);
  return keys;
}

} // namespace

struct MainMenuBar::Impl {
  Impl(MainWindow& c, std::function<bool()> d, Run r)
      : core(c), documentActions(std::move(d)), run(std::move(r)) {}

  QMenu* watch(QMenu* menu);
  QAction* add(QMenu* menu, M::Action action, QString const& title, QKeySequence const& key = {}) {
    return add(menu, action, title, QList<QKeySequence>{key});
  }
  QAction* add(QMenu* menu, M::Action action, QString const& title, QList<QKeySequence> const& keys);
  void showState(QMenu* menu);
  void showTick(M::Action action);
  void enableAll(QMenu* menu);
  void buildRecent();
  void buildWordLists();
  void build(QMenuBar* bar);

  MainWindow& core;
  std::function<bool()> documentActions;
  Run run;
  QAction* actions[M::ACTION_COUNT] = {};
  QMenu* recent = nullptr;
  QMenu* wordLists = nullptr;
  std::vector<std::string> baseNames; // of the word-list items shown, by their index
  QObject context;                    // ends every connection when this goes, before the menus do
};

MainMenuBar::MainMenuBar(QMainWindow& window, MainWindow& core, std::function<bool()> documentActions,
                         Run run)
    : impl(std::make_unique<Impl>(core, std::move(documentActions), std::move(run))) {
  impl->build(window.menuBar());
}

MainMenuBar::~MainMenuBar() = default;

void MainMenuBar::setKeyBindings(KeyBindings bindings) {
  desktopBindings = bindings;
}

QAction* MainMenuBar::action(MainMenu::Action action) const {
  return action >= 0 && action < M::ACTION_COUNT ? impl->actions[action] : nullptr;
}

void MainMenuBar::showTick(MainMenu::Action action) {
  if (action >= 0 && action < M::ACTION_COUNT) impl->showTick(action);
}

QMenu* MainMenuBar::recentMenu() const {
  return impl->recent;
}

QMenu* MainMenuBar::wordListMenu() const {
  return impl->wordLists;
}

QMenu* MainMenuBar::Impl::watch(QMenu* menu) {
  QObject::connect(menu, &QMenu::aboutToShow, &context,
                   [this, menu] { slotGuard("Error showing a menu: ", [&] { showState(menu); }); });
  QObject::connect(menu, &QMenu::aboutToHide, &context, [this, menu] { enableAll(menu); });
  return menu;
}

QAction* MainMenuBar::Impl::add(QMenu* menu, M::Action action, QString const& title,
                                QList<QKeySequence> const& keys) {
  QAction* a = menu->addAction(title);
  a->setShortcuts(keys);
  a->setData(int(action));
  QObject::connect(a, &QAction::triggered, &context, [this, a, action] {
    const bool checkable = a->isCheckable();
    run(action, 0, nullptr);
    if (checkable) showTick(action); // Qt flipped the tick; the command may have done otherwise
  });
  actions[action] = a;
  return a;
}

void MainMenuBar::Impl::showState(QMenu* menu) {
  if (menu == recent) buildRecent();
  if (menu == wordLists) buildWordLists();
  const bool gate = documentActions();
  for (QAction* a : menu->actions()) {
    const int action = a->data().isValid() ? a->data().toInt() : -1;
    if (action < 0 || action >= M::ACTION_COUNT || actions[action] != a) continue;
    const M::State state = M::state(M::Action(action), core, gate);
    a->setEnabled(state.enabled);
    if (a->isCheckable()) a->setChecked(state.ticked);
  }
}

void MainMenuBar::Impl::showTick(M::Action action) {
  QAction* a = actions[action];
  if (a && a->isCheckable()) a->setChecked(M::state(action, core, documentActions()).ticked);
}

void MainMenuBar::Impl::enableAll(QMenu* menu) {
  for (QAction* a : menu->actions())
    for (QAction* own : actions)
      if (own == a) a->setEnabled(true);
}

void MainMenuBar::Impl::buildRecent() {
  recent->clear();
  MainWindowDelegate* delegate = core.delegate();
  const RecentFiles none;
  MenuBuilder::append(
      *recent, M::recentFileItems(delegate ? delegate->recentFiles(core) : none),
      [this](int tag) { run(M::Action(MenuItem::actionOf(tag)), MenuItem::indexOf(tag), nullptr); });
}

void MainMenuBar::Impl::buildWordLists() {
  const QList<QAction*> items = wordLists->actions();
  for (qsizetype i = 1; i < items.size(); ++i) { // the first, Manage, stays
    wordLists->removeAction(items[i]);
    if (items[i]->parent() == wordLists) delete items[i];
  }
  baseNames.clear();
  MainWindowDelegate* delegate = core.delegate();
  if (!delegate) return;
  WordListManager& manager = delegate->wordListManager(core);
  const auto lists = manager.wordLists();
  for (auto const& list : lists)
    baseNames.emplace_back(list->baseName());
  MenuBuilder::append(*wordLists, M::wordListItems(lists, manager.currentList()), [this](int tag) {
    const auto action = M::Action(MenuItem::actionOf(tag));
    const unsigned index = MenuItem::indexOf(tag);
    if (action != M::ChangeWordList)
      run(action, 0, nullptr);
    else if (index < baseNames.size())
      run(action, index, std::string(baseNames[index]).c_str()); // a copy: the run may rebuild the menu
  });
}

void MainMenuBar::Impl::build(QMenuBar* bar) {
  QMenu* file = watch(bar->addMenu(QMenu::tr("&File")));
  add(file, M::Open, QMenu::tr("&Open..."), QKeySequence::Open);
  recent = watch(file->addMenu(QMenu::tr("Open &Recent")));
  add(file, M::Close, QMenu::tr("&Close"), QKeySequence::Close);
  file->addSeparator();
  add(file, M::Import, QMenu::tr("&Import Word List..."));
  add(file, M::ExportToFile, QMenu::tr("&Export to File..."));
  add(file, M::ExportToClipboard, QMenu::tr("Export to Clip&board..."));
  add(file, M::ExportToEmail, QMenu::tr("Export by E-&mail..."));
  file->addSeparator();
  add(file, M::Quit, QMenu::tr("&Quit"), QKeySequence::Quit);

  QMenu* edit = watch(bar->addMenu(QMenu::tr("&Edit")));
  add(edit, M::Copy, QMenu::tr("&Copy"), QKeySequence::Copy);
  add(edit, M::AppendToClipboard, QMenu::tr("&Append to Clipboard"), QKeySequence(QMenu::tr("Ctrl+Shift+C")));
  add(edit, M::Paste, QMenu::tr("&Paste"), QKeySequence::Paste);
  add(edit, M::SelectAll, QMenu::tr("Select &All"), QKeySequence::SelectAll);
  edit->addSeparator();
  add(edit, M::Find, QMenu::tr("&Find..."), QKeySequence::Find);
  add(edit, M::FindNext, QMenu::tr("Find &Next"), QKeySequence::FindNext);
  add(edit, M::CentreSelection, QMenu::tr("C&entre Selection"), QKeySequence(QMenu::tr("Ctrl+J")));

  QMenu* view = watch(bar->addMenu(QMenu::tr("&View")));
  add(view, M::Font, QMenu::tr("&Font..."), QKeySequence(QMenu::tr("Ctrl+T")));
  add(view, M::BiggerFont, QMenu::tr("&Bigger"), QKeySequence::ZoomIn);
  add(view, M::SmallerFont, QMenu::tr("&Smaller"), QKeySequence::ZoomOut);
  add(view, M::ResetFont, QMenu::tr("&Reset Font"), QKeySequence(QMenu::tr("Ctrl+0")));
  view->addSeparator();
  QMenu* scheme = watch(view->addMenu(QMenu::tr("&Colour Scheme")));
  add(scheme, M::ColourSchemeLight, QMenu::tr("&Light"))->setCheckable(true);
  add(scheme, M::ColourSchemeDark, QMenu::tr("&Dark"))->setCheckable(true);
  add(scheme, M::ColourSchemeAuto, QMenu::tr("&Auto"))->setCheckable(true);
  add(view, M::ToggleColourScheme, QMenu::tr("&Toggle Colour Scheme"));
  add(view, M::HighlightLookedUpWords, QMenu::tr("&Highlight Looked-up Words"))->setCheckable(true);
  view->addSeparator();
  // Some desktops' full-screen key is Ctrl+F11 only; F11 is the one readers expect everywhere.
  add(view, M::FullScreen, QMenu::tr("F&ull Screen"),
      joined(desktopKeys(QKeySequence::FullScreen), {QKeySequence(Qt::Key_F11)}))
      ->setCheckable(true);
  view->addSeparator();
  // X11 delivers Ctrl+Shift+Tab as Ctrl+Shift+Backtab, which the desktop's own binding does not match;
  // Ctrl+Shift+Tab matches it and a plain Tab with those modifiers alike.
  add(view, M::NextTab, QMenu::tr("&Next Tab"),
      joined({QKeySequence(Qt::CTRL | Qt::Key_Tab)}, desktopKeys(QKeySequence::NextChild)));
  add(view, M::PreviousTab, QMenu::tr("&Previous Tab"),
      joined({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)}, desktopKeys(QKeySequence::PreviousChild)));

  wordLists = watch(bar->addMenu(QMenu::tr("&Word Lists")));
  add(wordLists, M::ManageWordLists, QMenu::tr("&Manage..."));
  QMenu* tools = watch(bar->addMenu(QMenu::tr("&Tools")));
  add(tools, M::RunScript, QMenu::tr("&Run Script..."));
  QMenu* help = watch(bar->addMenu(QMenu::tr("&Help")));
  add(help, M::Help, QMenu::tr("Quillmere &Help"), QKeySequence::HelpContents);
  add(help, M::SendFeedback, QMenu::tr("Send &Feedback..."));
  add(help, M::About, QMenu::tr("&About Quillmere"));
}
