#include "desktop-ui/wordlistwidget.h"

#include "desktop-ui/menubuilder.h"
#include "desktop-ui/slotguard.h"
#include "desktop-ui/tabheaderwidget.h"
#include "desktop-ui/wordlisttablemodel.h"
#include "views/statisticsviewfactory.h"
#include "views/wordlistdelegate.h"
#include "views/wordlistmenu.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int CELL_PADDING = 2; // above and below a cell's text
// Words measured to fit the word column: the character estimate can rank a word of narrow letters above a
// slightly wider one of wide letters, never one far wider.
constexpr size_t MEASURED_WORDS = 8;

QColor qcolour(Colour c) {
  return QColor(c.r, c.g, c.b, c.a);
}
} // namespace

WordListWidget::WordListWidget(QWidget* parent)
    : QWidget(parent), m_search(new QLineEdit(this)), m_table(new QTableView(this)),
      m_strip(new TabHeaderWidget(m_tabs, this)), m_model(new WordListTableModel(*this, this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_search);
  layout->addWidget(m_table, 1);
  layout->addWidget(m_strip);
  m_search->setClearButtonEnabled(true);
  m_strip->setColours(
      {QColor(), QColor::fromRgbF(0.6f, 0.6f, 0.6f, 0.6f), QColor::fromRgbF(0.7f, 0.7f, 0.7f, 0.3f)});
  buildTable();
  connect(m_search, &QLineEdit::textChanged, this, [this](QString const& text) {
    slotGuard("Error filtering the word list: ", [&] {
      if (m_delegate) m_delegate->setSearchText(*this, text.toUtf8().constData());
    });
  });
}

// The strip reads the tab header as it goes, so it goes first.
WordListWidget::~WordListWidget() {
  delete m_strip;
}

void WordListWidget::buildTable() {
  m_table->setModel(m_model);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setAlternatingRowColors(true);
  m_table->setWordWrap(false);
  m_table->setTextElideMode(Qt::ElideRight);
  m_table->verticalHeader()->hide();
  m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_table->verticalHeader()->setMinimumSectionSize(1);
  QHeaderView* header = m_table->horizontalHeader();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(false); // no order chosen yet
  header->setStretchLastSection(true);
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) { headerClicked(column); });
  connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { m_selectedValid = false; });
  connect(m_model, &QAbstractItemModel::modelReset, this, [this] { m_selectedValid = false; });
  m_table->viewport()->installEventFilter(this);
  m_table->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_table, &QWidget::customContextMenuRequested, this, [this](QPoint const& at) {
    slotGuard("Error showing the word list's menu: ", [&] {
      const std::unique_ptr<QMenu> menu = contextMenu(m_table->indexAt(at).row());
      menu->exec(m_table->viewport()->mapToGlobal(at));
    });
  });
  setChineseFontSize(0); // and the columns' widths
}

// Each column at least its own width, and as wide as its title beside a sort arrow and as the widest text
// its cells show: for the figures a sample of the widest in practice, for the words the widest word of the
// rows shown. Nothing is cut, and the columns the pane cannot show are reached by scrolling.
void WordListWidget::fitColumns() {
  for (int c = 0; c < WordListColumns::COUNT; ++c)
    m_table->setColumnWidth(c, fittedWidth(c));
  m_wordColumnFit = m_table->columnWidth(1);
}

// A width the reader gave the word column by hand stays until the words shown need another.
void WordListWidget::fitWordColumn() {
  const int fit = fittedWidth(1);
  if (fit == m_wordColumnFit) return;
  m_wordColumnFit = fit;
  m_table->setColumnWidth(1, fit);
}

int WordListWidget::fittedWidth(int c) {
  WordListColumns::Column const& column = WordListColumns::column(c);
  const QFont font = c == 1 ? m_wordFont : m_table->font();
  int text = cellWidth(font, QString::fromUtf8(column.widest));
  if (c == 1 && m_delegate) {
    // Only the few likeliest: measuring every word of a long list would cost each refresh.
    for (long row : m_delegate->widestRows(*this, MEASURED_WORDS))
      text = std::max(text, cellWidth(font, m_model->index(int(row), 1).data().toString()));
  }
  QHeaderView* header = m_table->horizontalHeader();
  const bool arrow = header->isSortIndicatorShown();
  header->setSortIndicatorShown(true); // room for the arrow from the start: a first click moves no column
  const int title = header->sectionSizeHint(c);
  header->setSortIndicatorShown(arrow);
  return std::max({column.width, title, text + (m_table->showGrid() ? 1 : 0)});
}

int WordListWidget::cellWidth(QFont const& font, QString const& text) const {
  QStyleOptionViewItem cell;
  cell.initFrom(m_table);
  cell.font = font;
  cell.fontMetrics = QFontMetrics(font);
  cell.text = text;
  cell.features = QStyleOptionViewItem::HasDisplay;
  return m_table->style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, {}, m_table).width();
}

