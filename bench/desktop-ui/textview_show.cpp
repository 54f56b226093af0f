// Not a benchmark: opens one file in the text view alone, its words coloured against the shipped HSK 1-6
// lists as the known words, so that the view, the definition popup and the find bar can be tried and looked
// at before the main window exists. Marking, "d" and the menu work; a find only marks the term's matches.
//
//   textview_show FILE [--size WxH] [--offset BYTES] [--select FROM,TO] [--find TERM]
//                      [--hover X,Y [--popup]] [--screenshot OUT.png]
//
// With --screenshot it moves the pointer to the hover point (view coordinates), presses "d" for --popup,
// saves the whole screen and quits: run it under xvfb-run for pictures a reader can check.
#include "desktop-ui/definitionwidget.h"
#include "desktop-ui/finddialogwidget.h"
#include "desktop-ui/guiapplication.h"
#include "desktop-ui/textcontainerwidget.h"
#include "desktop-ui/textviewwidget.h"
#include "dictionary/cedictionary.h"
#include "documents/documentstate.h"
#include "documents/textdocument.h"
#include "support/benchfiles.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "views/applicationdelegate.h"
#include "views/clipboard.h"
#include "views/definitionconfig.h"
#include "views/finddialogdelegate.h"
#include "views/fontdescription.h"
#include "views/textviewcontroller.h"
#include "wordlists/wordlistmanager.h"

#include <QCursor>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string RESOURCES = QM_RESOURCES_DIR;

struct Options {
  const char* file = nullptr;
  int width = 1000, height = 800;
  uint64_t offset = 0;
  DocumentState state;
  const char* find = nullptr;
  bool hover = false;
  double hoverX = 0, hoverY = 0;
  bool popup = false;
  const char* screenshot = nullptr;
};

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    unsigned long from = 0, to = 0;
    if (a == "--size" && next && std::sscanf(argv[++i], "%dx%d", &o.width, &o.height) == 2) continue;
    if (a == "--offset" && next) {
      o.state.position = o.offset = std::strtoull(argv[++i], nullptr, 10);
      continue;
    }
    if (a == "--select" && next && std::sscanf(argv[++i], "%lu,%lu", &from, &to) == 2) {
      o.state.selectionStart = from;
      o.state.selectionEnd = to;
      continue;
    }
    if (a == "--find" && next) {
      o.find = argv[++i];
      continue;
    }
    if (a == "--hover" && next && std::sscanf(argv[++i], "%lf,%lf", &o.hoverX, &o.hoverY) == 2) {
      o.hover = true;
      continue;
    }
    if (a == "--popup") {
      o.popup = true;
      continue;
    }
    if (a == "--screenshot" && next) {
      o.screenshot = argv[++i];
      continue;
    }
    if (a[0] == '-' || o.file) return false;
    o.file = argv[i];
  }
  return o.file != nullptr;
}

// The word commands of the application controller, as far as the view alone can carry them out.
class Commands : public ApplicationDelegate, public FindDialogDelegate {
public:
  Commands(WordListManager& lists, TextViewController& view, DefinitionWidget& popup,
           Dictionary const* dictionary)
      : lists(lists), view(view), popup(popup), dictionary(dictionary) {}

  void markAsKnown(Span const& word) override { change(word, true); }
  void markAsUnknown(Span const& word) override { change(word, false); }
  void toggleKnown(Span const& word) override {
    change(word, lists.current().exists(word) != WordHash::Word);
  }
  void markAsKnown(std::vector<WordStatistics*> const&) override {}
  void markAsUnknown(std::vector<WordStatistics*> const&) override {}
  void showDefinition(Span const& word) override {
    const QPoint at = QCursor::pos();
    showDefinition(word, at.x(), at.y() + 20);
  }
  void showDefinition(Span const& word, double x, double y) override {
    if (!popup.dictionary()) {
      popup.setConfig(DefinitionConfig());
      popup.setDictionary(dictionary);
    }
    std::fprintf(stderr, "definition of \"%.*s\" at %g,%g\n", int(word.length), word.data, x, y);
    popup.setWord(word);
    popup.show(x, y);
  }
  void onlineLookup(Span const&, unsigned long) override {}
  void copyToClipboard(std::vector<WordStatistics*> const&, bool) override {}
  void findWord(Span const& term) override {
    view.preFind(term);
    view.refresh();
  }
  void findFromOffset(unsigned long, Span const& term) override { findWord(term); }
  void copySelectedText() override { Clipboard().setText(view.selectedText()); }
  void paste(bool) override {}
  void addCustomWordFromSelection() override {}
  void manageWordLists() override {}
  void wordListChanged() override { view.refresh(); }

