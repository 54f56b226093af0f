// The word-list pane: a filter field, the table of the delegate's rows (nine columns, sorted by a click on
// a header, again to reverse) and the strip of the "All", "Known" and "Unknown" tabs, which it owns. It
// shows what its WordListDelegate (the WordListViewController) says and passes every action to it.
#pragma once

#include "views/tabheader.h"
#include "views/wordlistcolumns.h"
#include "views/wordlistview.h"

#include <QFont>
#include <QWidget>

#include <memory>
#include <vector>

class QLineEdit;
class QMenu;
class QTableView;
class TabHeaderWidget;
class WordListTableModel;

class WordListWidget : public QWidget, public WordListView {
public:
  explicit WordListWidget(QWidget* parent = nullptr);
  ~WordListWidget() override;

  void setDelegate(WordListDelegate* delegate) override;
  TabHeader& tabHeader() override { return m_tabs; }
  void selectAll() override;
  bool hasFocus() const override;
  void setFocus() override;
  long selectedCount() const override;
  void setTextColour(Colour colour) override;
  void setBackgroundColour(Colour colour) override;
  void setChineseFontSize(double points) override;
  void refresh() override;
  void selectRows(std::vector<long> const& rows) override;
  long firstIndex() const override;
  long nextIndex(long row) const override;
  long clickedRow() const override { return m_clickedRow; }

  // The popup menu for a right-click on row (-1: none), not shown; row is the clicked row until the menu
  // is destroyed.
  std::unique_ptr<QMenu> contextMenu(long row);

  QTableView* table() const { return m_table; }
  QLineEdit* searchField() const { return m_search; }
  TabHeaderWidget* tabStrip() const { return m_strip; }
  QSize sizeHint() const override { return {350, 380}; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void buildTable();
  void fitColumns();
  void fitWordColumn();
  int fittedWidth(int column);
  int cellWidth(QFont const& font, QString const& text) const;
  void headerClicked(int column);
  std::vector<long> const& selectedRows() const;

  TabHeader m_tabs{TabHeaderConfig{1, false}};
  QLineEdit* m_search;
  QTableView* m_table;
  TabHeaderWidget* m_strip;
  WordListTableModel* m_model;
  WordListDelegate* m_delegate = nullptr; // not owned
  long m_clickedRow = -1;
  QFont m_wordFont;         // the word column's
  int m_wordColumnFit = -1; // the word column's width as last fitted
  int m_sortColumn = -1;    // the header clicked last; none at first (the delegate's own order applies)
  WordListColumns::Direction m_direction = WordListColumns::Unsorted;
  WordStatisticsSort::Type m_sortOn = WordStatisticsSort::FrequencyDescending;
  mutable std::vector<long> m_selected; // the selected rows, ascending, while m_selectedValid
  mutable bool m_selectedValid = false;
};
