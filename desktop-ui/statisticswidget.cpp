#include "desktop-ui/statisticswidget.h"

#include "desktop-ui/propertyitemmodel.h"
#include "desktop-ui/slotguard.h"
#include "views/statisticsmodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int ROW_HEIGHT = 20;

QColor qcolour(Colour c) {
  return QColor(c.r, c.g, c.b, c.a);
}

// Indents the name column of rows under a sub-heading, sets group titles in bold, and draws the grid line
// between the columns while there are figures.
class StatisticsItemDelegate : public QStyledItemDelegate {
public:
  StatisticsItemDelegate(PropertyItemModel& items, QObject* parent)
      : QStyledItemDelegate(parent), m_items(items) {}

  void paint(QPainter* painter, QStyleOptionViewItem const& option, QModelIndex const& index) const override {
    int indent = 0;
    QStyleOptionViewItem shifted = prepared(option, index, indent);
    shifted.rect.adjust(indent, 0, 0, 0);
    QStyledItemDelegate::paint(painter, shifted, index);
    const std::optional<PropertyIndex> row = m_items.propertyIndex(index);
    if (!m_items.isPlaceholder() && index.column() == 0 && row && !row->isGroupHeader()) {
      painter->setPen(option.palette.color(QPalette::Mid));
      painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    }
  }
  // As wide as the text drawn, its indent included, so that a column fitted to it cuts nothing.
  QSize sizeHint(QStyleOptionViewItem const& option, QModelIndex const& index) const override {
    int indent = 0;
    const QStyleOptionViewItem shifted = prepared(option, index, indent);
    return {QStyledItemDelegate::sizeHint(shifted, index).width() + indent, ROW_HEIGHT};
  }

private:
  // The cell's option with a group's title in bold, and the indent of its text.
  QStyleOptionViewItem prepared(QStyleOptionViewItem const& option, QModelIndex const& index,
                                int& indent) const {
    QStyleOptionViewItem shifted(option);
    const std::optional<PropertyIndex> row = m_items.propertyIndex(index);
    const bool title = !row || row->isGroupHeader();
    indent = int(StatisticsViewFactory::leftIndent(title, title ? -1 : int64_t(row->group),
                                                   title ? -1 : row->index, index.column()));
    if (row && row->isGroupHeader()) {
      shifted.font.setBold(true);
      shifted.fontMetrics = QFontMetrics(shifted.font);
    }
    return shifted;
  }

  PropertyItemModel& m_items;
};

} // namespace

StatisticsWidget::StatisticsWidget(QWidget* parent)
    : QWidget(parent), m_tree(new QTreeView(this)), m_items(new PropertyItemModel(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_tree);
  m_tree->setModel(m_items);
  m_tree->setItemDelegate(new StatisticsItemDelegate(*m_items, m_tree)); // a view does not own its delegate
  m_tree->setHeaderHidden(true);
  m_tree->header()->setStretchLastSection(false); // fitColumns widens the value column to the pane
  m_tree->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  m_tree->viewport()->installEventFilter(this);
  m_tree->setUniformRowHeights(true);
  m_tree->setAlternatingRowColors(true);
  m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(m_tree, &QTreeView::expanded, this, [this](QModelIndex const& i) { groupToggled(i, true); });
  connect(m_tree, &QTreeView::collapsed, this, [this](QModelIndex const& i) { groupToggled(i, false); });
  present(true);
}

StatisticsWidget::~StatisticsWidget() = default;

void StatisticsWidget::setModel(StatisticsModel* model) {
  m_model = model;
  present(true);
}

void StatisticsWidget::reloadData() {
  present(false);
}

// The placeholder or the groups, from scratch (reset) or only the texts when the shape stayed.
void StatisticsWidget::present(bool reset) {
  const QString placeholder = !m_model                    ? QStringLiteral("No file loaded")
                              : !m_model->hasStatistics() ? QStringLiteral("Processing...")
                                                          : QString();
  PropertyModel const* source = placeholder.isEmpty() ? m_model : nullptr;
  if (reset || !source || m_items->isPlaceholder())
    m_items->setSource(source, placeholder);
  else
    m_items->refresh();
  if (m_items->isPlaceholder()) m_tree->setFirstColumnSpanned(0, QModelIndex(), false);
  expandGroups();
  fitColumns();
}

// Each column as wide as its widest text, the value column also filling the pane: nothing is cut, and what
// the pane cannot show is reached by scrolling.
void StatisticsWidget::fitColumns() {
  QAbstractItemView const& view = *m_tree; // where the widest text is asked for in public
  const int name = view.sizeHintForColumn(0);
  m_tree->setColumnWidth(0, name);
  m_tree->setColumnWidth(1, std::max(view.sizeHintForColumn(1), m_tree->viewport()->width() - name));
}

bool StatisticsWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_tree->viewport() && event->type() == QEvent::Resize)
    slotGuard("Error fitting the statistics: ", [this] { fitColumns(); });
  return QWidget::eventFilter(watched, event);
}

void StatisticsWidget::expandGroups() {
  if (m_items->isPlaceholder() || m_items->rowCount() != int(std::size(m_expandGroup))) return;
  for (int group = 0; group < m_items->rowCount(); ++group) {
    m_tree->setFirstColumnSpanned(group, QModelIndex(), true);
    if (m_expandGroup[group]) m_tree->expand(m_items->groupIndex(uint64_t(group)));
  }
}

void StatisticsWidget::groupToggled(QModelIndex const& index, bool expanded) {
  slotGuard("Error expanding statistics: ", [&] {
    const std::optional<PropertyIndex> row = m_items->propertyIndex(index);
    if (m_items->rowCount() != int(std::size(m_expandGroup)) || !row || !row->isGroupHeader()) return;
    if (row->group < std::size(m_expandGroup)) m_expandGroup[row->group] = expanded;
    fitColumns(); // to the rows now shown
  });
}

bool StatisticsWidget::hasFocus() const {
  return m_tree->hasFocus();
}

bool StatisticsWidget::canCopy() const {
  return hasFocus() && !selectedItems().empty();
}

void StatisticsWidget::selectAll() {
  m_tree->selectAll();
}

std::vector<PropertyIndex> StatisticsWidget::selectedItems() const {
  std::vector<PropertyIndex> items;
  for (QModelIndex const& index : m_tree->selectionModel()->selectedRows(0)) {
    const std::optional<PropertyIndex> row = m_items->propertyIndex(index);
    // A row inside a collapsed group is hidden: copying it would hand out what the reader cannot see.
    if (row && (row->isGroupHeader() || m_tree->isExpanded(index.parent()))) items.push_back(*row);
  }
  std::sort(items.begin(), items.end(), [](PropertyIndex const& a, PropertyIndex const& b) {
    return a.group != b.group ? a.group < b.group : a.index < b.index;
  });
  return items;
}

void StatisticsWidget::setColours(Colour foreground, Colour background) {
  m_factory.setColours(foreground, background);
  QPalette palette = m_tree->palette();
  // Qt fills even rows with Base and odd ones with AlternateBase; this pane starts with the alternate colour.
  palette.setColor(QPalette::Base, qcolour(*m_factory.rowColour(0)));
  palette.setColor(QPalette::AlternateBase, qcolour(*m_factory.rowColour(1)));
  palette.setColor(QPalette::Text, qcolour(foreground));
  // The style draws the groups' expand arrows in the window's text colour, which the scheme leaves alone.
  palette.setColor(QPalette::WindowText, qcolour(foreground));
  m_tree->setPalette(palette);
}
