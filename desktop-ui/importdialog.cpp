#include "desktop-ui/importdialog.h"

#include "desktop-ui/named.h"
#include "desktop-ui/slotguard.h"
#include "desktop-ui/wordpreviewmodel.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

ImportDialog::ImportDialog(QWidget* parent, OpenFileChooser chooser)
    : QDialog(parent), m_chooser(std::move(chooser)),
      m_adapter(std::make_unique<ImportAdapter>(static_cast<ImportAdapter::Listener&>(*this))) {
  setWindowTitle(tr("Import Word List"));
  fromFileRadio = named(new QRadioButton(tr("From file:")), "fromFileRadio");
  hskLevelRadio = named(new QRadioButton(tr("HSK words up to:")), "hskLevelRadio");
  tocflLevelRadio = named(new QRadioButton(tr("TOCFL words up to:")), "tocflLevelRadio");
  fileLocation = named(new QLineEdit, "fileLocation");
  browseButton = namedButton(tr("Browse..."), "browseButton");
  hskLevelCombo = levelCombo(ImportAdapter::Hsk, "hskLevelCombo");
  tocflLevelCombo = levelCombo(ImportAdapter::Tocfl, "tocflLevelCombo");
  fileLocation->installEventFilter(this);

  connect(fromFileRadio, &QRadioButton::clicked, this, [this] { fileLocationChanged(); });
  connect(hskLevelRadio, &QRadioButton::clicked, this, [this] { levelChosen(ImportAdapter::Hsk); });
  connect(tocflLevelRadio, &QRadioButton::clicked, this, [this] { levelChosen(ImportAdapter::Tocfl); });
  connect(fileLocation, &QLineEdit::textEdited, this, [this] { fileLocationChanged(); });
  connect(browseButton, &QPushButton::clicked, this, [this] { browse(); });

  m_preview =
      new WordPreviewModel([this] { return m_adapter ? m_adapter->totalWords() : size_t(0); },
                           [this](size_t row) { return m_adapter ? m_adapter->wordAt(row) : Span(); }, this);
  previewBox = m_preview->makePreviewBox();

  importButton = named(new QPushButton(tr("Import")), "importButton");
  cancelButton = namedButton(tr("Cancel"), "cancelButton");
  importButton->setEnabled(false);
  importButton->setDefault(true);
  connect(importButton, &QPushButton::clicked, this, &ImportDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &ImportDialog::reject);

  auto* sources = new QGridLayout;
  sources->addWidget(fromFileRadio, 0, 0);
  sources->addWidget(fileLocation, 0, 1);
  sources->addWidget(browseButton, 0, 2);
  sources->addWidget(hskLevelRadio, 1, 0);
  sources->addWidget(hskLevelCombo, 1, 1, 1, 2);
  sources->addWidget(tocflLevelRadio, 2, 0);
  sources->addWidget(tocflLevelCombo, 2, 1, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancelButton);
  buttons->addWidget(importButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(sources);
  layout->addWidget(previewBox, 1);
  layout->addLayout(buttons);
  fromFileRadio->setChecked(true);
  resize(520, 460);
}

ImportDialog::~ImportDialog() {
  // Before the widgets go: the preview asks the adapter only while it is there.
  m_adapter.reset();
}

QComboBox* ImportDialog::levelCombo(ImportAdapter::LevelType type, const char* name) {
  auto* combo = named(new QComboBox, name);
  auto titles = ImportAdapter::levelTitles(type);
  std::sort(titles.begin(), titles.end(), [](auto const& a, auto const& b) {
    return QString::fromUtf8(a.first.c_str())
               .toLower()
               .localeAwareCompare(QString::fromUtf8(b.first.c_str()).toLower()) < 0;
  });
  {
    const QSignalBlocker block(combo);
    for (auto const& [title, level] : titles)
      combo->addItem(QString::fromUtf8(title.c_str()), level);
  }
  connect(combo, &QComboBox::activated, this, [this, type] { levelChosen(type); });
  return combo;
}

bool ImportDialog::run() {
  return exec() == QDialog::Accepted;
}

std::vector<Span> const& ImportDialog::words() const {
  return m_adapter->words();
}

void ImportDialog::accept() {
  if (!m_adapter->complete() || m_adapter->totalWords() == 0) return;
  QDialog::accept();
}

ImportDialog::OpenFileChooser ImportDialog::fileDialogChooser() {
  return [](QWidget* parent) { return QFileDialog::getOpenFileName(parent, tr("Import Word List")); };
}

bool ImportDialog::eventFilter(QObject* watched, QEvent* event) {
  // Moving into the field chooses the file as the source without reading it.
  if (watched == fileLocation && event->type() == QEvent::FocusIn) fromFileRadio->setChecked(true);
  return QDialog::eventFilter(watched, event);
}

void ImportDialog::previewChanged() {
  slotGuard("Error updating the import preview: ", [this] {
    const size_t total = m_adapter->totalWords();
    previewBox->setTitle(total > 0 ? tr("Preview - total %1 words").arg(qulonglong(total)) : tr("Preview"));
    m_preview->refresh();
    importButton->setEnabled(m_adapter->complete() && total > 0);
  });
}

void ImportDialog::fileLocationChanged() {
  slotGuard("Error reading the word-list file: ", [this] {
    fromFileRadio->setChecked(true);
    m_adapter->loadFromFile(fileLocation->text().toUtf8().constData());
  });
}

void ImportDialog::levelChosen(ImportAdapter::LevelType type) {
  slotGuard("Error reading the level lists: ", [this, type] {
    QComboBox* combo = type == ImportAdapter::Hsk ? hskLevelCombo : tocflLevelCombo;
    (type == ImportAdapter::Hsk ? hskLevelRadio : tocflLevelRadio)->setChecked(true);
    if (combo->currentIndex() >= 0) m_adapter->useLevel(type, combo->currentData().toInt());
  });
}

void ImportDialog::browse() {
  slotGuard("Error choosing a word-list file: ", [this] {
    const QString path = m_chooser ? m_chooser(this) : QString();
    if (path.isEmpty()) return;
    fileLocation->setText(path);
    fileLocationChanged();
  });
}
