#include "desktop-ui/editwordlistdialog.h"

#include "desktop-ui/named.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

EditWordListDialog::EditWordListDialog(QWidget* parent, EditWordListDialogData* data)
    : QDialog(parent), m_data(data), m_name(QString::fromUtf8(data->name.c_str())) {
  setWindowTitle(tr("Edit Word List"));
  readOnlyCheck = named(new QCheckBox(tr("Read-only")), "readOnlyCheck");
  readOnlyCheck->setChecked(data->readOnly);

  auto* update = named(new QPushButton(tr("Update")), "updateButton");
  update->setDefault(true);
  auto* cancel = named(new QPushButton(tr("Cancel")), "cancelButton");
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(update, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancel, QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &EditWordListDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &EditWordListDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(tr("Name:"), m_name.field);
  form->addRow(QString(), readOnlyCheck);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_name.notice);
  layout->addWidget(buttons);
  setMinimumWidth(360);
}

bool EditWordListDialog::run() {
  return exec() == QDialog::Accepted;
}

void EditWordListDialog::accept() {
  const std::string name = m_name.take();
  if (name.empty()) return;
  m_data->name = name;
  m_data->readOnly = readOnlyCheck->isChecked();
  QDialog::accept();
}
