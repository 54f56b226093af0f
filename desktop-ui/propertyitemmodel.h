// A PropertyModel as a two-column Qt item model: its groups as top-level rows with their name/value rows
// beneath, or, when there is no model to show, one placeholder row that reads the same in both columns and
// cannot be selected. The shape (groups and row counts) is read at reset() only, so that Qt always sees a
// consistent tree; texts are read whenever Qt asks.
#pragma once

#include "views/propertyindex.h"

#include <QAbstractItemModel>

#include <optional>
#include <vector>

class PropertyModel;

class PropertyItemModel : public QAbstractItemModel {
public:
  explicit PropertyItemModel(QObject* parent = nullptr);

  // model: not owned, null for the placeholder row with placeholder as its text.
  void setSource(PropertyModel const* model, QString const& placeholder);
  // Reads the shape again (a reset) when it changed, else tells the views that every text changed.
  void refresh();
  bool isPlaceholder() const { return !m_model; }

  // The row an index stands for; none for the placeholder row or an invalid index.
  std::optional<PropertyIndex> propertyIndex(QModelIndex const& index) const;
  QModelIndex groupIndex(uint64_t group) const;

  QModelIndex index(int row, int column, QModelIndex const& parent = {}) const override;
  QModelIndex parent(QModelIndex const& child) const override;
  int rowCount(QModelIndex const& parent = {}) const override;
  int columnCount(QModelIndex const& parent = {}) const override;
  QVariant data(QModelIndex const& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(QModelIndex const& index) const override;

private:
  std::vector<int> shape() const;

  PropertyModel const* m_model = nullptr; // not owned
  QString m_placeholder;
  std::vector<int> m_rows; // rows per group as of the last reset
};
