#include "desktop-ui/welcomedialog.h"

#include "desktop-ui/named.h"
#include "desktop-ui/slotguard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

struct WelcomeDialog::Impl {
  QPointer<QWidget> mainWindow;
  ImportDialog::OpenFileChooser chooser;
  ImportWords importWords;
  DialogRunner runner = [](QDialog& dialog) { return dialog.exec(); };
};

WelcomeDialog::WelcomeDialog(QWidget* mainWindow, ImportDialog::OpenFileChooser chooser,
                             ImportWords importWords)
    : QDialog(mainWindow), impl(std::make_unique<Impl>()) {
  impl->mainWindow = mainWindow;
  impl->chooser = std::move(chooser);
  impl->importWords = std::move(importWords);
  setWindowTitle(tr("Welcome to Quillmere"));

  auto* heading = new QLabel(tr("Welcome to Quillmere"));
  QFont big = heading->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  heading->setFont(big);
  auto* text = new QLabel(tr(
      "Quillmere shows every word of a Chinese text in the colour of what you know of it, and keeps the "
      "words you know in a word list.\n\nIf you already know many words, import them now, from a word-list "
      "file or as the HSK or TOCFL words up to your level, so that they start out as known. You can import "
      "more at any time with Import Word List in the File menu."));
  text->setWordWrap(true);
  text->setAlignment(Qt::AlignTop | Qt::AlignLeft);

  auto* importButton = namedButton(tr("Import..."), "importButton");
  auto* closeButton = named(new QPushButton(tr("Close")), "closeButton");
  closeButton->setDefault(true);
  connect(importButton, &QPushButton::clicked, this, [this] { import(); });
  connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(importButton);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(text, 1);
  layout->addLayout(buttons);
  setModal(true);
  resize(480, 260);
}

WelcomeDialog::~WelcomeDialog() = default;

int WelcomeDialog::run() {
  exec();
  return 0;
}

void WelcomeDialog::setDialogRunner(DialogRunner runner) {
  impl->runner = std::move(runner);
}

void WelcomeDialog::done(int result) {
  QDialog::done(result);
  if (impl->mainWindow) {
    impl->mainWindow->raise();
    impl->mainWindow->activateWindow();
  }
}

void WelcomeDialog::import() {
  slotGuard("Error importing words: ", [this] {
    ImportDialog dialog(this, impl->chooser);
    if (impl->runner(dialog) == QDialog::Accepted && !dialog.words().empty() && impl->importWords)
      impl->importWords(dialog.words());
  });
  raise();
  activateWindow();
}
