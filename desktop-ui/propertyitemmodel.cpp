// Internal ids: 0 for a top-level row (a group or the placeholder), group + 1 for a row of that group.
#include "desktop-ui/propertyitemmodel.h"

#include "desktop-ui/slotguard.h"
#include "views/propertymodel.h"

#include <algorithm>
#include <climits>

namespace {
QString utf8(const char* text) {
  return text ? QString::fromUtf8(text) : QString();
}
} // namespace

PropertyItemModel::PropertyItemModel(QObject* parent) : QAbstractItemModel(parent) {}

void PropertyItemModel::setSource(PropertyModel const* model, QString const& placeholder) {
  beginResetModel();
  m_model = model;
  m_placeholder = placeholder;
  m_rows = shape();
  endResetModel();
}

void PropertyItemModel::refresh() {
  if (shape() != m_rows) return setSource(m_model, m_placeholder);
  if (m_rows.empty()) return emit dataChanged(index(0, 0), index(0, 1));
  emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, 1));
  for (size_t group = 0; group < m_rows.size(); ++group)
    if (m_rows[group] > 0) {
      const QModelIndex parent = groupIndex(group);
      emit dataChanged(index(0, 0, parent), index(m_rows[group] - 1, 1, parent));
    }
}

std::vector<int> PropertyItemModel::shape() const {
  std::vector<int> rows;
  if (!m_model) return rows;
  const uint64_t groups = std::min<uint64_t>(m_model->groupCount(), INT_MAX);
  for (uint64_t group = 0; group < groups; ++group)
    rows.push_back(int(std::min<uint64_t>(m_model->rowCount(group), INT_MAX)));
  return rows;
}

std::optional<PropertyIndex> PropertyItemModel::propertyIndex(QModelIndex const& index) const {
  if (!index.isValid() || !m_model) return std::nullopt;
  if (index.internalId() == 0) return PropertyIndex{uint64_t(index.row()), PropertyIndex::TITLE};
  return PropertyIndex{uint64_t(index.internalId() - 1), index.row()};
}

QModelIndex PropertyItemModel::groupIndex(uint64_t group) const {
  return group < m_rows.size() ? createIndex(int(group), 0, quintptr(0)) : QModelIndex();
}

QModelIndex PropertyItemModel::index(int row, int column, QModelIndex const& parent) const {
  if (row < 0 || column < 0 || column > 1) return {};
  if (!parent.isValid()) {
    const int top = m_model ? int(m_rows.size()) : 1;
    return row < top ? createIndex(row, column, quintptr(0)) : QModelIndex();
  }
  if (parent.internalId() != 0 || !m_model || size_t(parent.row()) >= m_rows.size()) return {};
  return row < m_rows[size_t(parent.row())] ? createIndex(row, column, quintptr(parent.row() + 1))
                                            : QModelIndex();
}

QModelIndex PropertyItemModel::parent(QModelIndex const& child) const {
  if (!child.isValid() || child.internalId() == 0) return {};
  return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int PropertyItemModel::rowCount(QModelIndex const& parent) const {
  if (!parent.isValid()) return m_model ? int(m_rows.size()) : 1;
  if (parent.column() != 0 || parent.internalId() != 0 || !m_model) return 0;
  return size_t(parent.row()) < m_rows.size() ? m_rows[size_t(parent.row())] : 0;
}

int PropertyItemModel::columnCount(QModelIndex const&) const {
  return 2;
}

QVariant PropertyItemModel::data(QModelIndex const& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  if (!m_model) return m_placeholder;
  const std::optional<PropertyIndex> row = propertyIndex(index);
  QString text;
  slotGuard("Error reading a statistics cell: ", [&] {
    const uint64_t r = uint64_t(row->index);
    if (row->isGroupHeader())
      text = index.column() == 0 ? utf8(m_model->groupName(row->group)) : QString();
    else
      text = utf8(index.column() == 0 ? m_model->rowName(row->group, r) : m_model->value(row->group, r));
  });
  return text;
}

Qt::ItemFlags PropertyItemModel::flags(QModelIndex const& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // The placeholder is drawn disabled: it never takes the selection or the focus frame.
  return m_model ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
