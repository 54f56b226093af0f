#include "desktop-ui/wordlisttablemodel.h"

#include "desktop-ui/slotguard.h"
#include "views/wordlistcolumns.h"
#include "views/wordlistdelegate.h"

#include <QStringDecoder>

#include <algorithm>
#include <climits>

WordListTableModel::WordListTableModel(WordListView& view, QObject* parent)
    : QAbstractTableModel(parent), m_view(view) {}

void WordListTableModel::setDelegate(WordListDelegate* delegate) {
  m_delegate = delegate;
  reset();
}

void WordListTableModel::reset() {
  beginResetModel();
  m_rows = m_delegate ? int(std::clamp<long>(m_delegate->rowCount(m_view), 0, INT_MAX)) : 0;
  endResetModel();
}

void WordListTableModel::setWordFont(std::optional<QFont> font) {
  m_wordFont = std::move(font);
  if (m_rows > 0) emit dataChanged(index(0, 1), index(m_rows - 1, 1), {Qt::FontRole});
}

int WordListTableModel::rowCount(QModelIndex const& parent) const {
  return parent.isValid() ? 0 : m_rows;
}

int WordListTableModel::columnCount(QModelIndex const& parent) const {
  return parent.isValid() ? 0 : WordListColumns::COUNT;
}

QVariant WordListTableModel::data(QModelIndex const& index, int role) const {
  if (!index.isValid() || index.row() >= m_rows) return {};
  switch (role) {
  case Qt::DisplayRole: {
    if (!m_delegate) return QString();
    char cell[WordListDelegate::CELL_SIZE];
    size_t length = 0;
    slotGuard("Error reading a word-list cell: ",
              [&] { length = m_delegate->cellText(m_view, index.row(), index.column(), cell, sizeof cell); });
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(QByteArrayView(cell, qsizetype(length)));
    return decoder.hasError() ? QString() : text; // an invalid text shows as empty
  }
  case Qt::FontRole:
    if (index.column() == 1 && m_wordFont) return *m_wordFont;
    return {};
  case Qt::TextAlignmentRole:
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  default:
    return {};
  }
}

QVariant WordListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= WordListColumns::COUNT)
    return QAbstractTableModel::headerData(section, orientation, role);
  return QString::fromUtf8(WordListColumns::column(section).title);
}
