// The statistics pane: an outline of a StatisticsModel's five groups of name/value rows, with
// "No file loaded" without a model and "Processing..." while it has no statistics. Groups the reader
// collapses stay collapsed when the next figures arrive. Several rows may be selected; only rows the reader
// can see are handed out for copying.
#pragma once

#include "views/statisticsview.h"
#include "views/statisticsviewfactory.h"

#include <QWidget>

class PropertyItemModel;
class QTreeView;

class StatisticsWidget : public QWidget, public StatisticsView {
public:
  explicit StatisticsWidget(QWidget* parent = nullptr);
  ~StatisticsWidget() override;

  void setModel(StatisticsModel* model) override;
  void reloadData() override;
  bool hasFocus() const override;
  bool canCopy() const override;
  void selectAll() override;
  std::vector<PropertyIndex> selectedItems() const override;
  void setColours(Colour foreground, Colour background) override;

  QTreeView* tree() const { return m_tree; }
  PropertyItemModel* items() const { return m_items; }
  QSize sizeHint() const override { return {350, 310}; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void present(bool reset);
  void fitColumns();
  void expandGroups();
  void groupToggled(QModelIndex const& index, bool expanded);

  StatisticsModel* m_model = nullptr; // not owned
  QTreeView* m_tree;
  PropertyItemModel* m_items;
  StatisticsViewFactory m_factory;
  bool m_expandGroup[5] = {true, true, true, true, true}; // the reader's choice per group
};
