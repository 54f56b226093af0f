#include "desktop-ui/editwordlistdialog.h"

#include "wordlists/wordlist.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

EditWordListDialog::EditWordListDialog(QWidget* parent, EditWordListDialogData* data)
    : QDialog(parent), m_data(data) {
  setWindowTitle(tr("Edit Word List"));
  nameField = new QLineEdit(QString::fromUtf8(data->name.c_str()));
  nameField->setObjectName("nameField");
  readOnlyCheck = new QCheckBox(tr("Read-only"));
  readOnlyCheck->setObjectName("readOnlyCheck");
  readOnlyCheck->setChecked(data->readOnly);
  missingName = new QLabel(tr("Please enter a name for the word list."));
  missingName->setObjectName("missingName");
  missingName->setWordWrap(true);
  missingName->setStyleSheet("color: #c0392b");
  missingName->hide();

  auto* update = new QPushButton(tr("Update"));
  update->setObjectName("updateButton");
  update->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"));
  cancel->setObjectName("cancelButton");
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(update, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancel, QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &EditWordListDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &EditWordListDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(tr("Name:"), nameField);
  form->addRow(QString(), readOnlyCheck);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(missingName);
  layout->addWidget(buttons);
  setMinimumWidth(360);
}

bool EditWordListDialog::run() {
  return exec() == QDialog::Accepted;
}

void EditWordListDialog::accept() {
  const Text name = WordList::storableDisplayName(nameField->text().toUtf8().constData());
  if (name.empty()) {
    missingName->show();
    nameField->setFocus();
    return;
  }
  m_data->name = name.c_str();
  m_data->readOnly = readOnlyCheck->isChecked();
  QDialog::accept();
}
