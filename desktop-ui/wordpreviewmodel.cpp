#include "desktop-ui/wordpreviewmodel.h"

#include "desktop-ui/named.h"
#include "desktop-ui/slotguard.h"

#include <QGroupBox>
#include <QListView>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

WordPreviewModel::WordPreviewModel(Count count, Word word, QObject* parent)
    : QAbstractListModel(parent), m_count(std::move(count)), m_word(std::move(word)) {}

void WordPreviewModel::refresh() {
  beginResetModel();
  slotGuard("Error counting preview words: ", [this] { m_rows = int(std::min<size_t>(m_count(), INT_MAX)); });
  endResetModel();
}

QGroupBox* WordPreviewModel::makePreviewBox() {
  auto* table = named(new QListView, "previewTable");
  table->setUniformItemSizes(true);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setModel(this);
  auto* box = named(new QGroupBox(QGroupBox::tr("Preview")), "previewBox");
  (new QVBoxLayout(box))->addWidget(table);
  return box;
}

int WordPreviewModel::rowCount(QModelIndex const& parent) const {
  return parent.isValid() ? 0 : m_rows;
}

QVariant WordPreviewModel::data(QModelIndex const& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows) return {};
  QVariant text;
  slotGuard("Error showing a preview word: ", [&] {
    const Span word = m_word(size_t(index.row()));
    text = QString::fromUtf8(word.data, qsizetype(word.length));
  });
  return text;
}
