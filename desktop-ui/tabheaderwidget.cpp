#include "desktop-ui/tabheaderwidget.h"

#include "desktop-ui/slotguard.h"
#include "views/tabheader.h"
#include "views/tabitem.h"

#include <QEvent>

#include <algorithm>
#include <cmath>

namespace {
// Tints of the desktop's selection colour, so that on a light and a dark desktop alike the current tab
// stands out and its title, in the window's text colour, stays readable on it.
TabWidget::Colours paletteColours(QPalette const& palette) {
  QColor active = palette.color(QPalette::Highlight), highlighted = active;
  active.setAlphaF(0.3f);
  highlighted.setAlphaF(0.12f);
  return {active, QColor(), highlighted};
}
} // namespace

TabHeaderWidget::TabHeaderWidget(TabHeader& header, QWidget* parent)
    : QWidget(parent), m_header(header), m_colours(paletteColours(palette())) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  m_tabs.reserve(10);
  m_header.setView(this);
  layoutTabs();
}

TabHeaderWidget::~TabHeaderWidget() {
  if (m_header.view() == this) m_header.setView(nullptr);
}

void TabHeaderWidget::setColours(TabWidget::Colours const& colours) {
  m_ownColours = true;
  showColours(colours);
}

void TabHeaderWidget::showColours(TabWidget::Colours const& colours) {
  m_colours = colours;
  for (TabWidget* tab : m_tabs)
    tab->setColours(colours);
}

void TabHeaderWidget::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange && !m_ownColours) showColours(paletteColours(palette()));
  QWidget::changeEvent(event);
}

void TabHeaderWidget::reloadData() {
  layoutTabs();
  updateGeometry();
}

void TabHeaderWidget::selectionChanged() {
  for (int i = 0; i < m_visible; ++i)
    m_tabs[size_t(i)]->setActive(m_header.isActive(size_t(i)));
}

TabWidget* TabHeaderWidget::tab(int index) const {
  return index >= 0 && index < m_visible ? m_tabs[size_t(index)] : nullptr;
}

QSize TabHeaderWidget::sizeHint() const {
  int height = int(TabHeader::MIN_HEIGHT);
  if (m_header.numberOfTabs() > 0) {
    // The first tab's natural height, whether or not a tab is shown yet.
    const int close = m_header.config().enableClose ? 11 : 0;
    height = std::max(height, std::max(fontMetrics().height(), close));
  }
  return {0, height};
}

void TabHeaderWidget::resizeEvent(QResizeEvent*) {
  layoutTabs();
}

void TabHeaderWidget::layoutTabs() {
  const TabHeader::Strip strip = TabHeader::strip(width(), m_header.numberOfTabs());
  m_visible = int(strip.visible);
  for (int i = 0; i < m_visible; ++i) {
    TabWidget* tab = tabAt(i);
    TabItem const* item = m_header.tabItemAtIndex(size_t(i));
    tab->setTitle(item ? QString::fromUtf8(item->title.c_str(), qsizetype(item->title.length())) : QString());
    tab->setActive(m_header.isActive(size_t(i)));
    const int left = int(std::lround(i * strip.width)), right = int(std::lround((i + 1) * strip.width));
    tab->setGeometry(left, 0, right - left, height());
    tab->show();
  }
  for (size_t i = size_t(m_visible); i < m_tabs.size(); ++i) {
    m_tabs[i]->hide();
    m_tabs[i]->setTitle(QString());
  }
}

TabWidget* TabHeaderWidget::tabAt(int index) {
  if (size_t(index) < m_tabs.size()) return m_tabs[size_t(index)];
  auto* tab = new TabWidget(m_header.config().enableClose, m_colours, this);
  connect(tab, &TabWidget::pressed, this, [this, tab] {
    slotGuard("Error selecting a tab: ", [&] {
      const int index = indexOf(tab);
      if (index >= 0) m_header.selectedTabAtIndex(size_t(index));
    });
  });
  connect(tab, &TabWidget::closeClicked, this, [this, tab] {
    slotGuard("Error closing a tab: ", [&] {
      const int index = indexOf(tab);
      if (index >= 0) m_header.closeTabAtIndex(size_t(index));
    });
  });
  m_tabs.push_back(tab);
  return tab;
}

int TabHeaderWidget::indexOf(QObject* tab) const {
  for (int i = 0; i < m_visible; ++i)
    if (m_tabs[size_t(i)] == tab) return i;
  return -1;
}
