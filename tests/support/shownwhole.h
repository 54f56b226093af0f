// Whether item views show their texts whole, for tests of column widths. A cell is cut when its delegate
// paints it otherwise in its own width than with room to spare (left of its last pixel column, where a
// delegate may draw a rule); a header title when it is wider than the room the header's painting leaves it
// (the style's label rectangle less its margins, and the sort arrow's mark where the style puts the arrow
// beside the title).
#pragma once

#include <QAbstractItemView>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QStyleOptionViewItem>
#include <QTreeView>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace qmtest {

// index as its delegate paints it in a cell `width` wide, at the left of an image `room` wide.
inline QImage paintedCell(QAbstractItemView& view, QModelIndex const& index, int width, int room) {
  const int height = std::max(view.visualRect(index).height(), 1);
  QImage image(room, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QStyleOptionViewItem option;
  option.initFrom(&view);
  option.state &= ~QStyle::State_HasFocus;
  option.textElideMode = view.textElideMode();
  option.rect = QRect(0, 0, width, height);
  QPainter painter(&image);
  view.itemDelegateForIndex(index)->paint(&painter, option, index);
  return image;
}

// The texts of the cells that view shows cut in rows [from, to) under parent, and in the rows of every
// expanded row among them.
inline std::vector<std::string> cutCells(QAbstractItemView& view, QModelIndex const& parent = {},
                                         int from = 0, int to = INT_MAX) {
  std::vector<std::string> cut;
  QAbstractItemModel const& model = *view.model();
  const auto* tree = qobject_cast<QTreeView const*>(&view);
  for (int row = from; row < std::min(to, model.rowCount(parent)); ++row) {
    for (int column = 0; column < model.columnCount(parent); ++column) {
      const QModelIndex index = model.index(row, column, parent);
      const QRect cell = view.visualRect(index);
      const int room = cell.width() + 1000;
      const QRect inside(0, 0, cell.width() - 1, cell.height());
      if (cell.width() > 1 && paintedCell(view, index, cell.width(), room).copy(inside) !=
                                  paintedCell(view, index, room, room).copy(inside))
        cut.push_back(index.data().toString().toStdString());
    }
    const QModelIndex first = model.index(row, 0, parent);
    if (tree && tree->isExpanded(first)) {
      const std::vector<std::string> below = cutCells(view, first);
      cut.insert(cut.end(), below.begin(), below.end());
    }
  }
  return cut;
}

// The titles that header, horizontal, shows cut.
inline std::vector<std::string> cutTitles(QHeaderView& header) {
  std::vector<std::string> cut;
  QStyle const& style = *header.style();
  for (int section = 0; section < header.count(); ++section) {
    QStyleOptionHeader option;
    option.initFrom(&header);
    option.orientation = Qt::Horizontal;
    option.section = section;
    option.rect = QRect(0, 0, header.sectionSize(section), header.height());
    option.text = header.model()->headerData(section, Qt::Horizontal).toString();
    int margin = 2 * style.pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    if (header.isSortIndicatorShown() && header.sortIndicatorSection() == section) {
      option.sortIndicator = header.sortIndicatorOrder() == Qt::AscendingOrder ? QStyleOptionHeader::SortUp
                                                                               : QStyleOptionHeader::SortDown;
      if (style.styleHint(QStyle::SH_Header_ArrowAlignment, nullptr, &header) & Qt::AlignVCenter)
        margin += style.pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, &header);
    }
    const QRect label = style.subElementRect(QStyle::SE_HeaderLabel, &option, &header);
    if (header.fontMetrics().horizontalAdvance(option.text) > label.width() - margin)
      cut.push_back(option.text.toStdString());
  }
  return cut;
}

} // namespace qmtest
