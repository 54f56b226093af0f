#include "desktop-ui/custombutton.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

CustomButton::CustomButton(QWidget* parent) : QAbstractButton(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

CustomButton::State CustomButton::state() const {
  if (!hover) return Resting;
  return isDown() ? Pressed : Hover;
}

void CustomButton::drawState(QPainter& painter, QRect const& rect, State state) {
  const QPalette::ColorRole role = state == Resting ? QPalette::WindowText
                                   : state == Hover ? QPalette::Highlight
                                                    : QPalette::Base;
  painter.fillRect(rect, palette().color(role));
}

void CustomButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawState(painter, rect(), state());
}

void CustomButton::enterEvent(QEnterEvent* event) {
  hover = true;
  update();
  QAbstractButton::enterEvent(event);
}

void CustomButton::leaveEvent(QEvent* event) {
  hover = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void CustomButton::mouseMoveEvent(QMouseEvent* event) {
  const bool inside = rect().contains(event->position().toPoint());
  if (inside != hover) {
    hover = inside;
    update();
  }
  QAbstractButton::mouseMoveEvent(event);
}

// A button shown or resized under a resting mouse gets no enter event: read the position again.
void CustomButton::showEvent(QShowEvent* event) {
  detectHover();
  QAbstractButton::showEvent(event);
}

void CustomButton::resizeEvent(QResizeEvent* event) {
  detectHover();
  QAbstractButton::resizeEvent(event);
}

void CustomButton::detectHover() {
  hover = rect().contains(mapFromGlobal(QCursor::pos()));
  update();
}
