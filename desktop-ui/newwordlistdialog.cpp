#include "desktop-ui/newwordlistdialog.h"

#include "wordlists/wordlist.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

template <class W> W* named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

} // namespace

NewWordListDialog::NewWordListDialog(QWidget* parent, NewWordListDialogData* data,
                                     std::vector<std::string> const& names)
    : QDialog(parent), m_data(data) {
  setWindowTitle(tr("New Word List"));
  nameField = named(new QLineEdit(QString::fromStdString(data->name)), "nameField");
  readOnlyCheck = named(new QCheckBox(tr("Read-only")), "readOnlyCheck");
  readOnlyCheck->setChecked(data->readOnly);
  missingName = named(new QLabel(tr("Please enter a name for the word list.")),
                      "missingName");
  missingName->setWordWrap(true);
  missingName->setStyleSheet("color: #c0392b");
  missingName->hide();

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(new QLabel(tr("Name:")));
  nameRow->addWidget(nameField, 1);

  createButton = named(new QPushButton(tr("Create")), "createButton");
  cancelButton = named(new QPushButton(tr("Cancel")), "cancelButton");
  createButton->setDefault(true);
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(createButton, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancelButton, QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &NewWordListDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &NewWordListDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(nameRow);
  layout->addWidget(readOnlyCheck);
  layout->addWidget(missingName);
  layout->addWidget(buildChoices(names));
  layout->addWidget(buttons);
}

QWidget* NewWordListDialog::buildChoices(std::vector<std::string> const& names) {
  createFromBox = named(new QGroupBox(tr("Create from")), "createFromBox");
  emptyRadio = named(new QRadioButton(tr("An empty list")), "emptyRadio");
  existingRadio = named(new QRadioButton(tr("A copy of")), "existingRadio");
  existingPopup = named(new QComboBox, "existingPopup");
  hskRadio = named(new QRadioButton(tr("HSK levels")), "hskRadio");
  tocflRadio = named(new QRadioButton(tr("TOCFL levels")), "tocflRadio");
  auto* radios = new QButtonGroup(createFromBox);
  for (QRadioButton* r : {emptyRadio, existingRadio, hskRadio, tocflRadio})
    radios->addButton(r);

  {
    const QSignalBlocker block(existingPopup);
    for (size_t i = 0; i < names.size(); ++i)
      existingPopup->addItem(QString::fromUtf8(names[i].c_str()), QVariant::fromValue(qulonglong(i)));
    existingPopup->setCurrentIndex(
        existingPopup->findData(QVariant::fromValue(qulonglong(m_data->existing))));
  }
  existingRadio->setEnabled(!names.empty());
  existingPopup->setEnabled(!names.empty());
  connect(existingPopup, &QComboBox::activated, existingRadio, [this] { existingRadio->setChecked(true); });

  auto* grid = new QGridLayout(createFromBox);
  grid->addWidget(emptyRadio, 0, 0);
  grid->addWidget(existingRadio, 1, 0);
  grid->addWidget(existingPopup, 1, 1, 1, 6);
  grid->addWidget(hskRadio, 2, 0);
  grid->addWidget(tocflRadio, 3, 0);
  for (size_t i = 0; i < hskChecks.size(); ++i) {
    hskChecks[i] =
        named(new QCheckBox(QString::number(i + 1)), ("hsk" + std::to_string(i + 1) + "Check").c_str());
    hskChecks[i]->setChecked(m_data->hsk[i]);
    connect(hskChecks[i], &QCheckBox::clicked, hskRadio, [this] { hskRadio->setChecked(true); });
    grid->addWidget(hskChecks[i], 2, int(i) + 1);
  }
  for (size_t i = 0; i < tocflChecks.size(); ++i) {
    tocflChecks[i] =
        named(new QCheckBox(QString::number(i + 1)), ("tocfl" + std::to_string(i + 1) + "Check").c_str());
    tocflChecks[i]->setChecked(m_data->tocfl[i]);
    connect(tocflChecks[i], &QCheckBox::clicked, tocflRadio, [this] { tocflRadio->setChecked(true); });
    grid->addWidget(tocflChecks[i], 3, int(i) + 1);
  }
  QRadioButton* const bySource[] = {emptyRadio, existingRadio, hskRadio, tocflRadio};
  const int source = m_data->source >= 0 && m_data->source < 4 ? m_data->source : 0;
  (bySource[source]->isEnabled() ? bySource[source] : emptyRadio)->setChecked(true);
  return createFromBox;
}

bool NewWordListDialog::run() {
  return exec() == QDialog::Accepted;
}

void NewWordListDialog::accept() {
  const Text name = WordList::storableDisplayName(nameField->text().toUtf8().constData());
  if (name.empty()) {
    missingName->show();
    nameField->setFocus();
    return;
  }
  NewWordListDialogData& d = *m_data;
  d.name = name.c_str();
  d.readOnly = readOnlyCheck->isChecked();
  d.source = NewWordListDialogData::Empty;
  if (existingRadio->isChecked() && existingPopup->currentIndex() >= 0) {
    d.source = NewWordListDialogData::Existing;
    d.existing = existingPopup->currentData().toULongLong();
  } else if (hskRadio->isChecked()) {
    d.source = NewWordListDialogData::Hsk;
    for (size_t i = 0; i < hskChecks.size(); ++i)
      d.hsk[i] = hskChecks[i]->isChecked();
  } else if (tocflRadio->isChecked()) {
    d.source = NewWordListDialogData::Tocfl;
    for (size_t i = 0; i < tocflChecks.size(); ++i)
      d.tocfl[i] = tocflChecks[i]->isChecked();
  }
  QDialog::accept();
}
