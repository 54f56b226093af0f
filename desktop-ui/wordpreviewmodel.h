// A one-column list of words for a dialog's preview, asked for lazily: the row count when refreshed, and a
// word only when the view shows its row (pair it with QListView::setUniformItemSizes, so that long lists are
// never measured whole). The words stay with their owner; a row past the owner's current end shows nothing.
#pragma once

#include "utils/span.h"

#include <QAbstractListModel>

#include <functional>

class QGroupBox;

class WordPreviewModel : public QAbstractListModel {
public:
  using Count = std::function<size_t()>;
  using Word = std::function<Span(size_t row)>;

  WordPreviewModel(Count count, Word word, QObject* parent);

  // Takes the row count again and has the views reload.
  void refresh();
  // A group box "previewBox" titled "Preview" around a list view "previewTable" of this model; the caller
  // owns it.
  QGroupBox* makePreviewBox();

  int rowCount(QModelIndex const& parent = QModelIndex()) const override;
  QVariant data(QModelIndex const& index, int role = Qt::DisplayRole) const override;

private:
  Count m_count;
  Word m_word;
  int m_rows = 0;
};
