#include "desktop-ui/exportdialog.h"

#include "desktop-ui/named.h"
#include "desktop-ui/slotguard.h"
#include "export/exportfield.h"
#include "views/exportadapter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <climits>

namespace {

const char* const MARKUP_NAMES[] = {"documentPre", "documentPost", "paragraphPre", "paragraphPost",
                                    "wordPre",     "wordPost",     "characterPre", "characterPost"};
constexpr Text ExportDialogData::*MARKUP_FIELDS[] = {
    &ExportDialogData::preDocument,   &ExportDialogData::postDocument, &ExportDialogData::preParagraph,
    &ExportDialogData::postParagraph, &ExportDialogData::preWord,      &ExportDialogData::postWord,
    &ExportDialogData::preCharacter,  &ExportDialogData::postCharacter};

QString fromText(Text const& text) {
  return QString::fromUtf8(text.data(), qsizetype(text.length()));
}

Text toText(QString const& text) {
  const QByteArray bytes = text.toUtf8();
  return Text(bytes.constData(), size_t(bytes.size()));
}

int tagOf(QComboBox const* combo) {
  return combo->currentIndex() < 0 ? -1 : combo->currentData().toInt();
}

void selectTag(QComboBox* combo, int tag) {
  combo->setCurrentIndex(combo->findData(tag));
}

QComboBox* sortPopup(const char* name) {
  auto* combo = named(new QComboBox, name);
  const QSignalBlocker block(combo);
  for (int t = 0; t < WordStatisticsSort::TYPE_COUNT; ++t)
    combo->addItem(QString::fromUtf8(WordStatisticsSort::text(WordStatisticsSort::Type(t))), t);
  return combo;
}

void fillTable(QListWidget* table, std::vector<int32_t> const& fields, int row) {
  const QSignalBlocker block(table);
  table->clear();
  for (int32_t f : fields)
    table->addItem(QString::fromUtf8(ExportField::text(f)));
  table->setCurrentRow(row);
}

} // namespace

ExportDialog::ExportDialog(QWidget* parent, WordListManager& lists, DocumentStatistics const& statistics,
                           WordHash const& lookedUp, ExportDialogData const& data, SaveFileChooser chooser)
    : QDialog(parent), m_lists(lists), m_statistics(statistics), m_lookedUp(lookedUp), m_data(data),
      m_chooser(std::move(chooser)) {
  setWindowTitle(tr("Export"));
  pageTab = named(new QTabWidget, "pageTab");
  pageTab->addTab(buildDocumentPage(), tr("Document"));
  pageTab->addTab(buildWordListPage(), tr("Word List"));
  connect(pageTab, &QTabWidget::currentChanged, this,
          [this] { slotGuard("Error updating the export buttons: ", [this] { updateButtons(); }); });

  exportButton = named(new QPushButton(tr("Export...")), "exportButton");
  exportButton->setDefault(true);
  auto* cancel = namedButton(tr("Cancel"), "cancelButton");
  connect(exportButton, &QPushButton::clicked, this,
          [this] { slotGuard("Error exporting: ", [this] { onExport(); }); });
  connect(cancel, &QPushButton::clicked, this, &ExportDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancel);
  buttons->addWidget(exportButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pageTab);
  layout->addLayout(buttons);
}

ExportDialog::~ExportDialog() = default;

QWidget* ExportDialog::buildDocumentPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(new QLabel(tr("Before")), 0, 1);
  grid->addWidget(new QLabel(tr("After")), 0, 2);
  const QString rows[] = {tr("Document:"), tr("Paragraph:"), tr("Word:"), tr("Character:")};
  for (int i = 0; i < 8; ++i) {
    markupFields[size_t(i)] = named(new QLineEdit, MARKUP_NAMES[i]);
    if (i % 2 == 0) grid->addWidget(new QLabel(rows[i / 2]), i / 2 + 1, 0);
    grid->addWidget(markupFields[size_t(i)], i / 2 + 1, 1 + i % 2);
  }
  grid->setRowStretch(5, 1);
  return page;
}

