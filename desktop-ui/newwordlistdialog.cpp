#include "desktop-ui/newwordlistdialog.h"

#include "desktop-ui/named.h"

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

NewWordListDialog::NewWordListDialog(QWidget* parent, NewWordListDialogData* data,
                                     std::vector<std::string> const& names)
    : QDialog(parent), m_data(data), m_name(QString::fromUtf8(data->name.c_str())) {
  setWindowTitle(tr("New Word List"));
  readOnlyCheck = named(new QCheckBox(tr("Read-only")), "readOnlyCheck");
  readOnlyCheck->setChecked(data->readOnly);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(new QLabel(tr("Name:")));
  nameRow->addWidget(m_name.field, 1);

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
  layout->addWidget(m_name.notice);
  layout->addWidget(buildChoices(names));
  layout->addWidget(buttons);
}

// Ticking or unticking a level chooses its radio button.
template <size_t N>
void NewWordListDialog::addLevelChecks(QGridLayout* grid, int row, const char* kind,
                                       std::array<QCheckBox*, N>& checks, std::array<bool, N> const& ticked,
                                       QRadioButton* radio) {
  grid->addWidget(radio, row, 0);
  for (size_t i = 0; i < N; ++i) {
    checks[i] =
        named(new QCheckBox(QString::number(i + 1)), (kind + std::to_string(i + 1) + "Check").c_str());
    checks[i]->setChecked(ticked[i]);
    connect(checks[i], &QCheckBox::clicked, radio, [radio] { radio->setChecked(true); });
    grid->addWidget(checks[i], row, int(i) + 1);
  }
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
  addLevelChecks(grid, 2, "hsk", hskChecks, m_data->hsk, hskRadio);
  addLevelChecks(grid, 3, "tocfl", tocflChecks, m_data->tocfl, tocflRadio);
  QRadioButton* const bySource[] = {emptyRadio, existingRadio, hskRadio, tocflRadio};
  const int source = m_data->source >= 0 && m_data->source < 4 ? m_data->source : 0;
  (bySource[source]->isEnabled() ? bySource[source] : emptyRadio)->setChecked(true);
  return createFromBox;
}

bool NewWordListDialog::run() {
  return exec() == QDialog::Accepted;
}

void NewWordListDialog::accept() {
  const std::string name = m_name.take();
  if (name.empty()) return;
  NewWordListDialogData& d = *m_data;
  d.name = name;
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