void WordListWidget::headerClicked(int column) {
  slotGuard("Error sorting the word list: ", [&] {
    QHeaderView* header = m_table->horizontalHeader();
    const WordListColumns::Direction first = WordListColumns::column(column).firstDirection;
    if (column < 0 || column >= WordListColumns::COUNT || first == WordListColumns::Unsorted) {
      // Not a sorting column: the order and its arrow stay.
      header->setSortIndicatorShown(m_sortColumn >= 0);
      if (m_sortColumn >= 0)
        header->setSortIndicator(m_sortColumn, m_direction == WordListColumns::Ascending
                                                   ? Qt::AscendingOrder
                                                   : Qt::DescendingOrder);
      return;
    }
    m_direction = column != m_sortColumn                      ? first
                  : m_direction == WordListColumns::Ascending ? WordListColumns::Descending
                                                              : WordListColumns::Ascending;
    m_sortColumn = column;
    m_sortOn = WordListColumns::sortType(column, m_direction, m_sortOn);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, m_direction == WordListColumns::Ascending ? Qt::AscendingOrder
                                                                               : Qt::DescendingOrder);
    if (m_delegate) m_delegate->setSortType(*this, m_sortOn);
  });
}

bool WordListWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_table->viewport() || event->type() != QEvent::MouseButtonDblClick) return false;
  slotGuard("Error acting on a word: ", [&] {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const long row = m_table->rowAt(int(mouse->position().y()));
    if (row < 0 || !m_delegate) return;
    m_clickedRow = row;
    m_delegate->rowAction(*this, row, mouse->modifiers().testFlag(Qt::ControlModifier));
    m_clickedRow = -1;
  });
  return false;
}

std::unique_ptr<QMenu> WordListWidget::contextMenu(long row) {
  m_clickedRow = row;
  std::vector<MenuItem> items;
  if (m_delegate) items = WordListMenu::build(*m_delegate, *this);
  auto menu = MenuBuilder::build(QStringLiteral("WordListView"), items, [this](int tag) {
    if (m_delegate) m_delegate->menuCommand(*this, tag);
  });
  connect(menu.get(), &QObject::destroyed, this, [this] { m_clickedRow = -1; });
  return menu;
}

void WordListWidget::setDelegate(WordListDelegate* delegate) {
  m_delegate = delegate;
  m_model->setDelegate(delegate);
  fitWordColumn();
}

void WordListWidget::selectAll() {
  m_table->selectAll();
}

bool WordListWidget::hasFocus() const {
  return m_table->hasFocus();
}

void WordListWidget::setFocus() {
  m_table->setFocus();
}

long WordListWidget::selectedCount() const {
  return long(selectedRows().size());
}

void WordListWidget::setTextColour(Colour colour) {
  QPalette palette = m_table->palette();
  palette.setColor(QPalette::Text, qcolour(colour));
  m_table->setPalette(palette);
}

void WordListWidget::setBackgroundColour(Colour colour) {
  QPalette palette = m_table->palette();
  palette.setColor(QPalette::Base, qcolour(colour)); // Qt fills row 0 with Base
  palette.setColor(QPalette::AlternateBase, qcolour(StatisticsViewFactory::alternateColour(colour)));
  m_table->setPalette(palette);
}

void WordListWidget::setChineseFontSize(double points) {
  QFont font = m_table->font();
  // Qt refuses a size of 0 (and would warn): 0 keeps the table's own font.
  if (points > 0) font.setPointSizeF(points);
  m_model->setWordFont(points > 0 ? std::optional<QFont>(font) : std::nullopt);
  m_wordFont = font;
  const int probe = std::max(QFontMetrics(font).height(), QFontMetrics(m_table->font()).height());
  m_table->verticalHeader()->setDefaultSectionSize(probe + 2 * CELL_PADDING + 1);
  fitColumns();
}

void WordListWidget::refresh() {
  const std::vector<long> keep = selectedRows();
  m_model->reset();
  fitWordColumn();
  selectRows(keep);
}

void WordListWidget::selectRows(std::vector<long> const& rows) {
  QItemSelection selection;
  const long count = m_model->rowCount();
  for (size_t i = 0; i < rows.size();) {
    size_t end = i + 1; // a run of consecutive rows is one range
    while (end < rows.size() && rows[end] == rows[end - 1] + 1)
      ++end;
    const long first = std::max(rows[i], 0l), last = std::min(rows[end - 1], count - 1);
    if (first <= last)
      selection.select(m_model->index(int(first), 0), m_model->index(int(last), WordListColumns::COUNT - 1));
    i = end;
  }
  m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  m_selectedValid = false;
}

std::vector<long> const& WordListWidget::selectedRows() const {
  if (m_selectedValid) return m_selected;
  m_selected.clear();
  for (QItemSelectionRange const& range : m_table->selectionModel()->selection())
    for (int row = range.top(); row <= range.bottom(); ++row)
      m_selected.push_back(row);
  std::sort(m_selected.begin(), m_selected.end());
  m_selected.erase(std::unique(m_selected.begin(), m_selected.end()), m_selected.end());
  m_selectedValid = true;
  return m_selected;
}

long WordListWidget::firstIndex() const {
  std::vector<long> const& rows = selectedRows();
  return rows.empty() ? -1 : rows.front();
}

long WordListWidget::nextIndex(long row) const {
  std::vector<long> const& rows = selectedRows();
  const auto next = std::upper_bound(rows.begin(), rows.end(), row);
  return next == rows.end() ? -1 : *next;
}