QWidget* ExportDialog::buildWordListPage() {
  wordListPopup = named(new QComboBox, "wordListPopup");
  {
    const QSignalBlocker block(wordListPopup);
    wordListPopup->addItem(tr("All"), 0);
    wordListPopup->addItem(tr("Known"), 1);
    wordListPopup->addItem(tr("Unknown"), 2);
    wordListPopup->addItem(tr("Looked up"), ExportAdapter::LOOKED_UP_TAG);
  }
  connect(wordListPopup, &QComboBox::activated, this,
          [this] { slotGuard("Error counting rows: ", [this] { refreshRows(); }); });
  sortByPopup = sortPopup("sortByPopup");
  orderByPopup = sortPopup("orderByPopup");
  allRadio = named(new QRadioButton(tr("All rows")), "allRadio");
  firstRadio = named(new QRadioButton(tr("The first")), "firstRadio");
  auto* rowGroup = new QButtonGroup(this);
  rowGroup->addButton(allRadio);
  rowGroup->addButton(firstRadio);
  firstTextField = named(new QSpinBox, "firstTextField");
  firstTextField->setRange(0, INT_MAX);
  connect(allRadio, &QRadioButton::clicked, this, [this] { rowChoiceChanged(); });
  connect(firstRadio, &QRadioButton::clicked, this, [this] { rowChoiceChanged(); });
  useHeaderCheckbox = named(new QCheckBox(tr("Header:")), "useHeaderCheckbox");
  headerTextField = named(new QLineEdit, "headerTextField");
  connect(useHeaderCheckbox, &QCheckBox::toggled, headerTextField, &QLineEdit::setEnabled);
  markExportedAsKnownCheckbox =
      named(new QCheckBox(tr("Mark exported words as known")), "markExportedAsKnownCheckbox");

  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(new QLabel(tr("Words:")), 0, 0);
  grid->addWidget(wordListPopup, 0, 1);
  grid->addWidget(new QLabel(tr("Sort by:")), 0, 2);
  grid->addWidget(sortByPopup, 0, 3);
  grid->addWidget(allRadio, 1, 0);
  auto* firstRow = new QHBoxLayout;
  firstRow->addWidget(firstRadio);
  firstRow->addWidget(firstTextField);
  firstRow->addWidget(new QLabel(tr("rows, listed by")));
  firstRow->addWidget(orderByPopup, 1);
  grid->addLayout(firstRow, 2, 0, 1, 4);
  grid->addWidget(useHeaderCheckbox, 3, 0);
  grid->addWidget(headerTextField, 3, 1, 1, 3);
  grid->addWidget(buildFieldTables(), 4, 0, 1, 4);
  grid->addWidget(markExportedAsKnownCheckbox, 5, 0, 1, 4);
  return page;
}

QWidget* ExportDialog::buildFieldTables() {
  auto* box = new QWidget;
  availableFieldsTable = named(new QListWidget, "availableFieldsTable");
  selectedFieldsTable = named(new QListWidget, "selectedFieldsTable");
  moveRightButton = namedButton(tr("Add →"), "moveRightButton");
  moveLeftButton = namedButton(tr("← Remove"), "moveLeftButton");
  upButton = namedButton(tr("Up"), "upButton");
  downButton = namedButton(tr("Down"), "downButton");
  clearButton = namedButton(tr("Clear"), "clearButton");
  for (QListWidget* table : {availableFieldsTable, selectedFieldsTable})
    connect(table, &QListWidget::currentRowChanged, this,
            [this] { slotGuard("Error updating the export buttons: ", [this] { updateButtons(); }); });
  auto move = [this](QPushButton* b, auto step) {
    connect(b, &QPushButton::clicked, this,
            [this, step] { slotGuard("Error moving a column: ", [&] { step(); }); });
  };
  move(moveRightButton,
       [this] { refillTables(-2, m_adapter->moveRight(availableFieldsTable->currentRow())); });
  move(moveLeftButton, [this] { refillTables(m_adapter->moveLeft(selectedFieldsTable->currentRow()), -2); });
  move(upButton, [this] { refillTables(m_adapter->moveUp(selectedFieldsTable->currentRow()), -1); });
  move(downButton, [this] { refillTables(m_adapter->moveDown(selectedFieldsTable->currentRow()), -1); });
  move(clearButton, [this] {
    m_adapter->clearFields();
    refillTables(-1, -1);
  });

  auto* middle = new QVBoxLayout;
  middle->addStretch(1);
  middle->addWidget(moveRightButton);
  middle->addWidget(moveLeftButton);
  middle->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addStretch(1);
  for (QPushButton* b : {upButton, downButton, clearButton})
    right->addWidget(b);
  right->addStretch(1);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(availableFieldsTable, 1);
  layout->addLayout(middle);
  layout->addWidget(selectedFieldsTable, 1);
  layout->addLayout(right);
  return box;
}

