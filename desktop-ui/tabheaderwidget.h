// The strip that shows a TabHeader: as many whole tabs as fit its width, from the first, each as wide as
// TabHeader::strip says. A press on a tab and a click on a close button go to the header, which tells its
// owner; the strip changes no selection itself. Tabs are pooled and reused while the strip lives.
#pragma once

#include "desktop-ui/tabwidget.h"
#include "views/tabheaderview.h"

#include <QWidget>

#include <vector>

class TabHeader;

class TabHeaderWidget : public QWidget, public TabHeaderView {
public:
  // Shows header, which must outlive the strip (or be detached from it); the strip of open documents'
  // colours: the active and the hovered tab tinted with the palette's selection colour, following the
  // palette as it changes.
  explicit TabHeaderWidget(TabHeader& header, QWidget* parent = nullptr);
  ~TabHeaderWidget() override;

  // Colours of the owner's own, kept whatever the palette does.
  void setColours(TabWidget::Colours const& colours);

  void reloadData() override;
  void selectionChanged() override;

  // The tabs shown, from the first.
  int visibleTabs() const { return m_visible; }
  TabWidget* tab(int index) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  void showColours(TabWidget::Colours const& colours);
  void layoutTabs();
  TabWidget* tabAt(int index);
  int indexOf(QObject* tab) const;

  TabHeader& m_header;
  TabWidget::Colours m_colours;
  bool m_ownColours = false;      // set by the owner: not taken from the palette
  std::vector<TabWidget*> m_tabs; // children; the first m_visible are shown, the rest wait for reuse
  int m_visible = 0;
};