  void getSearchHistory(FindDialog&, std::vector<const char*>& terms) const override {
    for (std::string const& term : history)
      terms.push_back(term.c_str());
  }
  void addSearchTerm(FindDialog&, Span const& term) override {
    history.emplace(history.begin(), term.view());
  }
  void find(FindDialog& dialog, Span const& term) override {
    addSearchTerm(dialog, term);
    findWord(term);
  }

private:
  void change(Span const& word, bool known) {
    if (word.length == 0) return;
    if (known)
      lists.current().add(word);
    else
      lists.current().remove(word);
    view.refresh();
  }

  WordListManager& lists;
  TextViewController& view;
  DefinitionWidget& popup;
  Dictionary const* dictionary;
  std::vector<std::string> history;
};

} // namespace

int main(int argc, char** argv) {
  setenv("QUILLMERE_RESOURCES", RESOURCES.c_str(), 0);
  setenv("XDG_DATA_HOME", (qmbench::scratch() / "data").c_str(), 1);
  GuiApplication app(argc, argv);
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s FILE [--size WxH] [--offset BYTES] [--select FROM,TO] [--find TERM] "
                 "[--hover X,Y [--popup]] [--screenshot OUT.png]\n",
                 argv[0]);
    return 2;
  }

  WordHash master(20, (RESOURCES + "/data/words.u8").c_str(), true);
  SegmentEngine engine(SegmentEngine::ChineseOnly, master);
  WordListManager lists((qmbench::scratch() / "lists").c_str());
  for (int level = 1; level <= 6; ++level)
    lists.current().addFromFile((RESOURCES + "/wordlists/hsk-" + std::to_string(level) + ".txt").c_str());
  std::unique_ptr<CEDictionary> dictionary;
  try {
    dictionary = std::make_unique<CEDictionary>("data/cedict_ts.u8", false);
  } catch (std::exception const& e) {
    std::fprintf(stderr, "no dictionary: %s\n", e.what());
  }
  std::unique_ptr<TextDocument> opened;
  try {
    opened = std::make_unique<TextDocument>(options.file);
  } catch (std::exception const& e) {
    std::fprintf(stderr, "cannot open %s: %s\n", options.file, e.what());
    return 1;
  }
  TextDocument& document = *opened;

  TextViewWidget textView;
  TextViewWidget* view = &textView;
  TextContainerWidget window;
  window.setTextView(view);
  TextViewController controller(*view, lists, engine);
  DefinitionWidget popup;
  FindDialogWidget findBar;
  Commands commands(lists, controller, popup, dictionary.get());
  controller.setDelegate(&commands);
  controller.setFont(FontDescription{"Noto Serif CJK SC", 18});
  window.setWindowTitle(QString::fromUtf8(options.file));
  window.resize(options.width, options.height);
  window.move(20, 20);
  window.show();
  controller.setDocument(nullptr, &document, &options.state);
  view->setFocus();

  const auto showFind = [&](const char* term) {
    findBar.setSearchText(term);
    findBar.show(&commands);
    window.setSearchView(&findBar);
    findBar.setFocus();
  };
  QShortcut find(QKeySequence::Find, &window);
  QObject::connect(&find, &QShortcut::activated, &window, [&] { showFind(nullptr); });
  if (options.find) {
    showFind(options.find);
    commands.find(findBar, Span(options.find));
  }
  if (!options.screenshot) return app.exec();

  // Under X the pointer itself moves, so the hover comes as it would from a reader's mouse.
  QTimer::singleShot(600, &window, [&] {
    if (options.hover) {
      QCursor::setPos(view->mapToGlobal(QPointF(options.hoverX, options.hoverY)).toPoint());
      view->setFocus();
    }
  });
  QTimer::singleShot(1000, &window, [&] {
    if (!options.popup) return;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, QStringLiteral("d"));
    QApplication::sendEvent(view, &press);
  });
  QTimer::singleShot(1600, &window, [&] {
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    if (!screen.save(QString::fromUtf8(options.screenshot)))
      std::fprintf(stderr, "could not save the screenshot\n");
    app.quit();
  });
  return app.exec();
}