// selectedRow, availableRow: the row to choose in each table; -2 for the table a field went to, which shows
// its last row.
void ExportDialog::refillTables(int selectedRow, int availableRow) {
  auto const& selected = m_adapter->selectedFields();
  auto const& available = m_adapter->availableFields();
  fillTable(selectedFieldsTable, selected, selectedRow == -2 ? -1 : selectedRow);
  fillTable(availableFieldsTable, available, availableRow == -2 ? -1 : availableRow);
  if (selectedRow == -2) selectedFieldsTable->scrollToBottom();
  if (availableRow == -2) availableFieldsTable->scrollToBottom();
  if (selectedRow >= 0) selectedFieldsTable->scrollToItem(selectedFieldsTable->item(selectedRow));
  updateButtons();
}

void ExportDialog::begin(ExportDialogDelegate& delegate, ExportDestination::Type destination) {
  m_adapter =
      std::make_unique<ExportAdapter>(m_data, m_lists, m_statistics, m_lookedUp, delegate, destination);
  fillControls();
}

void ExportDialog::fillControls() {
  ExportDialogData const& d = m_adapter->data();
  const QSignalBlocker blockTabs(pageTab);
  pageTab->setCurrentIndex(d.exportType == ExportDialogData::WordList ? 1 : 0);
  for (size_t i = 0; i < markupFields.size(); ++i)
    markupFields[i]->setText(fromText(d.*MARKUP_FIELDS[i]));
  {
    const QSignalBlocker a(wordListPopup), b(sortByPopup), c(orderByPopup);
    selectTag(wordListPopup, m_adapter->filterTag());
    selectTag(sortByPopup, d.sortBy);
    selectTag(orderByPopup, d.rowOrder);
  }
  const bool all = d.lastRow == -1;
  (all ? allRadio : firstRadio)->setChecked(true);
  firstTextField->setValue(all ? 0 : std::max(0, int(d.lastRow)));
  refreshRows();
  useHeaderCheckbox->setChecked(d.useHeader);
  headerTextField->setText(fromText(d.header));
  headerTextField->setEnabled(d.useHeader);
  markExportedAsKnownCheckbox->setChecked(d.markAsKnown);
  refillTables(-1, -1);
}

void ExportDialog::refreshRows() {
  if (!m_adapter) return;
  const size_t rows = m_adapter->refreshWordList(tagOf(wordListPopup));
  rowChoiceChanged();
  firstTextField->setValue(int(std::min<long>(
      ExportAdapter::shownRowLimit(allRadio->isChecked(), firstTextField->value(), rows), INT_MAX)));
}

void ExportDialog::rowChoiceChanged() {
  const bool first = firstRadio->isChecked();
  firstTextField->setEnabled(first);
  orderByPopup->setEnabled(first);
}

void ExportDialog::updateButtons() {
  if (!m_adapter) return;
  const auto b = m_adapter->buttons(pageTab->currentIndex(), selectedFieldsTable->currentRow(),
                                    availableFieldsTable->currentRow());
  moveLeftButton->setEnabled(b.moveLeft);
  moveRightButton->setEnabled(b.moveRight);
  upButton->setEnabled(b.up);
  downButton->setEnabled(b.down);
  exportButton->setEnabled(b.exportButton);
  clearButton->setEnabled(b.clear);
}

void ExportDialog::readBack() {
  ExportDialogData& d = m_adapter->data();
  d.exportType = pageTab->currentIndex() == 1 ? ExportDialogData::WordList : ExportDialogData::Document;
  for (size_t i = 0; i < markupFields.size(); ++i)
    d.*MARKUP_FIELDS[i] = toText(markupFields[i]->text());
  d.useHeader = useHeaderCheckbox->isChecked();
  d.header = toText(headerTextField->text());
  d.markAsKnown = markExportedAsKnownCheckbox->isChecked();
  m_adapter->readBack(tagOf(wordListPopup), tagOf(sortByPopup), tagOf(orderByPopup), firstRadio->isChecked(),
                      firstTextField->value());
}

void ExportDialog::onExport() {
  if (!m_adapter || m_adapter->exported()) return;
  readBack();
  if (m_adapter->destination() != ExportDestination::File) {
    m_adapter->exportTo(nullptr);
    done(1);
    return;
  }
  const QString path = m_chooser ? m_chooser(this) : QString();
  if (path.isEmpty()) return; // the dialog stays open
  hide();
  done(1);
  m_adapter->exportTo(path.toUtf8().constData());
}

int ExportDialog::run(ExportDialogDelegate& delegate, ExportDestination::Type destination) {
  begin(delegate, destination);
  const int result = exec();
  hide();
  m_adapter.reset();
  if (parentWidget()) parentWidget()->activateWindow();
  return result;
}

ExportDialog::SaveFileChooser ExportDialog::fileDialogChooser() {
  return [](QWidget* parent) { return QFileDialog::getSaveFileName(parent, tr("Export")); };
}
