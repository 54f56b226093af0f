// The word-list table's Qt model: nine columns whose texts it asks the WordListDelegate for each time Qt
// paints a cell (into a 1,024-byte buffer on the stack); it keeps no rows of its own, so it never holds a
// word of a document that has gone. The row count is read at reset() only.
#pragma once

#include <QAbstractTableModel>
#include <QFont>

#include <optional>

class WordListDelegate;
class WordListView;

class WordListTableModel : public QAbstractTableModel {
public:
  WordListTableModel(WordListView& view, QObject* parent = nullptr);

  // Not owned; null empties the table.
  void setDelegate(WordListDelegate* delegate);
  // Reads the row count again; Qt forgets everything it asked before.
  void reset();
  // The word column's font; none keeps the table's.
  void setWordFont(std::optional<QFont> font);

  int rowCount(QModelIndex const& parent = {}) const override;
  int columnCount(QModelIndex const& parent = {}) const override;
  QVariant data(QModelIndex const& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
  WordListView& m_view;
  WordListDelegate* m_delegate = nullptr; // not owned
  int m_rows = 0;                         // as of the last reset
  std::optional<QFont> m_wordFont;
};
