#include "desktop-ui/tabwidget.h"

#include "desktop-ui/closebutton.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TabWidget::TabWidget(bool enableClose, Colours const& colours, QWidget* parent)
    : QWidget(parent), m_colours(colours) {
  setAttribute(Qt::WA_Hover);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  if (enableClose) {
    m_close = new CloseButton(this);
    connect(m_close, &QAbstractButton::clicked, this, &TabWidget::closeClicked);
  }
}

void TabWidget::setTitle(QString const& title) {
  m_title = title;
  setToolTip(title);
  update();
}

void TabWidget::setActive(bool active) {
  if (active == m_active) return;
  m_active = active;
  update();
}

void TabWidget::setColours(Colours const& colours) {
  m_colours = colours;
  update();
}

QSize TabWidget::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const int close = m_close ? CloseButton::SIZE : 0;
  return {metrics.horizontalAdvance(m_title) + 2 * MARGIN + close, metrics.height()};
}

QRect TabWidget::titleRect() const {
  const int right = width() - MARGIN - (m_close ? CloseButton::SIZE : 0);
  return QRect(MARGIN, 0, std::max(0, right - MARGIN), height());
}

void TabWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor& fill = m_active        ? m_colours.active
                       : m_highlighted ? m_colours.highlighted
                                       : m_colours.inactive;
  if (fill.isValid()) painter.fillRect(QRect(0, 0, width() - 1, height()), fill);
  // The current tab's mark along its foot, in the desktop's selection colour: plain on any fill.
  if (m_active)
    painter.fillRect(QRect(0, height() - MARK, width() - 1, MARK), palette().color(QPalette::Highlight));
  // The separator at the right edge, a vertical gradient between two greys.
  QLinearGradient gradient(0, 1, 0, height() - 1);
  gradient.setColorAt(0, QColor::fromRgbF(0.3f, 0.3f, 0.3f));
  gradient.setColorAt(1, QColor::fromRgbF(0.6f, 0.6f, 0.6f));
  painter.fillRect(QRect(width() - 1, 1, 1, height() - 2), gradient);
  const QRect text = titleRect();
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(text, Qt::AlignCenter, fontMetrics().elidedText(m_title, Qt::ElideRight, text.width()));
}

void TabWidget::resizeEvent(QResizeEvent*) {
  if (m_close) m_close->move(width() - MARGIN - CloseButton::SIZE, (height() - CloseButton::SIZE) / 2);
}

void TabWidget::enterEvent(QEnterEvent*) {
  m_highlighted = true;
  update();
}

void TabWidget::leaveEvent(QEvent*) {
  m_highlighted = false;
  update();
}

void TabWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit pressed();
  event->accept(); // never moves the window
}
