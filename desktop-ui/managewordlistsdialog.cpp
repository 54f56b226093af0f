#include "desktop-ui/managewordlistsdialog.h"

#include "desktop-ui/editwordlistdialog.h"
#include "desktop-ui/named.h"
#include "desktop-ui/newwordlistdialog.h"
#include "desktop-ui/slotguard.h"
#include "desktop-ui/wordpreviewmodel.h"
#include "views/managewordlistsdelegate.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

ManageWordListsDialog::ManageWordListsDialog(QWidget* parent)
    : QDialog(parent), m_runner([](QDialog& dialog) { return dialog.exec(); }) {
  setWindowTitle(tr("Manage Word Lists"));
  wordListPopup = named(new QComboBox, "wordListPopup");
  connect(wordListPopup, &QComboBox::activated, this, [this](int entry) {
    const unsigned long index = wordListPopup->itemData(entry).toULongLong();
    act("Error changing word list: ", [&] { m_delegate->onChangeWordList(*this, index); });
  });

  m_preview = new WordPreviewModel(
      [this] { return m_delegate ? size_t(m_delegate->totalWords(*this)) : size_t(0); },
      [this](size_t row) { return m_delegate ? m_delegate->word(*this, row) : Span(); }, this);
  previewBox = m_preview->makePreviewBox();

  QPushButton* newButton = namedButton(tr("New..."), "newButton");
  QPushButton* editButton = namedButton(tr("Edit..."), "editButton");
  QPushButton* clearButton = namedButton(tr("Clear..."), "clearButton");
  deleteButton = namedButton(tr("Delete..."), "deleteButton");
  QPushButton* closeButton = namedButton(tr("Close"), "closeButton");
  connect(newButton, &QPushButton::clicked, this,
          [this] { act("Error creating word list: ", [&] { m_delegate->onNewWordList(*this); }); });
  connect(editButton, &QPushButton::clicked, this,
          [this] { act("Error editing word list: ", [&] { m_delegate->onEditWordList(*this); }); });
  connect(clearButton, &QPushButton::clicked, this,
          [this] { act("Error clearing word list: ", [&] { m_delegate->onClearWordList(*this); }); });
  connect(deleteButton, &QPushButton::clicked, this,
          [this] { act("Error deleting word list: ", [&] { m_delegate->onDeleteWordList(*this); }); });
  connect(closeButton, &QPushButton::clicked, this, [this] { done(0); });

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {newButton, editButton, clearButton, deleteButton})
    buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(wordListPopup);
  layout->addWidget(previewBox, 1);
  layout->addLayout(buttons);
  resize(480, 420);
}

ManageWordListsDialog::~ManageWordListsDialog() = default;

template <class F> void ManageWordListsDialog::act(const char* what, F&& action) {
  if (!m_delegate) return;
  slotGuard(what, action);
}

int ManageWordListsDialog::run(ManageWordListsDelegate* delegate) {
  setDelegate(delegate);
  exec();
  hide();
  setDelegate(nullptr);
  return 0;
}

void ManageWordListsDialog::setDelegate(ManageWordListsDelegate* delegate) {
  m_delegate = delegate;
  slotGuard("Error filling the word lists: ", [this] {
    populateWordLists();
    updatePreview();
  });
}

void ManageWordListsDialog::setDialogRunner(DialogRunner runner) {
  m_runner = std::move(runner);
}

void ManageWordListsDialog::populateWordLists() {
  const QSignalBlocker block(wordListPopup);
  wordListPopup->clear();
  const unsigned long total = m_delegate ? m_delegate->totalWordLists(*this) : 0;
  for (unsigned long i = 0; i < total; ++i) {
    const char* name = m_delegate->wordListName(*this, i);
    if (name) wordListPopup->addItem(QString::fromUtf8(name), QVariant::fromValue(qulonglong(i)));
  }
  if (m_delegate)
    wordListPopup->setCurrentIndex(
        wordListPopup->findData(QVariant::fromValue(qulonglong(m_delegate->currentWordList(*this)))));
  deleteButton->setEnabled(total >= 2);
}

void ManageWordListsDialog::updatePreview() {
  const unsigned long words = m_delegate ? m_delegate->totalWords(*this) : 0;
  previewBox->setTitle(words >= 2 ? tr("Preview (%1 words)").arg(words) : tr("Preview"));
  m_preview->refresh();
}

bool ManageWordListsDialog::runNewWordListDialog(NewWordListDialogData& data,
                                                 std::vector<std::string> const& names) {
  NewWordListDialog dialog(this, &data, names);
  return m_runner(dialog) == QDialog::Accepted;
}

bool ManageWordListsDialog::runEditWordListDialog(EditWordListDialogData& data) {
  EditWordListDialog dialog(this, &data);
  return m_runner(dialog) == QDialog::Accepted;
}
